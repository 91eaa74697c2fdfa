// The subcommands of tarsel-host.
#ifndef TARSEL_HOST_COMMANDS_H
#define TARSEL_HOST_COMMANDS_H

#include <string>
#include <vector>

namespace tarsel_host {

// Each returns the process's exit status; errors are one line on stderr.
int RunDemo(const std::vector<std::string>& args);
int RunWatch(const std::vector<std::string>& args);
int RunScreenshot(const std::vector<std::string>& args);

}  // namespace tarsel_host

#endif  // TARSEL_HOST_COMMANDS_H
