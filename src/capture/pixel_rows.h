// Row conversions shared by the capture backends.
#ifndef TARSEL_CAPTURE_PIXEL_ROWS_H
#define TARSEL_CAPTURE_PIXEL_ROWS_H

#include <cstddef>
#include <cstdint>

namespace tarsel {

// count pixels of blue, green, red, reserved to blue, green, red. The ranges
// must not overlap.
void ConvertBgrxToBgr(const uint8_t* bgrx, uint8_t* bgr, size_t count);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_PIXEL_ROWS_H
