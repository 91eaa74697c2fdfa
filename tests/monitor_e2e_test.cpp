// Monitoring end to end: a real window, the real capture, the colour model.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "support/jpeg_decode.h"
#include "support/monitor_fixture.h"
#include "support/test_window.h"
#include "support/wait_until.h"

namespace {

using tarsel_test::WaitUntil;
using tarsel_test::LogCapture;
using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kRed = 0xFF0000;

// The colour in the middle of a stored frame's JPEG.
uint32_t CentreColour(const std::string& base64) {
    const auto image = tarsel_test::DecodeJpeg(tarsel_test::Base64Decode(base64));
    if (!image.ok) return 0xDEADBEEF;
    const uint32_t rgb = image.At(image.width / 2, image.height / 2);
    // Snap to the nearest primary for the comparison.
    uint32_t snapped = 0;
    for (int shift : {16, 8, 0}) {
        if (((rgb >> shift) & 0xFF) > 0x80) snapped |= 0xFFu << shift;
    }
    return snapped;
}

class MonitorEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_display.Ok());
        m_service.SetConfigFetcher([](tarsel::TarselService&) {});
        m_service.SetFrameCallback(&tarsel_test::DeliveryRecorder::On, &m_recorder);
    }
    void TearDown() override { m_service.Shutdown(); }
    uint32_t Written() { return m_service.GetFramesWritten(); }

    TestDisplay m_display;
    tarsel::TarselService m_service;
    tarsel_test::DeliveryRecorder m_recorder;
};

TEST_F(MonitorEndToEnd, TheRingFillsAtTheIntervalWithClassifiedFrames) {
    TestWindow game(m_display, 20, 20, 320, 240, kBlue);
    game.Focus();
    ASSERT_TRUE(m_service.Init(game.Handle()));
    ASSERT_TRUE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 1, 15, 5, 5));
    ASSERT_TRUE(WaitUntil([&] { return Written() >= 3; }));
    EXPECT_EQ(m_service.GetCurrentClassId(), 0);
    const auto kept = m_service.GetHistorySnapshot();
    std::vector<tarsel::stPicData> frames;
    for (const auto& slot : kept) {
        if (!slot.base64.empty()) frames.push_back(slot);
    }
    ASSERT_GE(frames.size(), 3u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].classId, 0u);
        EXPECT_EQ(CentreColour(frames[i].base64), kBlue);
        // Whole-second pacing from each pass's start.
        if (i > 0) {
            EXPECT_GE(frames[i].timestamp - frames[i - 1].timestamp, 900u);
        }
    }
}

TEST_F(MonitorEndToEnd, PassesSkipWhileTheWindowIsInTheBackground) {
    TestWindow game(m_display, 20, 20, 200, 150, kBlue);
    TestWindow other(m_display, 300, 20, 200, 150, kRed);
    other.Focus();
    ASSERT_TRUE(m_service.Init(game.Handle()));
    ASSERT_TRUE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 15, 5, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(Written(), 0u);
    EXPECT_EQ(m_service.GetCurrentClassId(), -1);
    game.Focus();
    ASSERT_TRUE(WaitUntil([&] { return Written() >= 2; }));
    EXPECT_EQ(m_service.GetCurrentClassId(), 0);
}

TEST_F(MonitorEndToEnd, PaintingTheWindowRedDeliversTheBossSequence) {
    TestWindow game(m_display, 20, 20, 320, 240, kBlue);
    game.Focus();
    ASSERT_TRUE(m_service.Init(game.Handle()));
    // One pass a second: the ring of 15 cannot wrap before the switch, so the
    // switching frame is the forward batch's last entry.
    ASSERT_TRUE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 1, 15, 3, 2));
    ASSERT_TRUE(WaitUntil([&] { return Written() >= 2; }));
    game.Fill(kRed);
    ASSERT_TRUE(WaitUntil([&] { return m_service.GetBossState() == tarsel::WAITING_RESPONSE; }));
    m_service.StopSceneMonitor();

    const auto texts = m_recorder.RawTexts();
    ASSERT_EQ(texts.size(), 3u);
    const auto forward = tarsel_test::ParseFrames(texts[0]);
    ASSERT_EQ(forward.size(), 3u);
    for (size_t i = 0; i + 1 < forward.size(); ++i) {
        EXPECT_EQ(forward[i].classId, 0u);
        EXPECT_EQ(CentreColour(forward[i].base64), kBlue);
        EXPECT_LT(forward[i].timestamp, forward[i + 1].timestamp);
    }
    EXPECT_EQ(forward.back().classId, 1u);
    EXPECT_EQ(CentreColour(forward.back().base64), kRed);
    uint64_t last = 0;
    for (size_t i = 1; i < texts.size(); ++i) {
        const auto single = tarsel_test::ParseFrames(texts[i]);
        ASSERT_EQ(single.size(), 1u);
        EXPECT_EQ(single[0].classId, 1u);
        EXPECT_EQ(CentreColour(single[0].base64), kRed);
        EXPECT_GE(single[0].timestamp, last);
        last = single[0].timestamp;
    }
    // The switching frame is sent in the batch and again as the first single frame.
    EXPECT_EQ(tarsel_test::ParseFrames(texts[1])[0].timestamp, forward.back().timestamp);
    EXPECT_EQ(m_service.GetCurrentClassId(), 1);
}

TEST_F(MonitorEndToEnd, SpeechFramesArePulledAsJson) {
    TestWindow game(m_display, 20, 20, 240, 180, kBlue);
    game.Focus();
    ASSERT_TRUE(m_service.Init(game.Handle()));
    LogCapture log;
    ASSERT_TRUE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 8, 4, 3));
    ASSERT_TRUE(WaitUntil([&] { return Written() >= 8; }));  // a full ring
    m_service.OnUserStartSpeaking();
    const uint32_t atStart = Written();
    ASSERT_TRUE(WaitUntil([&] { return Written() >= atStart + 2; }));
    uint64_t newestBeforeStop = 0;
    for (const auto& slot : m_service.GetHistorySnapshot()) {
        newestBeforeStop = std::max(newestBeforeStop, slot.timestamp);
    }
    m_service.OnUserStopSpeaking("打开地图");
    ASSERT_TRUE(WaitUntil([&] { return log.Contains("[TarselService] 语音帧收集完成"); }));
    const auto pending = tarsel_test::ParseFrames(m_service.GetPendingFrames());
    ASSERT_EQ(pending.size(), 4u);
    for (size_t i = 1; i < pending.size(); ++i) {
        // The three frames kept after the stop, pushed after that snapshot.
        EXPECT_GE(pending[i].timestamp, newestBeforeStop);
        EXPECT_EQ(CentreColour(pending[i].base64), kBlue);
    }
    EXPECT_TRUE(log.Contains("[TarselService] 复制图片队列，共 8 张"));
}

}  // namespace
