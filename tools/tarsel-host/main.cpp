// tarsel-host: a command-line host for libtarsel.so.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"

namespace {

const char kUsage[] =
    "usage: tarsel-host COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  demo        watch a built-in synthetic game on a private X server and show\n"
    "              what the library delivers (boss sequences, speech frames, a\n"
    "              screenshot, a fetched configuration)\n"
    "  watch       monitor a window of your own display with your model\n"
    "  screenshot  take one screenshot of a window\n"
    "\n"
    "tarsel-host COMMAND --help shows the options of each.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        if (command == "demo") return tarsel_host::RunDemo(args);
        if (command == "watch") return tarsel_host::RunWatch(args);
        if (command == "screenshot") return tarsel_host::RunScreenshot(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarsel-host: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "tarsel-host: unknown command \"%s\" (try --help)\n", command.c_str());
    return 2;
}
