#include "capture/frame_ops.h"

#include "capture/jpeg_encoders.h"

#include <stb_image_resize2.h>

#include <algorithm>

namespace tarsel {

namespace {

bool HasPicture(const CapturedFrame& frame) {
    return !frame.pixels.empty() && frame.width > 0 && frame.height > 0;
}

uint64_t ByteCount(int32_t width, int32_t height, int32_t channels) {
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
           static_cast<uint64_t>(channels);
}

// Frames whose pixel array is shorter than their numbers say are refused
// rather than read past their end.
bool IsComplete(const CapturedFrame& frame) {
    return frame.channels > 0 &&
           frame.pixels.size() >= ByteCount(frame.width, frame.height, frame.channels);
}

int32_t LongerSide(const CapturedFrame& frame) {
    return frame.width > frame.height ? frame.width : frame.height;
}

}  // namespace

bool FitsWithin(const CapturedFrame& frame, int32_t maxSize) {
    return LongerSide(frame) <= maxSize;
}

CapturedFrame ResizeToFit(const CapturedFrame& frame, int32_t maxSize) {
    if (!HasPicture(frame)) return CapturedFrame();
    const int32_t longer = LongerSide(frame);
    if (longer <= maxSize) return frame;
    const double scale = static_cast<double>(maxSize) / static_cast<double>(longer);
    int32_t width = static_cast<int32_t>(static_cast<double>(frame.width) * scale);
    int32_t height = static_cast<int32_t>(static_cast<double>(frame.height) * scale);
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    return ResizeFrame(frame, width, height);
}

CapturedFrame ResizeFrame(const CapturedFrame& frame, int32_t targetWidth, int32_t targetHeight) {
    if (!HasPicture(frame) || !IsComplete(frame)) return CapturedFrame();
    return ResizePixels(frame.pixels.data(), frame.width, frame.height,
                        static_cast<size_t>(frame.width) * static_cast<size_t>(frame.channels),
                        frame.channels, targetWidth, targetHeight);
}

CapturedFrame ResizePixels(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                           int32_t channels, int32_t targetWidth, int32_t targetHeight) {
    CapturedFrame out;
    ResizePixelsInto(pixels, width, height, stride, channels, targetWidth, targetHeight, out);
    return out;
}

void ResizePixelsInto(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                      int32_t channels, int32_t targetWidth, int32_t targetHeight,
                      CapturedFrame& out) {
    out.width = 0;
    out.height = 0;
    out.channels = 0;
    stbir_pixel_layout layout = STBIR_RGB;
    switch (channels) {
        case 1: layout = STBIR_1CHANNEL; break;
        case 3: layout = STBIR_RGB; break;
        case 4: layout = STBIR_RGBA; break;
        default: channels = 0; break;
    }
    if (pixels == nullptr || width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0 ||
        channels == 0) {
        out.pixels.clear();
        return;
    }
    const uint64_t size = ByteCount(targetWidth, targetHeight, channels);
    // A failed resize leaves the output black, which callers accept: so the
    // buffer is cleared first, but only when it is reused (a new one is).
    if (out.pixels.size() == size) {
        std::fill(out.pixels.begin(), out.pixels.end(), uint8_t{0});
    } else {
        out.pixels.assign(size, 0);
    }
    out.width = targetWidth;
    out.height = targetHeight;
    out.channels = channels;
    stbir_resize_uint8_linear(pixels, width, height, static_cast<int>(stride), out.pixels.data(),
                              targetWidth, targetHeight, targetWidth * channels, layout);
}

void ConvertBgrToRgb(CapturedFrame& frame) {
    if (!HasPicture(frame) || frame.channels != 3 || !IsComplete(frame)) return;
    uint8_t* p = frame.pixels.data();
    const size_t count = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height);
    for (size_t i = 0; i < count; ++i, p += 3) {
        const uint8_t first = p[0];
        p[0] = p[2];
        p[2] = first;
    }
}

std::string EncodeJpegBase64(const CapturedFrame& frame) {
    if (!HasPicture(frame) || frame.channels != 3 || !IsComplete(frame)) return std::string();
    // The encoder reads blue, green, red as it is: no swapped copy of the frame.
    const std::vector<uint8_t> jpeg =
        EncodeJpegPixels(frame.pixels.data(), frame.width, frame.height, PixelOrder::BGR, 90);
    if (jpeg.empty()) return std::string();
    return Base64Encode(jpeg.data(), jpeg.size());
}

std::string EncodeBoundedJpegBase64(const CapturedFrame& frame, int32_t maxSize) {
    if (HasPicture(frame) && FitsWithin(frame, maxSize)) return EncodeJpegBase64(frame);
    return EncodeJpegBase64(ResizeToFit(frame, maxSize));
}

std::vector<uint8_t> EncodeJpeg(const CapturedFrame& frame, int32_t quality) {
    if (!HasPicture(frame) || frame.channels != 3 || !IsComplete(frame)) {
        return std::vector<uint8_t>();
    }
    return EncodeJpegPixels(frame.pixels.data(), frame.width, frame.height, PixelOrder::RGB,
                            quality);
}

std::vector<uint8_t> EncodeJpegPixels(const uint8_t* pixels, int32_t width, int32_t height,
                                      PixelOrder order, int32_t quality) {
#if defined(TARSEL_HAVE_LIBJPEG) && !defined(TARSEL_JPEG_STB)
    return EncodeJpegTurbo(pixels, width, height, order, quality);
#else
    return EncodeJpegStb(pixels, width, height, order, quality);
#endif
}

std::string Base64Encode(const uint8_t* bytes, size_t count) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    if (count == 0 || bytes == nullptr) return out;
    out.resize(4 * ((count + 2) / 3));
    char* o = &out[0];
    size_t i = 0;
    for (; i + 3 <= count; i += 3, o += 4) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = kAlphabet[v & 63];
    }
    const size_t rest = count - i;
    if (rest > 0) {
        uint32_t v = uint32_t{bytes[i]} << 16;
        if (rest == 2) v |= uint32_t{bytes[i + 1]} << 8;
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        o[3] = '=';
    }
    return out;
}

}  // namespace tarsel
