// Calls into the host's callbacks. A C++ exception of this compiler passes to
// the caller as usual. On Windows a host built with another compiler (Visual
// C++) throws SEH exceptions of the C++ code 0xE06D7363, which this
// compiler's catch (...) never sees: the process would end. They are stopped
// at the host's frame and passed on as a ForeignHostException, so the
// caller's catch (...) handles them like any other exception.
#ifndef TARSEL_UTIL_HOST_CALL_H
#define TARSEL_UTIL_HOST_CALL_H

#include "tarsel/tarsel.h"

namespace tarsel {

struct ForeignHostException {};

// Log and frame-batch callbacks share this shape.
void CallHost(void (*callback)(int, const char*, void*), int number, const char* text,
              void* userData);
void CallHost(ScreenshotCallback callback, const char* base64, int width, int height, int code,
              const char* message, void* userData);

}  // namespace tarsel

#endif  // TARSEL_UTIL_HOST_CALL_H
