// Window handles in log lines: 16 upper-case hexadecimal digits, no prefix.
#ifndef TARSEL_LOG_HANDLE_TEXT_H
#define TARSEL_LOG_HANDLE_TEXT_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace tarsel {

// Formatted by hand: the standard library prints pointers differently per
// platform ("0x1a" on Linux).
inline std::string HandleText(const void* handle) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

}  // namespace tarsel

#endif  // TARSEL_LOG_HANDLE_TEXT_H
