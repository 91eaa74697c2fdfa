// The scene switch and the boss sending state machine, driven frame by frame.
#include <gtest/gtest.h>

#include "support/monitor_fixture.h"

namespace {

using tarsel::SENDING;
using tarsel::WAITING_RESPONSE;
using tarsel_test::Delivery;
using tarsel_test::LogLine;

const LogLine kBanner{1, "[TarselService] ========================================"};
const LogLine kIgnored{2, "[TarselService] 检测到Boss场景，但当前状态不是IDLE，忽略"};
const LogLine kDone{1, "[TarselService] 所有帧发送完成，等待模型响应"};

LogLine Switch(const std::string& from) {
    return {1, "[TarselService] 检测到场景切换：" + from + " -> 1 (Boss场景)"};
}
LogLine Forward(int n) {
    return {1, "[TarselService] 准备发送 " + std::to_string(n) + " 张图片 (forward)"};
}
LogLine Backward(int left) {
    return {1, "[TarselService] 发送 backward 帧，剩余: " + std::to_string(left)};
}

using BossSending = tarsel_test::MonitorSteps;

TEST_F(BossSending, TheSequenceFrameByFrame) {
    Start(15, 5, 5);
    KeepMany(1, 7, 0);
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_TRUE(m_log.Lines().empty());

    Keep(Frame(8, 1));
    EXPECT_EQ(m_recorder.Take(), (std::vector<Delivery>{{1, {"f4", "f5", "f6", "f7", "f8"}}, {1, {"f8"}}}));
    EXPECT_EQ(m_log.Lines(),
              (std::vector<LogLine>{kBanner, Switch("0"), kBanner, Forward(5), Backward(4)}));
    EXPECT_EQ(m_service.GetBossState(), SENDING);

    struct Step {
        int n;
        uint32_t classId;
        std::vector<LogLine> lines;
        int state;
    } steps[] = {
        {9, 1, {Backward(3)}, SENDING},
        {10, 0, {Backward(2)}, SENDING},
        {11, 2, {Backward(1)}, SENDING},
        {12, 0, {Backward(0), kDone}, WAITING_RESPONSE},
        {13, 1, {kIgnored}, WAITING_RESPONSE},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.n);
        m_log.Clear();
        Keep(Frame(step.n, step.classId));
        const auto deliveries = m_recorder.Take();
        if (step.n <= 12) {
            EXPECT_EQ(deliveries, (std::vector<Delivery>{{static_cast<int>(step.classId), {"f" + std::to_string(step.n)}}}));
        } else {
            EXPECT_TRUE(deliveries.empty());
        }
        EXPECT_EQ(m_log.Lines(), step.lines);
        EXPECT_EQ(m_service.GetBossState(), step.state);
    }

    m_log.Clear();
    m_service.ResetBossState();
    EXPECT_EQ(m_service.GetBossState(), 0);
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{{1, "[TarselService] Boss场景状态重置为 IDLE"}}));
    Keep(Frame(14, 0));
    Keep(Frame(15, 1));
    const auto again = m_recorder.Take();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].frames, (std::vector<std::string>{"f11", "f12", "f13", "f14", "f15"}));
}

// Sequences that differ in their settings or their start.
TEST_F(BossSending, SettingsAndStartsTable) {
    struct Case {
        const char* name;
        int slots, forward, backward;
        int before;  // class-0 frames kept before the boss frame (-1: none at all)
        std::vector<Delivery> deliveries;
        std::vector<LogLine> lines;
        int state;
    } cases[] = {
        {"first kept frame is a boss frame", 15, 5, 5, -1,
         {{1, {"f1"}}, {1, {"f1"}}},
         {kBanner, Switch("-1"), kBanner, Forward(1), Backward(4)}, SENDING},
        {"fewer frames than forward", 15, 5, 5, 2,
         {{1, {"f1", "f2", "f3"}}, {1, {"f3"}}},
         {kBanner, Switch("0"), kBanner, Forward(3), Backward(4)}, SENDING},
        {"backward 0", 15, 5, 0, 3,
         {{1, {"f1", "f2", "f3", "f4"}}},
         {kBanner, Switch("0"), kBanner, Forward(4)}, WAITING_RESPONSE},
        {"forward 0", 15, 0, 1, 3,
         {{1, {}}, {1, {"f4"}}},
         {kBanner, Switch("0"), kBanner, Forward(0), Backward(0), kDone}, WAITING_RESPONSE},
        {"negative forward sends every slot", 4, -1, 1, 2,
         {{1, {"f1", "f2", "f3"}}, {1, {"f3"}}},
         {kBanner, Switch("0"), kBanner, Forward(3), Backward(0), kDone}, WAITING_RESPONSE},
        {"negative backward", 15, 2, -2, 2,
         {{1, {"f2", "f3"}}},
         {kBanner, Switch("0"), kBanner, Forward(2)}, SENDING},
        {"wrapped ring: slot order", 4, 3, 1, 5,
         // slots: f5 f6 f3 f4 -> last three non-empty in slot order
         {{1, {"f6", "f3", "f4"}}, {1, {"f6"}}},
         {kBanner, Switch("0"), kBanner, Forward(3), Backward(0), kDone}, WAITING_RESPONSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tarsel::TarselService service;
        tarsel_test::DeliveryRecorder recorder;
        service.SetConfigFetcher([](tarsel::TarselService&) {});
        service.SetFrameCallback(&tarsel_test::DeliveryRecorder::On, &recorder);
        ASSERT_TRUE(service.Init(reinterpret_cast<HWND>(uintptr_t{0x400001})));
        ASSERT_TRUE(service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 3600, c.slots,
                                              c.forward, c.backward));
        auto keep = [&service](int n, uint32_t classId) {
            const tarsel::stPicData frame = Frame(n, classId);
            service.PushFrame(frame);
            service.CheckSceneSwitch(frame);
            service.CollectVoiceFrame(frame);
            service.SetCurrentClassId(static_cast<int32_t>(classId));
        };
        int n = 1;
        for (; n <= c.before; ++n) keep(n, 0);
        m_log.Clear();
        keep(n, 1);
        EXPECT_EQ(recorder.Take(), c.deliveries);
        EXPECT_EQ(m_log.Lines(), c.lines);
        EXPECT_EQ(service.GetBossState(), c.state);
        m_log.Clear();
        keep(n + 1, 0);  // a later kept frame after the sequence's first call
        if (c.backward < 0 || c.state == WAITING_RESPONSE) {
            EXPECT_TRUE(recorder.Take().empty());
            EXPECT_TRUE(m_log.Lines().empty());
        }
        service.Shutdown();
    }
}

TEST_F(BossSending, TwoBossFramesInARowAndReentryWhileSending) {
    Start(15, 5, 5);
    Keep(Frame(1, 0));
    Keep(Frame(2, 1));
    m_recorder.Take();
    m_log.Clear();
    Keep(Frame(3, 1));  // no switch: the previous frame was already class 1
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{Backward(3)}));
    m_log.Clear();
    Keep(Frame(4, 0));
    Keep(Frame(5, 1));  // left and entered again while sending
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{Backward(2), kIgnored, Backward(1)}));
    EXPECT_EQ(m_recorder.Take(),
              (std::vector<Delivery>{{1, {"f3"}}, {0, {"f4"}}, {1, {"f5"}}}));
}

TEST_F(BossSending, WithoutAFrameCallbackEverythingButTheDeliveryHappens) {
    Start(15, 5, 2);
    m_service.SetFrameCallback(nullptr, &m_recorder);
    Keep(Frame(1, 0));
    Keep(Frame(2, 1));
    Keep(Frame(3, 0));
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{kBanner, Switch("0"), kBanner, Forward(2),
                                                   Backward(1), Backward(0), kDone}));
    EXPECT_EQ(m_service.GetBossState(), WAITING_RESPONSE);
}

TEST_F(BossSending, ResetDuringSendingAndFromInsideTheForwardCallback) {
    Start(15, 5, 5);
    Keep(Frame(1, 0));
    Keep(Frame(2, 1));
    m_service.ResetBossState();
    m_recorder.Take();
    Keep(Frame(3, 0));
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_EQ(m_service.GetBossState(), 0);

    // The host answers at once, inside the forward batch: no backward frame.
    bool reset = false;
    m_recorder.onDelivery = [&](int) {
        if (!reset) {
            reset = true;
            m_service.ResetBossState();
        }
    };
    m_log.Clear();
    Keep(Frame(4, 1));
    EXPECT_EQ(m_recorder.Take(), (std::vector<Delivery>{{1, {"f1", "f2", "f3", "f4"}}}));
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{kBanner, Switch("0"), kBanner, Forward(4),
                                                   {1, "[TarselService] Boss场景状态重置为 IDLE"}}));
    EXPECT_EQ(m_service.GetBossState(), 0);
}

TEST_F(BossSending, ASequenceCarriesOverAStopAndAStart) {
    Start(15, 5, 3);
    Keep(Frame(1, 0));
    Keep(Frame(2, 1));
    m_service.StopSceneMonitor();
    EXPECT_EQ(m_service.GetBossState(), SENDING);
    m_recorder.Take();
    Start(15, 5, 3);
    // The boss scene continues: not a switch, the sequence resumes.
    m_log.Clear();
    Keep(Frame(3, 1));
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{Backward(1)}));
    EXPECT_EQ(m_recorder.Take(), (std::vector<Delivery>{{1, {"f3"}}}));
}

}  // namespace
