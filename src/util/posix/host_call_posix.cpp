// One compiler, one kind of exception: the host's functions are called as
// they are.
#include "util/host_call.h"

namespace tarsel {

void CallHost(void (*callback)(int, const char*, void*), int number, const char* text,
              void* userData) {
    callback(number, text, userData);
}

void CallHost(ScreenshotCallback callback, const char* base64, int width, int height, int code,
              const char* message, void* userData) {
    callback(base64, width, height, code, message, userData);
}

}  // namespace tarsel
