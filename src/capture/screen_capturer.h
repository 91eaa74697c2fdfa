// Copies the bound window's client area from the screen into a frame of
// blue, green, red pixels. The copy is of what the screen shows there, so
// callers capture only while the window is in front.
#ifndef TARSEL_CAPTURE_SCREEN_CAPTURER_H
#define TARSEL_CAPTURE_SCREEN_CAPTURER_H

#include "capture/captured_frame.h"
#include "capture/window_system.h"
#include "tarsel/tarsel.h"

namespace tarsel {

class ScreenCapturer {
public:
    ScreenCapturer() = default;

    // Stores the handle without a check and logs whether it names a window.
    // Called once by Init, on the host's thread.
    void SetWindowHandle(HWND hWnd);

    // The empty frame on every failure. No lock: the worker and a host thread
    // may capture at the same time.
    CapturedFrame CaptureWindow() const;

    HWND GetWindowHandle() const { return m_hWnd; }
    // The bound handle is not null and still names a window.
    bool IsWindowValid() const;
    // IsWindowValid, and the window is the foreground window.
    bool IsWindowForeground() const;

private:
    HWND m_hWnd = nullptr;
    window_system::Session m_session = 0;
};

// 4-channel blue, green, red, reserved pixels to 3-channel blue, green, red;
// the empty frame for anything else.
CapturedFrame ConvertBgraToBgr(const CapturedFrame& bgra);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_SCREEN_CAPTURER_H
