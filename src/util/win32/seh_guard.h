// Host calls inside an SEH frame (seh_guard.cpp, compiled for the MSVC ABI,
// which has __try). Plain C types only: the two compilers meet here.
#ifndef TARSEL_UTIL_WIN32_SEH_GUARD_H
#define TARSEL_UTIL_WIN32_SEH_GUARD_H

extern "C" {

// 0 when the callback returned; 0xE06D7363 when it threw a Visual C++
// exception, which is stopped there. Every other exception passes through.
unsigned long TarselGuardedCall3(void (*callback)(int, const char*, void*), int number,
                                 const char* text, void* userData);
unsigned long TarselGuardedCall6(void (*callback)(const char*, int, int, int, const char*, void*),
                                 const char* base64, int width, int height, int code,
                                 const char* message, void* userData);
}

#endif  // TARSEL_UTIL_WIN32_SEH_GUARD_H
