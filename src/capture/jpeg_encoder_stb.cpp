// stb_image_write's JPEG writer, the portable encoder.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <utility>

#include "capture/jpeg_encoders.h"

namespace tarsel {

namespace {

void AppendChunk(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<uint8_t> EncodeJpegStb(const uint8_t* pixels, int32_t width, int32_t height,
                                   PixelOrder order, int32_t quality) {
    std::vector<uint8_t> swapped;
    if (order == PixelOrder::BGR) {
        // stb takes red, green, blue only.
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        swapped.resize(count * 3u);
        for (size_t i = 0; i < count; ++i) {
            swapped[3 * i] = pixels[3 * i + 2];
            swapped[3 * i + 1] = pixels[3 * i + 1];
            swapped[3 * i + 2] = pixels[3 * i];
        }
        pixels = swapped.data();
    }
    std::vector<uint8_t> jpeg;
    const uint64_t reserve = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) / 4u;
    if (reserve > 0) jpeg.reserve(reserve);
    stbi_write_jpg_to_func(AppendChunk, &jpeg, width, height, 3, pixels, quality);
    return jpeg;
}

}  // namespace tarsel
