// One kept frame as the service stores and delivers it.
#ifndef TARSEL_SERVICE_PIC_DATA_H
#define TARSEL_SERVICE_PIC_DATA_H

#include <cstdint>
#include <string>

namespace tarsel {

struct stPicData {
    std::string base64;      // JPEG as base64; empty in a slot never written
    uint32_t classId = 0;    // class the classifier gave the frame
    uint64_t timestamp = 0;  // milliseconds since 1970-01-01 UTC, taken after encoding
};

}  // namespace tarsel

#endif  // TARSEL_SERVICE_PIC_DATA_H
