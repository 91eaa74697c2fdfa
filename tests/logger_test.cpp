#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <stdexcept>

#include "log/logger.h"
#include "support/log_capture.h"

namespace {

using tarsel::FormatLogPrefix;
using tarsel::Logger;
using tarsel_test::LogCapture;
using tarsel_test::LogLine;

// Redirects standard output into a temporary file for the lifetime of the
// object and hands back what was written.
class StdoutCapture {
public:
    StdoutCapture() {
        std::fflush(stdout);
        m_file = std::tmpfile();
        m_saved = dup(fileno(stdout));
        dup2(fileno(m_file), fileno(stdout));
    }
    ~StdoutCapture() { Restore(); }
    std::string Take() {
        Restore();
        std::string text;
        std::rewind(m_file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) text.append(buffer, n);
        return text;
    }

private:
    void Restore() {
        if (m_saved < 0) return;
        std::fflush(stdout);
        dup2(m_saved, fileno(stdout));
        close(m_saved);
        m_saved = -1;
    }
    std::FILE* m_file = nullptr;
    int m_saved = -1;
};

std::chrono::system_clock::time_point LocalTimePoint(int hour, int minute, int second, int millis) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 15;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) +
           std::chrono::milliseconds(millis);
}

// "[HH:MM:SS.mmm" followed by rest.
bool HasStamp(const std::string& line, const std::string& rest) {
    const std::string shape = "[00:00:00.000";
    if (line.size() != shape.size() + rest.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = shape[i] == '0';
        if (digit ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i]) {
            return false;
        }
    }
    return line.compare(shape.size(), std::string::npos, rest) == 0;
}

TEST(LoggerFormat, PrefixHasLocalTimeAndLevelTag) {
    const auto when = LocalTimePoint(9, 5, 7, 42);
    struct Case {
        int level;
        const char* expected;
    } cases[] = {
        {0, "[09:05:07.042][DEBUG] "}, {1, "[09:05:07.042][INFO] "},
        {2, "[09:05:07.042][WARN] "},  {3, "[09:05:07.042][ERROR] "},
        {4, ""},                       {-1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLogPrefix(c.level, when), c.expected) << "level " << c.level;
    }
    EXPECT_EQ(FormatLogPrefix(1, LocalTimePoint(23, 59, 59, 7)), "[23:59:59.007][INFO] ");
    EXPECT_EQ(FormatLogPrefix(1, LocalTimePoint(0, 0, 0, 999)), "[00:00:00.999][INFO] ");
}

TEST(LoggerConsole, WritesOneLinePerMessageAndFiltersDebug) {
    StdoutCapture out;
    Logger& logger = Logger::GetInstance();
    logger.Log(0, "[Test] debug is never written");
    logger.Log(1, "[Test] 信息 info");
    logger.Log(2, "[Test] warn");
    logger.Log(3, "[Test] error");
    logger.Log(4, "[Test] level four");
    logger.Log(1, "");
    const std::string text = out.Take();
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_TRUE(HasStamp(lines[0], "][INFO] [Test] 信息 info")) << lines[0];
    EXPECT_TRUE(HasStamp(lines[1], "][WARN] [Test] warn")) << lines[1];
    EXPECT_TRUE(HasStamp(lines[2], "][ERROR] [Test] error")) << lines[2];
    EXPECT_EQ(lines[3], "[Test] level four");
    EXPECT_TRUE(HasStamp(lines[4], "][INFO] ")) << lines[4];
    // Not a terminal: no colour escapes.
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST(LoggerCallback, ReceivesBareMessagesAtOrAboveInfo) {
    LogCapture capture;
    Logger& logger = Logger::GetInstance();
    logger.Log(0, "[Test] debug");
    logger.Log(1, "[Test] info");
    logger.Log(4, "[Test] four");
    logger.Log(3, "");
    const std::vector<LogLine> expected = {{1, "[Test] info"}, {4, "[Test] four"}, {3, ""}};
    EXPECT_EQ(capture.Lines(), expected);
}

TEST(LoggerCallback, NullCallbackSwitchesItOff) {
    LogCapture capture;
    Logger::GetInstance().Log(1, "[Test] before");
    Logger::GetInstance().SetCallback(nullptr, nullptr);
    Logger::GetInstance().Log(1, "[Test] after");
    EXPECT_EQ(capture.Messages(), std::vector<std::string>{"[Test] before"});
}

void Throwing(int, const char*, void*) {
    throw std::runtime_error("host callback failed");
}
void ThrowingUnknown(int, const char*, void*) {
    throw 42;
}

TEST(LoggerCallback, ThrowingCallbackNeverReachesTheCaller) {
    StdoutCapture out;
    for (LogCallback callback : {&Throwing, &ThrowingUnknown}) {
        Logger::GetInstance().SetCallback(callback, nullptr);
        EXPECT_NO_THROW(Logger::GetInstance().Log(1, "[Test] still logged"));
    }
    Logger::GetInstance().SetCallback(nullptr, nullptr);
    EXPECT_NE(out.Take().find("[Test] still logged"), std::string::npos);
}

}  // namespace
