// Starting and stopping the monitor, and the ring, without a display.
#include <gtest/gtest.h>

#include <chrono>

#include "support/monitor_fixture.h"

namespace {

using tarsel_test::LogCapture;
using tarsel_test::LogLine;

const LogLine kFetching{1, "[TarselService] 正在从后台获取配置..."};
const LogLine kStopped{1, "[TarselService] 场景监测已停止"};

HWND NotAWindow() {
    return reinterpret_cast<HWND>(uintptr_t{0x400001});
}

class SceneMonitor : public ::testing::Test {
protected:
    void SetUp() override {
        m_service.SetConfigFetcher([this](tarsel::TarselService&) { ++m_fetches; });
    }
    tarsel::TarselService m_service;
    int m_fetches = 0;
};

TEST_F(SceneMonitor, RefusedBeforeInit) {
    LogCapture log;
    EXPECT_FALSE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 5, 15, 5, 5));
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{{3, "[TarselService] 未初始化，请先调用 Init()"}}));
    EXPECT_EQ(m_fetches, 0);
    EXPECT_FALSE(m_service.IsSceneMonitorRunning());
}

TEST_F(SceneMonitor, ASuccessfulStartAndItsStop) {
    ASSERT_TRUE(m_service.Init(NotAWindow()));
    LogCapture log;
    const std::string model = tarsel_test::ColourModel();
    ASSERT_TRUE(m_service.StartSceneMonitor(model.c_str(), 5, 15, 4, 3));
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{
                               kFetching,
                               {1, "[TarselService] ONNX模型加载成功: " + model},
                               {1, "[TarselService] 场景监测已启动，间隔: 5 秒"}}));
    EXPECT_EQ(m_fetches, 1);
    EXPECT_TRUE(m_service.IsSceneMonitorRunning());
    EXPECT_EQ(m_service.GetFrameCount(), 15u);
    EXPECT_EQ(m_service.GetForwardWindows(), 4);
    EXPECT_EQ(m_service.GetBackwardWindows(), 3);

    log.Clear();
    EXPECT_FALSE(m_service.StartSceneMonitor("other.onnx", 9, 3, 1, 1));
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{{2, "[TarselService] 场景监测已经在运行中"}}));
    EXPECT_EQ(m_service.GetCaptureInterval(), 5);
    EXPECT_EQ(m_service.GetForwardWindows(), 4);
    EXPECT_EQ(m_fetches, 1);

    log.Clear();
    m_service.StopSceneMonitor();
    m_service.StopSceneMonitor();
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{kStopped}));
    EXPECT_FALSE(m_service.IsSceneMonitorRunning());
    EXPECT_EQ(m_service.GetFrameCount(), 0u);
}

TEST_F(SceneMonitor, StopWhileOffWritesNothing) {
    LogCapture log;
    m_service.StopSceneMonitor();
    ASSERT_TRUE(m_service.Init(NotAWindow()));
    log.Clear();
    m_service.StopSceneMonitor();
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(SceneMonitor, FailedStartsKeepWhatTheyStored) {
    ASSERT_TRUE(m_service.Init(NotAWindow()));
    LogCapture log;
    const std::string missing = ::testing::TempDir() + "no-such-model.onnx";
    EXPECT_FALSE(m_service.StartSceneMonitor(missing.c_str(), 7, 15, 2, 3));
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], kFetching);
    EXPECT_EQ(lines[1].level, 3);
    const std::string prefix = "[TarselService] 模型加载失败: ";
    ASSERT_EQ(lines[1].message.compare(0, prefix.size(), prefix), 0);
    EXPECT_NE(lines[1].message.find("no-such-model.onnx"), std::string::npos) << lines[1].message;
    EXPECT_FALSE(m_service.IsSceneMonitorRunning());
    EXPECT_EQ(m_service.GetFrameCount(), 0u);
    EXPECT_EQ(m_service.GetModelPath(), missing);
    EXPECT_EQ(m_service.GetCaptureInterval(), 7);
    EXPECT_EQ(m_service.GetBackwardWindows(), 3);
    EXPECT_EQ(m_fetches, 1);

    log.Clear();
    EXPECT_FALSE(m_service.StartSceneMonitor(nullptr, 5, 15, 5, 5));
    EXPECT_EQ(m_service.GetModelPath(), "");
    EXPECT_TRUE(log.Contains("[TarselService] 模型加载失败: "));
}

TEST_F(SceneMonitor, HistorySizesBelowOneAreRefusedAfterTheModelLoads) {
    ASSERT_TRUE(m_service.Init(NotAWindow()));
    const std::string model = tarsel_test::ColourModel();
    for (int size : {0, -3}) {
        LogCapture log;
        EXPECT_FALSE(m_service.StartSceneMonitor(model.c_str(), 5, size, 5, 5));
        EXPECT_EQ(log.Lines(), (std::vector<LogLine>{
                                   kFetching,
                                   {1, "[TarselService] ONNX模型加载成功: " + model},
                                   {3, "[TarselService] 历史帧数量无效: " + std::to_string(size)}}));
        EXPECT_FALSE(m_service.IsSceneMonitorRunning());
        EXPECT_EQ(m_service.GetFrameCount(), 0u);
    }
    EXPECT_TRUE(m_service.StartSceneMonitor(model.c_str(), 5, 1, 5, 5));
}

TEST_F(SceneMonitor, StopReturnsPromptlyWhateverTheInterval) {
    ASSERT_TRUE(m_service.Init(NotAWindow()));
    ASSERT_TRUE(m_service.StartSceneMonitor(tarsel_test::ColourModel().c_str(), 3600, 15, 5, 5));
    // The worker skips (no window) and waits the full hour; the stop wakes it.
    const auto start = std::chrono::steady_clock::now();
    m_service.StopSceneMonitor();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

using Ring = tarsel_test::MonitorSteps;

TEST_F(Ring, SeventeenFramesInFifteenSlots) {
    Start(15, 5, 5);
    KeepMany(1, 17, 0);
    const auto slots = m_service.GetHistorySnapshot();
    ASSERT_EQ(slots.size(), 15u);
    EXPECT_EQ(slots[0].base64, "f16");
    EXPECT_EQ(slots[1].base64, "f17");
    for (int i = 2; i < 15; ++i) EXPECT_EQ(slots[static_cast<size_t>(i)].base64, "f" + std::to_string(i + 1));
    EXPECT_EQ(m_service.GetFramesWritten(), 17u);
    Keep(Frame(18, 0));
    EXPECT_EQ(m_service.GetHistorySnapshot()[2].base64, "f18");
}

TEST_F(Ring, AStopAndAStartKeepTheCountAndTheClass) {
    Start(15, 5, 5);
    KeepMany(1, 17, 2);
    m_service.StopSceneMonitor();
    EXPECT_EQ(m_service.GetCurrentClassId(), 2);
    Start(4, 5, 5);
    const auto empty = m_service.GetHistorySnapshot();
    ASSERT_EQ(empty.size(), 4u);
    for (const auto& slot : empty) EXPECT_TRUE(slot.base64.empty());
    Keep(Frame(18, 0));
    EXPECT_EQ(m_service.GetHistorySnapshot()[17 % 4].base64, "f18");
    EXPECT_EQ(m_service.GetFramesWritten(), 18u);
}

}  // namespace
