// The frame operations on frames whose sizes, channel counts and pixel bytes
// come from the input, pixel arrays shorter than the numbers say included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "capture/frame_ops.h"
#include "capture/screen_capturer.h"
#include "classifier/scene_classifier.h"

namespace {

int32_t Side(uint8_t byte) {
    return static_cast<int32_t>(byte % 70) - 2;  // -2 to 67: small, and some invalid
}

void CheckFrame(const tarsel::CapturedFrame& frame) {
    if (frame.pixels.empty()) {
        if (frame.width != 0 || frame.height != 0 || frame.channels != 0) std::abort();
        return;
    }
    const size_t expected = static_cast<size_t>(frame.width) * frame.height * frame.channels;
    if (frame.pixels.size() != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) return 0;
    tarsel::CapturedFrame frame;
    frame.width = Side(data[0]);
    frame.height = Side(data[1]);
    frame.channels = static_cast<int32_t>(data[2] % 6);
    const int32_t targetWidth = Side(data[3]);
    const int32_t targetHeight = Side(data[4]);
    const int32_t bound = static_cast<int32_t>(static_cast<int8_t>(data[5]));
    const bool truncate = (data[6] & 1) != 0;
    data += 7;
    size -= 7;
    if (frame.width > 0 && frame.height > 0 && frame.channels > 0) {
        size_t bytes = static_cast<size_t>(frame.width) * frame.height * frame.channels;
        if (truncate && bytes > 0) bytes = bytes * 3 / 4;
        frame.pixels.resize(bytes);
        for (size_t i = 0; i < bytes; ++i) frame.pixels[i] = size > 0 ? data[i % size] : 0;
    }

    // A frame that already fits comes back as a copy, however it was made.
    const tarsel::CapturedFrame fitted = tarsel::ResizeToFit(frame, bound);
    if (fitted.pixels != frame.pixels || fitted.width != frame.width) CheckFrame(fitted);
    CheckFrame(tarsel::ResizeFrame(frame, targetWidth, targetHeight));
    CheckFrame(tarsel::ConvertBgraToBgr(frame));
    tarsel::CapturedFrame swapped = frame;
    tarsel::ConvertBgrToRgb(swapped);
    const std::vector<float> input = tarsel::PreprocessFrame(frame);
    if (!input.empty() && input.size() != 3u * 256u * 256u) std::abort();
    for (float value : input) {
        if (!(value >= -1.0f && value <= 1.0f)) std::abort();
    }
    return 0;
}
