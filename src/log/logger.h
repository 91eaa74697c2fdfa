// The process-wide logger: one console line per message, and the bare message
// to the host's log callback.
#ifndef TARSEL_LOG_LOGGER_H
#define TARSEL_LOG_LOGGER_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "tarsel/tarsel.h"

namespace tarsel {

template <typename T>
class NoDestructor;

enum LogLevel : int32_t { DEBUG = 0, INFO = 1, WARN = 2, ERROR = 3 };

class Logger {
public:
    // Built on first use; never torn down, so logging from a thread that
    // outlives static destruction stays safe.
    static Logger& GetInstance();

    void SetCallback(LogCallback callback, void* userData);

    // Any thread; never throws. The host callback is called outside every
    // lock of ours, and whatever it throws stays here.
    void Log(int level, const std::string& message) noexcept;

    // Lets callers skip composing messages that would not be written.
    bool IsEnabled(int level) const { return level >= m_minLevel; }

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    friend class NoDestructor<Logger>;
    Logger() = default;

    int32_t m_minLevel = INFO;
    // The callback pair is read and written as a whole.
    std::mutex m_callbackMutex;
    LogCallback m_callback = nullptr;
    void* m_userData = nullptr;
};

// "[HH:MM:SS.mmm][LEVEL] " for levels 0 to 3, empty for any other level.
std::string FormatLogPrefix(int level, std::chrono::system_clock::time_point when);

}  // namespace tarsel

#endif  // TARSEL_LOG_LOGGER_H
