#include "capture/screen_capturer.h"

#include <sstream>

#include "capture/pixel_rows.h"
#include "log/handle_text.h"
#include "log/logger.h"

namespace tarsel {

namespace {

void LogLine(int level, const std::ostringstream& text) {
    Logger::GetInstance().Log(level, text.str());
}

void LogText(int level, const char* text) {
    Logger::GetInstance().Log(level, text);
}

bool Fail(CapturedFrame& frame) {
    frame.pixels.clear();
    return false;
}

bool DebugOn() {
    return Logger::GetInstance().IsEnabled(DEBUG);
}

}  // namespace

void ScreenCapturer::SetWindowHandle(HWND hWnd) {
    m_hWnd = hWnd;
    m_session = window_system::CurrentSession();
    std::ostringstream text;
    text << "[ScreenCapturer] SetWindowHandle: hWnd=" << HandleText(hWnd)
         << ", IsWindow=" << (IsWindowValid() ? 1 : 0);
    LogLine(INFO, text);
}

bool ScreenCapturer::IsWindowValid() const {
    return m_hWnd != nullptr && window_system::IsWindow(m_hWnd, m_session);
}

bool ScreenCapturer::IsWindowForeground() const {
    return IsWindowValid() && window_system::GetForegroundWindow(m_session) == m_hWnd;
}

CapturedFrame ScreenCapturer::CaptureWindow() const {
    CapturedFrame frame;
    CaptureWindowInto(frame);
    return frame;
}

std::unique_ptr<window_system::ScreenGrab> ScreenCapturer::TakeGrab() const {
    std::unique_ptr<window_system::ScreenGrab> idle;
    {
        std::lock_guard<std::mutex> lock(m_grabMutex);
        idle = std::move(m_idleGrab);
    }
    return window_system::OpenScreen(m_session, std::move(idle));
}

void ScreenCapturer::ReturnGrab(std::unique_ptr<window_system::ScreenGrab> grab) const {
    std::unique_ptr<window_system::ScreenGrab> spare;  // released after the lock
    std::lock_guard<std::mutex> lock(m_grabMutex);
    spare = std::move(m_idleGrab);
    m_idleGrab = std::move(grab);
}

bool ScreenCapturer::CaptureWindowInto(CapturedFrame& frame) const {
    // The pixels keep their size until the new one is known: growing a vector
    // from empty would clear every byte first.
    frame.width = 0;
    frame.height = 0;
    frame.channels = 0;
    // DEBUG lines are never written at the fixed minimum level; composing them
    // only when enabled keeps string work off every frame.
    const bool debug = DebugOn();
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: enter, m_hWnd=" << HandleText(m_hWnd);
        LogLine(DEBUG, text);
    }
    if (!IsWindowValid()) {
        LogText(ERROR, "[ScreenCapturer] CaptureWindow: invalid window handle");
        return Fail(frame);
    }

    window_system::DpiAwarenessScope dpiScope;
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: thread DPI awareness active="
             << (dpiScope.Active() ? 1 : 0);
        LogLine(DEBUG, text);
    }

    int32_t width = 0;
    int32_t height = 0;
    unsigned long error = 0;
    if (!window_system::GetClientRect(m_hWnd, m_session, width, height, error)) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: GetClientRect failed, err=" << error;
        LogLine(ERROR, text);
        return Fail(frame);
    }
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: size=" << width << "x" << height;
        LogLine(DEBUG, text);
    }
    if (width < 1 || height < 1) {
        LogText(ERROR, "[ScreenCapturer] CaptureWindow: invalid dimensions");
        return Fail(frame);
    }

    int32_t x = 0;
    int32_t y = 0;
    window_system::ClientToScreen(m_hWnd, m_session, x, y);

    std::unique_ptr<window_system::ScreenGrab> grab = TakeGrab();
    if (!grab) {
        LogText(ERROR, "[ScreenCapturer] CaptureWindow: GetDC failed");
        return Fail(frame);
    }
    if (!grab->CreateTarget(width, height)) return Fail(frame);

    const int copied = grab->Copy(x, y);
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: BitBlt result=" << copied;
        LogLine(DEBUG, text);
    }

    // Every row is written by the grab, so the buffer is only resized, not
    // cleared; its capacity is kept from the caller's previous frame.
    frame.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3u);
    const int rows = grab->ReadRows(frame.pixels.data());
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: GetDIBits result=" << rows;
        LogLine(DEBUG, text);
    }
    ReturnGrab(std::move(grab));
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: done, " << frame.width << "x" << frame.height;
        LogLine(DEBUG, text);
    }
    return true;
}

CapturedFrame ConvertBgraToBgr(const CapturedFrame& bgra) {
    if (bgra.pixels.empty() || bgra.width <= 0 || bgra.height <= 0 || bgra.channels != 4) {
        return CapturedFrame();
    }
    const size_t count = static_cast<size_t>(bgra.width) * static_cast<size_t>(bgra.height);
    if (bgra.pixels.size() < count * 4u) return CapturedFrame();
    CapturedFrame bgr;
    bgr.pixels.resize(count * 3u);
    ConvertBgrxToBgr(bgra.pixels.data(), bgr.pixels.data(), count);
    bgr.width = bgra.width;
    bgr.height = bgra.height;
    bgr.channels = 3;
    return bgr;
}

}  // namespace tarsel
