// A helper process of the tests and tools (an X server, a configuration
// server) whose first line on standard output says it is ready.
#ifndef TARSEL_TOOLS_CHILD_PROCESS_H
#define TARSEL_TOOLS_CHILD_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarsel_tools {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (searched on PATH) with standard error discarded and waits
    // up to timeoutSeconds for its first line of output, returned in readyLine.
    bool Start(const std::vector<std::string>& argv, int timeoutSeconds, std::string& readyLine,
               std::string& error);
    void Kill();  // SIGKILL, as a crash would look
    void Stop();  // SIGTERM, then reaped
    bool Running() const { return m_pid > 0; }

private:
    void Signal(int signal);
    pid_t m_pid = -1;
    int m_output = -1;
};

}  // namespace tarsel_tools

#endif  // TARSEL_TOOLS_CHILD_PROCESS_H
