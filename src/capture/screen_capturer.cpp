#include "capture/screen_capturer.h"

#include <sstream>

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
        return CapturedFrame();
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
        return CapturedFrame();
    }
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: size=" << width << "x" << height;
        LogLine(DEBUG, text);
    }
    if (width < 1 || height < 1) {
        LogText(ERROR, "[ScreenCapturer] CaptureWindow: invalid dimensions");
        return CapturedFrame();
    }

    int32_t x = 0;
    int32_t y = 0;
    window_system::ClientToScreen(m_hWnd, m_session, x, y);

    std::unique_ptr<window_system::ScreenGrab> grab = window_system::OpenScreen(m_session);
    if (!grab) {
        LogText(ERROR, "[ScreenCapturer] CaptureWindow: GetDC failed");
        return CapturedFrame();
    }
    if (!grab->CreateTarget(width, height)) return CapturedFrame();

    const int copied = grab->Copy(x, y);
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: BitBlt result=" << copied;
        LogLine(DEBUG, text);
    }

    CapturedFrame bgra;
    bgra.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4u, 0);
    bgra.width = width;
    bgra.height = height;
    bgra.channels = 4;
    const int rows = grab->ReadRows(bgra.pixels.data());
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: GetDIBits result=" << rows;
        LogLine(DEBUG, text);
    }
    grab.reset();

    CapturedFrame bgr = ConvertBgraToBgr(bgra);
    if (debug) {
        std::ostringstream text;
        text << "[ScreenCapturer] CaptureWindow: done, " << bgr.width << "x" << bgr.height;
        LogLine(DEBUG, text);
    }
    return bgr;
}

CapturedFrame ConvertBgraToBgr(const CapturedFrame& bgra) {
    if (bgra.pixels.empty() || bgra.width <= 0 || bgra.height <= 0 || bgra.channels != 4) {
        return CapturedFrame();
    }
    const size_t count = static_cast<size_t>(bgra.width) * static_cast<size_t>(bgra.height);
    if (bgra.pixels.size() < count * 4u) return CapturedFrame();
    CapturedFrame bgr;
    bgr.pixels.resize(count * 3u);
    const uint8_t* in = bgra.pixels.data();
    uint8_t* out = bgr.pixels.data();
    for (size_t i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
    bgr.width = bgra.width;
    bgr.height = bgra.height;
    bgr.channels = 3;
    return bgr;
}

}  // namespace tarsel
