#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tarsel_tools {

bool ChildProcess::Start(const std::vector<std::string>& argv, int timeoutSeconds,
                         std::string& readyLine, std::string& error) {
    Stop();
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& arg : args) raw.push_back(&arg[0]);
    raw.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDERR_FILENO);
        execvp(raw[0], raw.data());
        _exit(127);
    }
    close(fds[1]);
    m_pid = pid;
    m_output = fds[0];
    readyLine.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{m_output, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(m_output, &c, 1) != 1) break;
        if (c == '\n') return true;
        readyLine += c;
    }
    error = "no ready line from " + argv[0];
    Stop();
    return false;
}

void ChildProcess::Signal(int signal) {
    if (m_pid <= 0) return;
    kill(m_pid, signal);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    if (m_output >= 0) close(m_output);
    m_output = -1;
}

void ChildProcess::Kill() {
    Signal(SIGKILL);
}

void ChildProcess::Stop() {
    Signal(SIGTERM);
}

}  // namespace tarsel_tools
