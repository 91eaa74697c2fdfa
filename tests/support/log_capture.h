// The tests' eye on the logger: records every line delivered to the host log
// callback while it is installed.
#ifndef TARSEL_TESTS_LOG_CAPTURE_H
#define TARSEL_TESTS_LOG_CAPTURE_H

#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "log/logger.h"

namespace tarsel_test {

struct LogLine {
    int level;
    std::string message;
    bool operator==(const LogLine& other) const {
        return level == other.level && message == other.message;
    }
};

inline std::ostream& operator<<(std::ostream& out, const LogLine& line) {
    return out << "{" << line.level << ", \"" << line.message << "\"}";
}

class LogCapture {
public:
    LogCapture() { tarsel::Logger::GetInstance().SetCallback(&LogCapture::OnLog, this); }
    ~LogCapture() { tarsel::Logger::GetInstance().SetCallback(nullptr, nullptr); }

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogLine> Lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const LogLine& line : Lines()) out.push_back(line.message);
        return out;
    }
    // Lines that start with the given text.
    std::vector<LogLine> Matching(const std::string& prefix) const {
        std::vector<LogLine> out;
        for (const LogLine& line : Lines()) {
            if (line.message.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        }
        return out;
    }
    bool Contains(const std::string& prefix) const { return !Matching(prefix).empty(); }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

    static void OnLog(int level, const char* message, void* self) {
        auto* capture = static_cast<LogCapture*>(self);
        std::lock_guard<std::mutex> lock(capture->m_mutex);
        capture->m_lines.push_back(LogLine{level, message});
    }

private:
    mutable std::mutex m_mutex;
    std::vector<LogLine> m_lines;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_LOG_CAPTURE_H
