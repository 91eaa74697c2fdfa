#include "log/logger.h"

#include <cstdio>
#include <ctime>

#include "log/console.h"
#include "util/host_call.h"
#include "util/no_destructor.h"

namespace tarsel {

namespace {

const char* LevelTag(int level) {
    switch (level) {
        case DEBUG: return "][DEBUG] ";
        case INFO: return "][INFO] ";
        case WARN: return "][WARN] ";
        case ERROR: return "][ERROR] ";
        default: return nullptr;
    }
}

}  // namespace

Logger& Logger::GetInstance() {
    // Never destroyed: no exit-time destructor runs at unload, whatever the
    // platform's mutex needs (a trivial one on Linux, not with winpthreads).
    static NoDestructor<Logger> instance;
    return *instance;
}

void Logger::SetCallback(LogCallback callback, void* userData) {
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_callback = callback;
    m_userData = userData;
}

std::string FormatLogPrefix(int level, std::chrono::system_clock::time_point when) {
    const char* tag = LevelTag(level);
    if (tag == nullptr) return std::string();
    using namespace std::chrono;
    // Floor division keeps times before 1970 on the right second.
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch()).count();
    long long seconds = sinceEpoch / 1000;
    long long millis = sinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    std::tm local{};
    char clock[16] = "00:00:00";
    if (ToLocalTime(static_cast<std::time_t>(seconds), local)) {
        std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    }
    char text[48];
    std::snprintf(text, sizeof text, "[%s.%03lld%s", clock, millis, tag);
    return text;
}

void Logger::Log(int level, const std::string& message) noexcept {
    if (level < m_minLevel) return;
    try {
        // One write per line keeps lines of different threads from interleaving.
        std::string line = FormatLogPrefix(level, std::chrono::system_clock::now());
        line.reserve(line.size() + message.size() + 1);
        line += message;
        line += '\n';
        WriteConsoleLine(level, line);
    } catch (...) {
        // Out of memory for the line: the console misses it, the callback not.
    }
    try {
        LogCallback callback;
        void* userData;
        {
            std::lock_guard<std::mutex> lock(m_callbackMutex);
            callback = m_callback;
            userData = m_userData;
        }
        if (callback != nullptr) CallHost(callback, level, message.c_str(), userData);
    } catch (...) {
        // A throwing host callback must not unwind into whoever logged.
    }
}

}  // namespace tarsel
