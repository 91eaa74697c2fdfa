// The window manager on Windows: user32's own calls. Handles are global, so
// there is no session.
#include <windows.h>

#include "capture/window_system.h"

namespace tarsel {
namespace window_system {

namespace {

using SetContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

}  // namespace

Session CurrentSession() {
    return 0;
}

bool IsWindow(HWND window, Session) {
    return ::IsWindow(window) != FALSE;
}

HWND GetForegroundWindow(Session) {
    return ::GetForegroundWindow();
}

bool GetClientRect(HWND window, Session, int32_t& width, int32_t& height, unsigned long& error) {
    RECT rect{};
    if (!::GetClientRect(window, &rect)) {
        error = ::GetLastError();
        return false;
    }
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
}

void ClientToScreen(HWND window, Session, int32_t& x, int32_t& y) {
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);  // unchecked: (0, 0) stays on failure
    x = origin.x;
    y = origin.y;
}

DpiAwarenessScope::DpiAwarenessScope() {
    // Only looked up among loaded modules: user32 is, since this library imports it.
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return;
    FARPROC address = ::GetProcAddress(user32, "SetThreadDpiAwarenessContext");
    if (address == nullptr) return;
    m_function = reinterpret_cast<void*>(address);
    auto set = reinterpret_cast<SetContextFunction>(m_function);
    DPI_AWARENESS_CONTEXT previous = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (previous == nullptr) previous = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    m_previous = previous;
}

DpiAwarenessScope::~DpiAwarenessScope() {
    if (m_function == nullptr || m_previous == nullptr) return;
    auto set = reinterpret_cast<SetContextFunction>(m_function);
    set(static_cast<DPI_AWARENESS_CONTEXT>(m_previous));
}

}  // namespace window_system
}  // namespace tarsel
