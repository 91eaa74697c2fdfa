#include "windows_support.h"

#include <cstdio>

namespace tarsel_windows_test {

bool TarselDll::Load() {
    module = ::LoadLibraryW(L"tarsel.dll");
    if (module == nullptr) return false;
    create = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateTarselService")));
    destroy = reinterpret_cast<DestroyFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DestroyTarselService")));
    return create != nullptr && destroy != nullptr;
}

void LogSink::Callback(int level, const char* message, void* user) {
    auto* sink = static_cast<LogSink*>(user);
    std::lock_guard<std::mutex> lock(sink->m_mutex);
    sink->m_lines.emplace_back(level, message);
}

LogSink& LogSink::Sink() {
    static LogSink* sink = new LogSink();
    return *sink;
}

void LogSink::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

std::vector<std::pair<int, std::string>> LogSink::Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool LogSink::Contains(int level, const std::string& message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& line : m_lines) {
        if (line.first == level && line.second == message) return true;
    }
    return false;
}

size_t LogSink::CountStartingWith(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t count = 0;
    for (const auto& line : m_lines) count += line.second.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

namespace {

const wchar_t kClassName[] = L"TarselTestWindow";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &WindowProcedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        return ::RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

TestWindow::TestWindow(int clientWidth, int clientHeight, COLORREF colour) {
    RegisterClassOnce();
    RECT frame{0, 0, clientWidth, clientHeight};
    const DWORD style = WS_POPUP | WS_VISIBLE;
    ::AdjustWindowRect(&frame, style, FALSE);
    m_window = ::CreateWindowExW(WS_EX_TOPMOST, kClassName, L"tarsel test", style, 0, 0,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    Fill(colour);
    ::SetForegroundWindow(m_window);
    PumpMessages();
}

TestWindow::~TestWindow() {
    Destroy();
}

void TestWindow::Fill(COLORREF colour) {
    if (m_window == nullptr) return;
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::SetClassLongPtrW(m_window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
    if (m_brush != nullptr) ::DeleteObject(m_brush);
    m_brush = brush;
    ::InvalidateRect(m_window, nullptr, TRUE);
    ::UpdateWindow(m_window);
    PumpMessages();
    ::GdiFlush();
}

void TestWindow::Destroy() {
    if (m_window != nullptr) ::DestroyWindow(m_window);
    m_window = nullptr;
    PumpMessages();
    if (m_brush != nullptr) ::DeleteObject(m_brush);
    m_brush = nullptr;
}

void PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::string HandleText(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

}  // namespace tarsel_windows_test
