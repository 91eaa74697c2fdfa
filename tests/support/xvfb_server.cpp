#include "support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#ifndef TARSEL_XVFB_PATH
#define TARSEL_XVFB_PATH "Xvfb"
#endif

namespace tarsel_test {

bool XvfbServer::Start(int width, int height) {
    Stop();
    int fds[2];
    if (pipe(fds) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    const pid_t pid = fork();
    if (pid < 0) {
        m_error = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        std::vector<std::string> args = {TARSEL_XVFB_PATH, "-displayfd", fd,       "-screen",
                                         "0",              screen,       "-nolisten", "tcp",
                                         "-noreset",       "-br"};
        // Extra server arguments, e.g. to run the tests without an extension.
        if (const char* extra = std::getenv("TARSEL_TEST_XVFB_ARGS")) {
            std::istringstream words(extra);
            for (std::string word; words >> word;) args.push_back(word);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    m_pid = pid;
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not report a display";
        Stop();
        return false;
    }
    m_display = ":" + number;
    return true;
}

void XvfbServer::Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void XvfbServer::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

}  // namespace tarsel_test
