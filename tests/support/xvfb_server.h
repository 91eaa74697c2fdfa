// A real X server for the display tests: Xvfb on a display it picks itself.
#ifndef TARSEL_TESTS_XVFB_SERVER_H
#define TARSEL_TESTS_XVFB_SERVER_H

#include <sys/types.h>

#include <string>

namespace tarsel_test {

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { Stop(); }

    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb with one screen of the given size and 24-bit colour; false
    // (with the reason in Error()) when it cannot be started.
    bool Start(int width = 1280, int height = 800);
    // SIGKILL, as a crash of the server would look to its clients.
    void Kill();
    void Stop();

    const std::string& Display() const { return m_display; }
    const std::string& Error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_XVFB_SERVER_H
