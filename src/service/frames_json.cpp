#include "service/frames_json.h"

#include <json/json.h>

namespace tarsel {

std::string FramesToJson(const std::vector<stPicData>& frames) {
    // A default Json::Value would write "null" for no frames.
    Json::Value array(Json::arrayValue);
    for (const stPicData& frame : frames) {
        Json::Value item(Json::objectValue);
        item["base64"] = frame.base64;
        item["classId"] = Json::Value(static_cast<Json::UInt>(frame.classId));
        // An integer, not a double: a double would print with a fraction.
        item["timestamp"] = Json::Value(static_cast<Json::UInt64>(frame.timestamp));
        array.append(std::move(item));
    }
    Json::FastWriter writer;
    return writer.write(array);
}

}  // namespace tarsel
