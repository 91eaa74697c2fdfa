// A pixel frame owned by value: rows top to bottom, no row padding.
#ifndef TARSEL_CAPTURE_CAPTURED_FRAME_H
#define TARSEL_CAPTURE_CAPTURED_FRAME_H

#include <cstdint>
#include <vector>

namespace tarsel {

struct CapturedFrame {
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;

    // The test every consumer applies; channels are checked where they matter.
    bool IsUsable() const { return !pixels.empty() && width >= 1 && height >= 1; }
};

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_CAPTURED_FRAME_H
