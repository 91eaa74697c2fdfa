// Console colour through ANSI escapes. Like a console text attribute, colour is
// only shown on a terminal, so a redirected stream gets plain text.
#include <unistd.h>

#include <cstdio>

#include "log/console.h"
#include "util/posix/sigpipe_guard.h"

namespace tarsel {

namespace {

const char* ColourOf(int level) {
    switch (level) {
        case 0: return "\x1b[90m";  // dark grey
        case 1: return "\x1b[92m";  // bright green
        case 2: return "\x1b[93m";  // yellow
        case 3: return "\x1b[91m";  // bright red
        default: return nullptr;
    }
}

}  // namespace

void WriteConsoleLine(int level, const std::string& line) {
    ScopedSigpipeGuard guard;  // standard output may be a pipe nobody reads
    const char* colour = ColourOf(level);
    if (colour != nullptr && isatty(fileno(stdout)) == 1) {
        std::string coloured;
        coloured.reserve(line.size() + 16);
        coloured += colour;
        // Reset before the line end so the next line starts in the default colour.
        coloured.append(line, 0, line.empty() ? 0 : line.size() - 1);
        coloured += "\x1b[0m\n";
        std::fwrite(coloured.data(), 1, coloured.size(), stdout);
    } else {
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
}

bool ToLocalTime(std::time_t seconds, std::tm& out) {
    return localtime_r(&seconds, &out) != nullptr;
}

}  // namespace tarsel
