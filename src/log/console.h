// Platform seam of the logger: the console and the local clock.
#ifndef TARSEL_LOG_CONSOLE_H
#define TARSEL_LOG_CONSOLE_H

#include <ctime>
#include <string>

namespace tarsel {

// Writes one finished line (line end included) to standard output and flushes,
// coloured by level (0 to 3) where the console shows colour. Any other level is
// written without colour. Failures are ignored: a process without a console
// still logs to its callback.
void WriteConsoleLine(int level, const std::string& line);

// Local calendar time of a count of seconds since 1970; false on failure.
bool ToLocalTime(std::time_t seconds, std::tm& out);

}  // namespace tarsel

#endif  // TARSEL_LOG_CONSOLE_H
