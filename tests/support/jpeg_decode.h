// Decodes a JPEG back to red, green, blue pixels for the tests, and reads the
// markers that say how it was encoded.
#ifndef TARSEL_TESTS_JPEG_DECODE_H
#define TARSEL_TESTS_JPEG_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel_test {

struct DecodedJpeg {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    // Red, green, blue of a pixel as 0xRRGGBB.
    uint32_t At(int x, int y) const;
};

DecodedJpeg DecodeJpeg(const std::vector<uint8_t>& jpeg);

struct JpegLayout {
    bool baseline = false;         // SOF0
    bool progressive = false;      // SOF2
    bool arithmetic = false;       // SOF9 and up
    int lumaSampling = 0;          // 0x22 for 2x2 chroma subsampling, 0x11 for none
    int firstLumaQuant = -1;       // first entry of the first quantisation table
};

JpegLayout ReadJpegLayout(const std::vector<uint8_t>& jpeg);

std::vector<uint8_t> Base64Decode(const std::string& text);

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_JPEG_DECODE_H
