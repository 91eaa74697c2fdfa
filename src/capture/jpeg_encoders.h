// The JPEG encoders behind EncodeJpeg. libjpeg-turbo where it is available
// (several times faster, and it reads blue, green, red input directly);
// stb_image_write everywhere. Both give baseline JPEGs with the same settings.
#ifndef TARSEL_CAPTURE_JPEG_ENCODERS_H
#define TARSEL_CAPTURE_JPEG_ENCODERS_H

#include <cstdint>
#include <vector>

namespace tarsel {

enum class PixelOrder { RGB, BGR };

// 3-channel pixels, rows top to bottom without padding. Empty on failure.
std::vector<uint8_t> EncodeJpegStb(const uint8_t* pixels, int32_t width, int32_t height,
                                   PixelOrder order, int32_t quality);
#if defined(TARSEL_HAVE_LIBJPEG)
std::vector<uint8_t> EncodeJpegTurbo(const uint8_t* pixels, int32_t width, int32_t height,
                                     PixelOrder order, int32_t quality);
#endif

// The encoder this build uses.
std::vector<uint8_t> EncodeJpegPixels(const uint8_t* pixels, int32_t width, int32_t height,
                                      PixelOrder order, int32_t quality);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_JPEG_ENCODERS_H
