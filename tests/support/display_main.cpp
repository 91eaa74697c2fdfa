// main() of the display tests: they fail, not skip, without an X server.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/display_environment.h"

namespace tarsel_test {

XvfbServer& DisplayServer() {
    static XvfbServer server;
    return server;
}

bool RestartDisplayServer() {
    XvfbServer& server = DisplayServer();
    server.Stop();
    if (!server.Start()) return false;
    setenv("DISPLAY", server.Display().c_str(), 1);
    return true;
}

}  // namespace tarsel_test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!tarsel_test::RestartDisplayServer()) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", tarsel_test::DisplayServer().Error().c_str());
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    tarsel_test::DisplayServer().Stop();
    return result;
}
