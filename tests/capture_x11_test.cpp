// The window capturer and the window-manager queries against a real X server.
#include <gtest/gtest.h>

#include <utility>

#include "capture/pixel_rows.h"
#include "capture/screen_capturer.h"
#include "service/tarsel_service.h"
#include "support/display_environment.h"
#include "support/log_capture.h"
#include "support/test_window.h"

namespace {

using tarsel::CapturedFrame;
using tarsel::ScreenCapturer;
using tarsel_test::LogCapture;
using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kSample = 0x123456;

// The B, G, R bytes of a pixel of a captured frame.
uint32_t RgbAt(const CapturedFrame& frame, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * frame.width + x) * 3;
    return (uint32_t{frame.pixels[i + 2]} << 16) | (uint32_t{frame.pixels[i + 1]} << 8) |
           frame.pixels[i];
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_display.Ok()); }
    ScreenCapturer Bind(const TestWindow& window) {
        ScreenCapturer capturer;
        capturer.SetWindowHandle(window.Handle());
        return capturer;
    }
    TestDisplay m_display;
};

TEST_F(CaptureTest, ForegroundFollowsTheFocus) {
    TestWindow game(m_display, 10, 10, 100, 80, kBlue);
    TestWindow other(m_display, 300, 10, 100, 80, kRed);
    ScreenCapturer capturer = Bind(game);
    ASSERT_TRUE(capturer.IsWindowValid());

    game.Focus();
    EXPECT_TRUE(capturer.IsWindowForeground());
    other.Focus();
    EXPECT_FALSE(capturer.IsWindowForeground());
    m_display.FocusNone();
    EXPECT_FALSE(capturer.IsWindowForeground());
    m_display.FocusPointerRoot();
    EXPECT_FALSE(capturer.IsWindowForeground());

    // Focus on a child resolves to its top-level window.
    TestWindow child(m_display, 5, 5, 20, 20, kGreen, game.Id());
    child.Focus();
    EXPECT_TRUE(capturer.IsWindowForeground());

    // A window manager's _NET_ACTIVE_WINDOW wins over the input focus.
    m_display.SetActiveWindowProperty(other.Id());
    EXPECT_FALSE(capturer.IsWindowForeground());
    m_display.SetActiveWindowProperty(game.Id());
    other.Focus();
    EXPECT_TRUE(capturer.IsWindowForeground());
    m_display.SetActiveWindowProperty(0);

    game.Focus();
    game.Destroy();
    EXPECT_FALSE(capturer.IsWindowValid());
    EXPECT_FALSE(capturer.IsWindowForeground());
}

TEST_F(CaptureTest, FocusResolvesToTheWindowCarryingWmState) {
    // A window manager's frame around the game's client window.
    TestWindow frame(m_display, 20, 20, 200, 160, kRed);
    TestWindow client(m_display, 0, 20, 200, 140, kBlue, frame.Id());
    client.SetWmState();
    TestWindow button(m_display, 4, 4, 10, 10, kGreen, client.Id());
    ScreenCapturer capturer = Bind(client);
    button.Focus();
    EXPECT_TRUE(capturer.IsWindowForeground());
}

TEST_F(CaptureTest, CapturesTheClientAreaAsBlueGreenRed) {
    TestWindow game(m_display, 40, 30, 64, 48, kSample);
    ScreenCapturer capturer = Bind(game);
    const CapturedFrame frame = capturer.CaptureWindow();
    ASSERT_EQ(frame.width, 64);
    ASSERT_EQ(frame.height, 48);
    ASSERT_EQ(frame.channels, 3);
    ASSERT_EQ(frame.pixels.size(), 64u * 48u * 3u);
    EXPECT_EQ(frame.pixels[0], 0x56);  // blue first
    EXPECT_EQ(frame.pixels[1], 0x34);
    EXPECT_EQ(frame.pixels[2], 0x12);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) ASSERT_EQ(RgbAt(frame, x, y), kSample) << x << "," << y;
    }
}

TEST_F(CaptureTest, ACoveringWindowIsPartOfThePicture) {
    TestWindow game(m_display, 100, 100, 200, 150, kBlue);
    TestWindow cover(m_display, 150, 120, 50, 40, kRed);
    const CapturedFrame frame = Bind(game).CaptureWindow();
    ASSERT_EQ(frame.width, 200);
    EXPECT_EQ(RgbAt(frame, 0, 0), kBlue);
    EXPECT_EQ(RgbAt(frame, 50, 20), kRed);
    EXPECT_EQ(RgbAt(frame, 99, 59), kRed);
    EXPECT_EQ(RgbAt(frame, 100, 60), kBlue);
}

TEST_F(CaptureTest, ThePartOffTheScreenIsBlack) {
    // The screen is 1280 x 800.
    TestWindow left(m_display, -30, 700, 80, 60, kGreen);
    const CapturedFrame a = Bind(left).CaptureWindow();
    ASSERT_EQ(a.width, 80);
    ASSERT_EQ(a.height, 60);
    EXPECT_EQ(RgbAt(a, 29, 10), 0u);
    EXPECT_EQ(RgbAt(a, 30, 10), kGreen);
    TestWindow corner(m_display, 1250, 780, 60, 50, kGreen);
    const CapturedFrame b = Bind(corner).CaptureWindow();
    ASSERT_EQ(b.width, 60);
    EXPECT_EQ(RgbAt(b, 29, 19), kGreen);
    EXPECT_EQ(RgbAt(b, 30, 19), 0u);
    EXPECT_EQ(RgbAt(b, 29, 20), 0u);
    TestWindow gone(m_display, 2000, 2000, 10, 10, kGreen);
    const CapturedFrame c = Bind(gone).CaptureWindow();
    ASSERT_EQ(c.width, 10);
    EXPECT_EQ(RgbAt(c, 5, 5), 0u);
}

// One capturer, one frame: the grab and the frame's buffer are reused from
// capture to capture while the window moves off the edge and grows.
TEST_F(CaptureTest, ReusedBuffersFollowTheWindowAcrossSizesAndTheScreenEdge) {
    TestWindow game(m_display, 100, 100, 200, 150, kBlue);
    ScreenCapturer capturer = Bind(game);
    const auto place = [&](int x, int y, int width, int height) {
        const uint32_t values[] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                                   static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
        xcb_configure_window(m_display.Get(), game.Id(),
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
        m_display.Sync();
    };
    CapturedFrame frame;
    ASSERT_TRUE(capturer.CaptureWindowInto(frame));
    ASSERT_EQ(frame.width, 200);
    EXPECT_EQ(RgbAt(frame, 0, 0), kBlue);

    place(-50, 100, 200, 150);  // the first 50 columns off the screen
    ASSERT_TRUE(capturer.CaptureWindowInto(frame));
    ASSERT_EQ(frame.width, 200);
    EXPECT_EQ(RgbAt(frame, 49, 75), 0u);
    EXPECT_EQ(RgbAt(frame, 50, 75), kBlue);

    place(100, 100, 400, 300);
    game.Fill(kRed);
    ASSERT_TRUE(capturer.CaptureWindowInto(frame));
    ASSERT_EQ(frame.width, 400);
    ASSERT_EQ(frame.pixels.size(), 400u * 300u * 3u);
    for (const auto& point : {std::pair<int, int>{0, 0}, {399, 299}, {25, 75}}) {
        EXPECT_EQ(RgbAt(frame, point.first, point.second), kRed);
    }

    place(100, 100, 64, 48);
    game.Fill(kSample);
    ASSERT_TRUE(capturer.CaptureWindowInto(frame));
    ASSERT_EQ(frame.pixels.size(), 64u * 48u * 3u);
    EXPECT_EQ(RgbAt(frame, 63, 47), kSample);

    game.Destroy();
    EXPECT_FALSE(capturer.CaptureWindowInto(frame));
    EXPECT_TRUE(frame.pixels.empty());
    EXPECT_EQ(frame.width, 0);
}

TEST_F(CaptureTest, OneByOneClientArea) {
    TestWindow tiny(m_display, 5, 5, 1, 1, kRed);
    const CapturedFrame frame = Bind(tiny).CaptureWindow();
    ASSERT_EQ(frame.pixels.size(), 3u);
    EXPECT_EQ(RgbAt(frame, 0, 0), kRed);
}

TEST_F(CaptureTest, InvalidHandlesGiveTheEmptyFrameAndAnErrorLine) {
    LogCapture capture;
    ScreenCapturer none;
    none.SetWindowHandle(nullptr);
    TestWindow game(m_display, 5, 5, 20, 20, kRed);
    ScreenCapturer destroyed = Bind(game);
    game.Destroy();
    ScreenCapturer foreign;
    foreign.SetWindowHandle(reinterpret_cast<HWND>(uintptr_t{0x7FFFFFF1}));
    for (const ScreenCapturer* capturer : {&none, &destroyed, &foreign}) {
        capture.Clear();
        const CapturedFrame frame = capturer->CaptureWindow();
        EXPECT_TRUE(frame.pixels.empty());
        EXPECT_EQ(frame.width, 0);
        EXPECT_EQ(frame.channels, 0);
        const std::vector<tarsel_test::LogLine> expected = {
            {3, "[ScreenCapturer] CaptureWindow: invalid window handle"}};
        EXPECT_EQ(capture.Lines(), expected);
    }
}

TEST_F(CaptureTest, SetWindowHandleLogsWhetherItIsAWindow) {
    TestWindow game(m_display, 5, 5, 20, 20, kRed);
    LogCapture capture;
    ScreenCapturer capturer;
    capturer.SetWindowHandle(game.Handle());
    capturer.SetWindowHandle(nullptr);
    char id[32];
    std::snprintf(id, sizeof id, "%016X", game.Id());
    EXPECT_EQ(capture.Messages(),
              (std::vector<std::string>{
                  std::string("[ScreenCapturer] SetWindowHandle: hWnd=") + id + ", IsWindow=1",
                  "[ScreenCapturer] SetWindowHandle: hWnd=0000000000000000, IsWindow=0"}));
}

// Runs last in this file: it takes the display server down and brings up a new one.
TEST(CaptureServerLoss, LosingTheServerNeverTakesTheHostDown) {
    std::unique_ptr<TestDisplay> display = std::make_unique<TestDisplay>();
    ASSERT_TRUE(display->Ok());
    auto game = std::make_unique<TestWindow>(*display, 10, 10, 50, 40, kBlue);
    game->Focus();
    const HWND handle = game->Handle();
    tarsel::TarselService service;
    ASSERT_TRUE(service.Init(handle));
    ASSERT_TRUE(service.IsWindowForeground());

    tarsel_test::DisplayServer().Kill();
    LogCapture capture;
    EXPECT_FALSE(service.IsWindowValid());
    EXPECT_FALSE(service.IsWindowForeground());
    ScreenCapturer capturer;
    capturer.SetWindowHandle(handle);
    EXPECT_TRUE(capturer.CaptureWindow().pixels.empty());
    EXPECT_TRUE(capture.Contains("[ScreenCapturer] CaptureWindow: invalid window handle"));
    game.reset();
    display.reset();

    // A new server on a display: the old binding stays dead even if the same id
    // exists there; a new Init on a new window works.
    ASSERT_TRUE(tarsel_test::RestartDisplayServer());
    TestDisplay fresh;
    ASSERT_TRUE(fresh.Ok());
    TestWindow again(fresh, 10, 10, 50, 40, kGreen);
    again.Focus();
    EXPECT_FALSE(service.IsWindowValid());
    service.Shutdown();
    ASSERT_TRUE(service.Init(again.Handle()));
    EXPECT_TRUE(service.IsWindowValid());
    EXPECT_TRUE(service.IsWindowForeground());
}

}  // namespace

TEST(ConvertBgrxToBgr, MatchesAByteLoopForEveryLengthAndTail) {
    for (size_t count = 0; count <= 41; ++count) {
        std::vector<uint8_t> bgrx(count * 4);
        for (size_t i = 0; i < bgrx.size(); ++i) bgrx[i] = static_cast<uint8_t>(i * 37 + count);
        // Guard bytes past the output: a wide store must not reach them.
        std::vector<uint8_t> bgr(count * 3 + 4, 0xEE);
        tarsel::ConvertBgrxToBgr(bgrx.data(), bgr.data(), count);
        for (size_t i = 0; i < count; ++i) {
            for (size_t c = 0; c < 3; ++c) ASSERT_EQ(bgr[i * 3 + c], bgrx[i * 4 + c]) << count << ":" << i;
        }
        for (size_t g = count * 3; g < bgr.size(); ++g) EXPECT_EQ(bgr[g], 0xEE) << count;
    }
}

TEST(ConvertBgraToBgr, DropsTheFourthByteAndRefusesOtherFrames) {
    CapturedFrame bgra;
    bgra.width = 2;
    bgra.height = 1;
    bgra.channels = 4;
    bgra.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    const CapturedFrame bgr = tarsel::ConvertBgraToBgr(bgra);
    EXPECT_EQ(bgr.pixels, (std::vector<uint8_t>{1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(bgr.width, 2);
    EXPECT_EQ(bgr.height, 1);
    EXPECT_EQ(bgr.channels, 3);

    CapturedFrame three = bgra;
    three.channels = 3;
    CapturedFrame noWidth = bgra;
    noWidth.width = 0;
    CapturedFrame empty;
    CapturedFrame shortPixels = bgra;
    shortPixels.pixels.resize(7);
    for (const CapturedFrame* bad : {&three, &noWidth, &empty, &shortPixels}) {
        const CapturedFrame out = tarsel::ConvertBgraToBgr(*bad);
        EXPECT_TRUE(out.pixels.empty());
        EXPECT_EQ(out.width, 0);
        EXPECT_EQ(out.height, 0);
        EXPECT_EQ(out.channels, 0);
    }
}
