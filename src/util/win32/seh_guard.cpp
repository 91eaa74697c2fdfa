// Compiled by clang for the MSVC ABI and linked into tarsel.dll as a plain
// object: GCC has no __try. Nothing of GCC's sits between this frame and the
// host's function, so stopping an exception here unwinds only host frames.
#include "util/win32/seh_guard.h"

namespace {

constexpr unsigned long kVisualCppException = 0xE06D7363u;

int Filter(unsigned long code) {
    return code == kVisualCppException ? 1 /* execute handler */ : 0 /* continue search */;
}

}  // namespace

extern "C" unsigned long TarselGuardedCall3(void (*callback)(int, const char*, void*), int number,
                                            const char* text, void* userData) {
    __try {
        callback(number, text, userData);
    } __except (Filter(_exception_code())) {
        return kVisualCppException;
    }
    return 0;
}

extern "C" unsigned long TarselGuardedCall6(void (*callback)(const char*, int, int, int,
                                                             const char*, void*),
                                            const char* base64, int width, int height, int code,
                                            const char* message, void* userData) {
    __try {
        callback(base64, width, height, code, message, userData);
    } __except (Filter(_exception_code())) {
        return kVisualCppException;
    }
    return 0;
}
