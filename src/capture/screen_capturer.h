// Copies the bound window's client area from the screen into a frame of
// blue, green, red pixels. The copy is of what the screen shows there, so
// callers capture only while the window is in front.
#ifndef TARSEL_CAPTURE_SCREEN_CAPTURER_H
#define TARSEL_CAPTURE_SCREEN_CAPTURER_H

#include <memory>
#include <mutex>

#include "capture/captured_frame.h"
#include "capture/window_system.h"
#include "tarsel/tarsel.h"

namespace tarsel {

class ScreenCapturer {
public:
    ScreenCapturer() = default;
    // A copy is bound to the same window and keeps no grab of the original's.
    ScreenCapturer(const ScreenCapturer& other) : m_hWnd(other.m_hWnd), m_session(other.m_session) {}
    ScreenCapturer& operator=(const ScreenCapturer&) = delete;

    // Stores the handle without a check and logs whether it names a window.
    // Called once by Init, on the host's thread.
    void SetWindowHandle(HWND hWnd);

    // The empty frame on every failure. The worker and a host thread may
    // capture at the same time.
    CapturedFrame CaptureWindow() const;
    // CaptureWindow into a frame of the caller's, reusing its buffer; false
    // (and the frame emptied) on every failure.
    bool CaptureWindowInto(CapturedFrame& frame) const;

    HWND GetWindowHandle() const { return m_hWnd; }
    // The bound handle is not null and still names a window.
    bool IsWindowValid() const;
    // IsWindowValid, and the window is the foreground window.
    bool IsWindowForeground() const;

private:
    std::unique_ptr<window_system::ScreenGrab> TakeGrab() const;
    void ReturnGrab(std::unique_ptr<window_system::ScreenGrab> grab) const;

    HWND m_hWnd = nullptr;
    window_system::Session m_session = 0;
    // The last grab, kept for the next capture; a capture running meanwhile on
    // another thread makes a grab of its own.
    mutable std::mutex m_grabMutex;
    mutable std::unique_ptr<window_system::ScreenGrab> m_idleGrab;
};

// 4-channel blue, green, red, reserved pixels to 3-channel blue, green, red;
// the empty frame for anything else.
CapturedFrame ConvertBgraToBgr(const CapturedFrame& bgra);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_SCREEN_CAPTURER_H
