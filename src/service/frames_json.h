// Frame-batch JSON: a compact array of {"base64","classId","timestamp"}
// objects followed by one line feed.
#ifndef TARSEL_SERVICE_FRAMES_JSON_H
#define TARSEL_SERVICE_FRAMES_JSON_H

#include <string>
#include <vector>

#include "service/pic_data.h"

namespace tarsel {

std::string FramesToJson(const std::vector<stPicData>& frames);

}  // namespace tarsel

#endif  // TARSEL_SERVICE_FRAMES_JSON_H
