// Stateless frame operations: bounding, resizing, channel swap, JPEG and
// base64. Invalid input gives an empty result; nothing logs.
#ifndef TARSEL_CAPTURE_FRAME_OPS_H
#define TARSEL_CAPTURE_FRAME_OPS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/captured_frame.h"

namespace tarsel {

// A frame whose longer side is at most maxSize (sides truncated, at least 1),
// or a copy when it already fits.
CapturedFrame ResizeToFit(const CapturedFrame& frame, int32_t maxSize);
// The frame's longer side is at most maxSize: ResizeToFit would copy it.
bool FitsWithin(const CapturedFrame& frame, int32_t maxSize);
// Exactly targetWidth x targetHeight; 1, 3 or 4 channels.
CapturedFrame ResizeFrame(const CapturedFrame& frame, int32_t targetWidth, int32_t targetHeight);
// ResizeFrame of a region of a larger picture: rows stride bytes apart.
CapturedFrame ResizePixels(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                           int32_t channels, int32_t targetWidth, int32_t targetHeight);
// ResizePixels into a frame of the caller's, reusing its buffer; the frame is
// emptied when the arguments are refused.
void ResizePixelsInto(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                      int32_t channels, int32_t targetWidth, int32_t targetHeight,
                      CapturedFrame& out);
// Swaps the first and third byte of every pixel of a 3-channel frame.
void ConvertBgrToRgb(CapturedFrame& frame);
// Base64 of a quality-90 JPEG of a blue, green, red frame; the frame is left as
// it is.
std::string EncodeJpegBase64(const CapturedFrame& frame);
// EncodeJpegBase64 of ResizeToFit(frame, maxSize), without the copy of a frame
// that already fits.
std::string EncodeBoundedJpegBase64(const CapturedFrame& frame, int32_t maxSize);
// JPEG of a red, green, blue frame: baseline, standard tables scaled for the
// quality, 2x2 chroma subsampling up to quality 90.
std::vector<uint8_t> EncodeJpeg(const CapturedFrame& frame, int32_t quality);
// RFC 4648 base64, padded, no line breaks.
std::string Base64Encode(const uint8_t* bytes, size_t count);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_FRAME_OPS_H
