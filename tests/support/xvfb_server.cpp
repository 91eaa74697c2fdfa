#include "support/xvfb_server.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#ifndef TARSEL_XVFB_PATH
#define TARSEL_XVFB_PATH "Xvfb"
#endif

namespace tarsel_test {

bool XvfbServer::Start(int width, int height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -displayfd 1: the server writes the display number it chose on stdout.
    std::vector<std::string> args = {TARSEL_XVFB_PATH, "-displayfd", "1", "-screen", "0", screen,
                                     "-nolisten",      "tcp",        "-noreset", "-br"};
    if (const char* extra = std::getenv("TARSEL_TEST_XVFB_ARGS")) {
        std::istringstream words(extra);
        for (std::string word; words >> word;) args.push_back(word);
    }
    std::string number;
    if (!m_process.Start(args, 20, number, m_error) || number.empty()) return false;
    m_display = ":" + number;
    return true;
}

}  // namespace tarsel_test
