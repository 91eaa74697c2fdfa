#include "util/host_call.h"

#include "util/win32/seh_guard.h"

namespace tarsel {

void CallHost(void (*callback)(int, const char*, void*), int number, const char* text,
              void* userData) {
    if (TarselGuardedCall3(callback, number, text, userData) != 0) throw ForeignHostException();
}

void CallHost(ScreenshotCallback callback, const char* base64, int width, int height, int code,
              const char* message, void* userData) {
    if (TarselGuardedCall6(callback, base64, width, height, code, message, userData) != 0) {
        throw ForeignHostException();
    }
}

}  // namespace tarsel
