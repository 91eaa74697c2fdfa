// The on-demand screenshot through the service, against real windows.
#include <gtest/gtest.h>

#include <stdexcept>

#include "service/tarsel_service.h"
#include "support/jpeg_decode.h"
#include "support/log_capture.h"
#include "support/test_window.h"

namespace {

using tarsel_test::LogCapture;
using tarsel_test::LogLine;
using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

struct Shot {
    int calls = 0;
    bool hasText = false;
    std::string base64;
    int width = -1;
    int height = -1;
    int code = 1;
    bool hasMessage = false;
    std::string message;
    void* userData = nullptr;

    static void On(const char* base64, int width, int height, int code, const char* message,
                   void* userData) {
        Shot* shot = static_cast<Shot*>(userData);
        ++shot->calls;
        shot->hasText = base64 != nullptr;
        shot->base64 = base64 != nullptr ? base64 : "";
        shot->width = width;
        shot->height = height;
        shot->code = code;
        shot->hasMessage = message != nullptr;
        shot->message = message != nullptr ? message : "";
        shot->userData = userData;
    }
};

void Throws(const char*, int, int, int, const char*, void*) {
    throw std::runtime_error("host failed");
}

class ScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_display.Ok()); }
    TestDisplay m_display;
    tarsel::TarselService m_service;
};

TEST_F(ScreenshotTest, FailuresReachTheCallbackWithTheirCodes) {
    TestWindow game(m_display, 10, 10, 80, 60, 0x0000FF);
    TestWindow other(m_display, 200, 10, 80, 60, 0xFF0000);
    struct Case {
        const char* name;
        int code;
        const char* message;
        LogLine line;
    };
    LogCapture capture;
    Shot shot;

    m_service.CaptureScreenAsync(0, &Shot::On, &shot);
    const auto uninitializedLines = capture.Lines();
    Case notInitialized{"not initialised", -1, "Service not initialized",
                        {3, "[TarselService] CaptureScreenAsync: not initialized"}};

    ASSERT_TRUE(m_service.Init(game.Handle()));
    other.Focus();
    capture.Clear();
    Shot background;
    m_service.CaptureScreenAsync(0, &Shot::On, &background);
    Case notForeground{"background", -4, "Window not foreground",
                       {2, "[TarselService] CaptureScreenAsync: window not foreground, skip"}};
    const auto backgroundLines = capture.Lines();

    game.Focus();
    game.Destroy();
    capture.Clear();
    Shot destroyed;
    m_service.CaptureScreenAsync(0, &Shot::On, &destroyed);
    Case invalid{"destroyed", -2, "Window not valid",
                 {3, "[TarselService] CaptureScreenAsync: window invalid"}};

    const std::pair<const Shot*, const Case*> results[] = {
        {&shot, &notInitialized}, {&background, &notForeground}, {&destroyed, &invalid}};
    for (const auto& [got, want] : results) {
        SCOPED_TRACE(want->name);
        EXPECT_EQ(got->calls, 1);
        EXPECT_FALSE(got->hasText);
        EXPECT_EQ(got->width, 0);
        EXPECT_EQ(got->height, 0);
        EXPECT_EQ(got->code, want->code);
        EXPECT_EQ(got->message, want->message);
        EXPECT_EQ(got->userData, got);
    }
    EXPECT_EQ(uninitializedLines, (std::vector<LogLine>{notInitialized.line}));
    EXPECT_EQ(backgroundLines, (std::vector<LogLine>{notForeground.line}));
    EXPECT_EQ(capture.Lines(), (std::vector<LogLine>{invalid.line}));
}

TEST_F(ScreenshotTest, NullCallbackOnlyLogs) {
    LogCapture capture;
    m_service.CaptureScreenAsync(100, nullptr, nullptr);
    EXPECT_EQ(capture.Lines(),
              (std::vector<LogLine>{{3, "[TarselService] CaptureScreenAsync: callback is null"}}));
}

TEST_F(ScreenshotTest, SuccessReportsTheCapturedSizeAndABoundedJpeg) {
    TestWindow game(m_display, 30, 40, 400, 300, 0xFF0000);
    ASSERT_TRUE(m_service.Init(game.Handle()));
    game.Focus();
    struct Case {
        int maxSize, jpegWidth, jpegHeight;
    } cases[] = {{0, 400, 300}, {-3, 400, 300}, {200, 200, 150}, {1000, 400, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxSize);
        LogCapture capture;
        Shot shot;
        m_service.CaptureScreenAsync(c.maxSize, &Shot::On, &shot);
        ASSERT_EQ(shot.calls, 1);
        EXPECT_EQ(shot.code, 0);
        EXPECT_FALSE(shot.hasMessage);
        EXPECT_EQ(shot.width, 400);
        EXPECT_EQ(shot.height, 300);
        const auto image = tarsel_test::DecodeJpeg(tarsel_test::Base64Decode(shot.base64));
        ASSERT_TRUE(image.ok);
        EXPECT_EQ(image.width, c.jpegWidth);
        EXPECT_EQ(image.height, c.jpegHeight);
        const uint32_t centre = image.At(image.width / 2, image.height / 2);
        EXPECT_GE(centre >> 16, 0xF0u);
        EXPECT_LE((centre >> 8) & 0xFF, 0x10u);
        EXPECT_LE(centre & 0xFF, 0x10u);
        // Success writes only DEBUG lines, which are never delivered.
        EXPECT_TRUE(capture.Lines().empty());
    }
}

TEST_F(ScreenshotTest, AThrowingCallbackIsLoggedAndSwallowed) {
    TestWindow game(m_display, 10, 10, 40, 30, 0x00FF00);
    ASSERT_TRUE(m_service.Init(game.Handle()));
    game.Focus();
    LogCapture capture;
    EXPECT_NO_THROW(m_service.CaptureScreenAsync(0, &Throws, nullptr));
    m_service.Shutdown();
    EXPECT_NO_THROW(m_service.CaptureScreenAsync(0, &Throws, nullptr));
    EXPECT_EQ(capture.Matching("[TarselService] CaptureScreenAsync: callback exception").size(), 2u);
}

}  // namespace
