// Console colour through the standard output's console text attributes. On a
// redirected stream the attribute calls fail and the text is written plain.
#include <windows.h>

#include <cstdio>

#include "log/console.h"

namespace tarsel {

namespace {

constexpr WORD kDefaultAttribute = 7;  // light grey

// 0 for levels written without colour.
WORD AttributeOf(int level) {
    switch (level) {
        case 0: return FOREGROUND_INTENSITY;                                     // dark grey
        case 1: return FOREGROUND_GREEN | FOREGROUND_INTENSITY;                  // bright green
        case 2: return FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_INTENSITY; // yellow
        case 3: return FOREGROUND_RED | FOREGROUND_INTENSITY;                    // bright red
        default: return 0;
    }
}

}  // namespace

void WriteConsoleLine(int level, const std::string& line) {
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    const WORD attribute = AttributeOf(level);
    if (attribute != 0) SetConsoleTextAttribute(console, attribute);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    SetConsoleTextAttribute(console, kDefaultAttribute);
}

bool ToLocalTime(std::time_t seconds, std::tm& out) {
    return localtime_s(&out, &seconds) == 0;
}

}  // namespace tarsel
