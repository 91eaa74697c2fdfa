#include "capture/screenshot.h"

#include <exception>
#include <sstream>
#include <string>

#include "capture/frame_ops.h"
#include "log/logger.h"
#include "util/host_call.h"

namespace tarsel {

namespace {

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

void LogWith(int level, const char* text, const std::string& value) {
    Logger::GetInstance().Log(level, std::string(text) + value);
}

// The outcome the host is told about; the call itself is made once, after
// every step, outside their exception handlers.
struct Outcome {
    std::string base64;
    int width = 0;
    int height = 0;
    int code = 0;
    std::string message;
};

Outcome Fail(int code, std::string message) {
    Outcome outcome;
    outcome.code = code;
    outcome.message = std::move(message);
    return outcome;
}

Outcome Produce(const ScreenCapturer* capturer, bool initialized, int maxSize) {
    if (!initialized || capturer == nullptr) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: not initialized");
        return Fail(-1, "Service not initialized");
    }
    if (!capturer->IsWindowValid()) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: window invalid");
        return Fail(-2, "Window not valid");
    }
    if (!capturer->IsWindowForeground()) {
        Log(WARN, "[TarselService] CaptureScreenAsync: window not foreground, skip");
        return Fail(-4, "Window not foreground");
    }
    const bool debug = Logger::GetInstance().IsEnabled(DEBUG);
    if (debug) LogWith(DEBUG, "[TarselService] CaptureScreenAsync: started, maxSize=", std::to_string(maxSize));

    CapturedFrame frame;
    try {
        frame = capturer->CaptureWindow();
    } catch (const std::exception& e) {
        LogWith(ERROR, "[TarselService] CaptureScreenAsync: CaptureWindow exception=", e.what());
        return Fail(-10, e.what());
    } catch (...) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: CaptureWindow unknown exception");
        return Fail(-12, "Unknown exception in CaptureWindow");
    }
    if (!frame.IsUsable()) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: empty frame");
        return Fail(-3, "Capture failed: empty frame");
    }
    if (!capturer->IsWindowForeground()) {
        Log(WARN, "[TarselService] CaptureScreenAsync: window lost foreground after capture, discard");
        return Fail(-5, "Window lost foreground");
    }

    Outcome outcome;
    outcome.width = frame.width;
    outcome.height = frame.height;
    if (maxSize > 0) {
        try {
            // A frame that fits is used as it is rather than copied.
            if (!FitsWithin(frame, maxSize)) frame = ResizeToFit(frame, maxSize);
        } catch (const std::exception& e) {
            LogWith(ERROR, "[TarselService] CaptureScreenAsync: compress exception=", e.what());
            return Fail(-20, e.what());
        }
        if (debug) {
            std::ostringstream text;
            text << "[TarselService] CaptureScreenAsync: compressed to " << frame.width << "x"
                 << frame.height;
            Log(DEBUG, text.str());
        }
    }
    try {
        outcome.base64 = EncodeJpegBase64(frame);
    } catch (const std::exception& e) {
        LogWith(ERROR, "[TarselService] CaptureScreenAsync: base64 exception=", e.what());
        return Fail(-30, e.what());
    }
    if (debug) {
        LogWith(DEBUG, "[TarselService] CaptureScreenAsync: base64 len=",
                std::to_string(outcome.base64.size()));
    }
    return outcome;
}

}  // namespace

void TakeScreenshot(const ScreenCapturer* capturer, bool initialized, int maxSize,
                    ScreenshotCallback callback, void* userData) {
    if (callback == nullptr) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: callback is null");
        return;
    }
    Outcome outcome;
    try {
        outcome = Produce(capturer, initialized, maxSize);
    } catch (const std::exception& e) {
        // Memory ran out outside the steps that catch their own failures: the
        // host is still told, once.
        outcome = Fail(-10, e.what());
    } catch (...) {
        outcome = Fail(-12, "Unknown exception in CaptureWindow");
    }
    const bool success = outcome.code == 0;
    try {
        CallHost(callback, success ? outcome.base64.c_str() : nullptr, outcome.width, outcome.height,
                 outcome.code, success ? nullptr : outcome.message.c_str(), userData);
    } catch (...) {
        Log(ERROR, "[TarselService] CaptureScreenAsync: callback exception");
        return;
    }
    if (success && Logger::GetInstance().IsEnabled(DEBUG)) {
        LogWith(DEBUG, "[TarselService] CaptureScreenAsync: screenshot sent, base64_len=",
                std::to_string(outcome.base64.size()));
    }
}

}  // namespace tarsel
