// A real X server for the display tests: Xvfb on a display it picks itself.
#ifndef TARSEL_TESTS_XVFB_SERVER_H
#define TARSEL_TESTS_XVFB_SERVER_H

#include <string>

#include "child_process.h"

namespace tarsel_test {

class XvfbServer {
public:
    // One screen of the given size with 24-bit colour; false (with the reason
    // in Error()) when it cannot start. TARSEL_TEST_XVFB_ARGS adds arguments,
    // e.g. to run without an extension.
    bool Start(int width = 1280, int height = 800);
    void Kill() { m_process.Kill(); }
    void Stop() { m_process.Stop(); }

    const std::string& Display() const { return m_display; }
    const std::string& Error() const { return m_error; }

private:
    tarsel_tools::ChildProcess m_process;
    std::string m_display;
    std::string m_error;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_XVFB_SERVER_H
