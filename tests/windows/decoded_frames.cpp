#include "decoded_frames.h"

#include <json/json.h>

#include <memory>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb_image.h>

#include "base64_decode.h"

namespace tarsel_windows_test {

uint32_t Picture::SnappedAt(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    uint32_t snapped = 0;
    for (int c = 0; c < 3; ++c) {
        if (p[c] > 0x80) snapped |= 0xFFu << (16 - 8 * c);
    }
    return snapped;
}

Picture DecodeBase64Jpeg(const std::string& base64) {
    Picture picture;
    const std::vector<uint8_t> jpeg = tarsel_tools::Base64Decode(base64);
    if (jpeg.empty()) return picture;
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(jpeg.data(), static_cast<int>(jpeg.size()), &picture.width,
                              &picture.height, &channels, 3),
        &stbi_image_free);
    if (!pixels) return picture;
    picture.rgb.assign(pixels.get(), pixels.get() + static_cast<size_t>(picture.width) * picture.height * 3);
    picture.ok = true;
    return picture;
}

std::vector<Frame> ParseFrames(const std::string& json) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(json.data(), json.data() + json.size(), &root, &errors) || !root.isArray()) {
        return {};
    }
    std::vector<Frame> frames;
    for (const Json::Value& item : root) {
        Frame frame;
        frame.base64 = item["base64"].asString();
        frame.classId = item["classId"].asUInt();
        frame.timestamp = item["timestamp"].asUInt64();
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace tarsel_windows_test
