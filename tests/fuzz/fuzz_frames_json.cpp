// The frame-batch JSON writer: what it writes, a strict reader reads back as
// the same records.
#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "service/frames_json.h"

namespace {

uint64_t Take(const uint8_t*& data, size_t& size, size_t bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes && size > 0; ++i, ++data, --size) value = (value << 8) | *data;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<tarsel::stPicData> frames;
    while (size > 0 && frames.size() < 16) {
        tarsel::stPicData frame;
        const size_t length = static_cast<size_t>(Take(data, size, 1)) % 48;
        for (size_t i = 0; i < length && size > 0; ++i, ++data, --size) {
            frame.base64.push_back(static_cast<char>(*data & 0x7F));  // any ASCII, controls too
        }
        frame.classId = static_cast<uint32_t>(Take(data, size, 4));
        frame.timestamp = Take(data, size, 8);
        frames.push_back(frame);
    }
    const std::string text = tarsel::FramesToJson(frames);
    if (text.empty() || text.back() != '\n') std::abort();

    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size() - 1, &root, &errors)) std::abort();
    if (!root.isArray() || root.size() != frames.size()) std::abort();
    for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
        const Json::Value& item = root[i];
        if (item.size() != 3 || item["base64"].asString() != frames[i].base64 ||
            item["classId"].asUInt() != frames[i].classId ||
            item["timestamp"].asUInt64() != frames[i].timestamp) {
            std::abort();
        }
    }
    return 0;
}
