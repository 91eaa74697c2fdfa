// What the library hands the host, unpacked for the Wine tests: base64 JPEGs
// decoded to pixels, frame-batch JSON parsed.
#ifndef TARSEL_TESTS_WINDOWS_DECODED_FRAMES_H
#define TARSEL_TESTS_WINDOWS_DECODED_FRAMES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel_windows_test {

struct Picture {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    // The pixel's colour snapped to the nearest of black, the primaries and
    // their mixes, as 0xRRGGBB: JPEG does not keep exact values.
    uint32_t SnappedAt(int x, int y) const;
};

Picture DecodeBase64Jpeg(const std::string& base64);

struct Frame {
    std::string base64;
    uint32_t classId = 0;
    uint64_t timestamp = 0;
};

// Empty when the text is not a frame-batch array.
std::vector<Frame> ParseFrames(const std::string& json);

}  // namespace tarsel_windows_test

#endif  // TARSEL_TESTS_WINDOWS_DECODED_FRAMES_H
