// One service of the loaded library with the host's callbacks wired to a
// recorder, and the status line.
#ifndef TARSEL_HOST_HOST_SESSION_H
#define TARSEL_HOST_HOST_SESSION_H

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "library.h"
#include "recorder.h"
#include "tarsel/tarsel.h"

namespace tarsel_host {

class HostSession {
public:
    HostSession() = default;
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Loads the library (libPath, or libtarsel.so beside this program), makes
    // a service and registers the callbacks.
    bool Open(const std::string& libPath, Recorder& recorder, std::string& error);
    ITarselService& Service() { return *m_service; }

    // Whether the library has written a line starting with prefix; the first
    // such line in full.
    bool Saw(const std::string& prefix, std::string* line = nullptr) const;
    bool WaitFor(const std::string& prefix, std::chrono::milliseconds limit) const;
    // A screenshot now, saved as name; false with the library's message.
    bool Screenshot(int maxSize, const std::string& name, std::string& error);

    // A status line on a terminal (elapsed, class, boss state, deliveries and
    // frames received), redrawn until StopStatus.
    void StartStatus();
    void StopStatus();
    void Close();

private:
    static void OnLog(int level, const char* message, void* self);
    static void OnFrames(int classId, const char* json, void* self);

    Library m_library;
    ITarselService* m_service = nullptr;
    Recorder* m_recorder = nullptr;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::atomic<bool> m_statusOn{false};
    std::thread m_status;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace tarsel_host

#endif  // TARSEL_HOST_HOST_SESSION_H
