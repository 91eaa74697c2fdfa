// What the Wine tests share: tarsel.dll loaded the way a host loads it, the
// log lines it delivers, and real Win32 windows of the test's own.
#ifndef TARSEL_TESTS_WINDOWS_WINDOWS_SUPPORT_H
#define TARSEL_TESTS_WINDOWS_WINDOWS_SUPPORT_H

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tarsel/tarsel.h"

namespace tarsel_windows_test {

using CreateFunction = ITarselService*(TARSEL_CALL*)();
using DestroyFunction = void(TARSEL_CALL*)(ITarselService*);

// tarsel.dll from the test program's folder, with its exports by name.
struct TarselDll {
    HMODULE module = nullptr;
    CreateFunction create = nullptr;
    DestroyFunction destroy = nullptr;

    // LoadLibraryW by name; false when the DLL or an export is missing.
    bool Load();
};

// The process-wide log callback's lines, level and message. The callback is
// the process's, so its sink is too: Sink() lives until the process ends.
class LogSink {
public:
    static void Callback(int level, const char* message, void* user);
    void Clear();
    std::vector<std::pair<int, std::string>> Lines();
    bool Contains(int level, const std::string& message);
    size_t CountStartingWith(const std::string& prefix);

    static LogSink& Sink();

private:
    std::mutex m_mutex;
    std::vector<std::pair<int, std::string>> m_lines;
};

// A visible top-level window whose client area is one colour, in front.
class TestWindow {
public:
    TestWindow(int clientWidth, int clientHeight, COLORREF colour);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return m_window; }
    void Fill(COLORREF colour);
    void Destroy();

private:
    HWND m_window = nullptr;
    HBRUSH m_brush = nullptr;
};

// Handles the pending messages of this thread's windows.
void PumpMessages();

// The hexadecimal handle text of the library's log lines.
std::string HandleText(HWND window);

// The folder of the test program, with a trailing backslash.
std::wstring ProgramFolder();

}  // namespace tarsel_windows_test

#endif  // TARSEL_TESTS_WINDOWS_WINDOWS_SUPPORT_H
