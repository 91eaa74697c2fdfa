// Host callbacks that call back into the service: from the worker (frame
// batches) and from host threads (log lines), while a real window is watched.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "service/tarsel_service.h"
#include "support/log_capture.h"
#include "support/monitor_fixture.h"
#include "support/test_window.h"
#include "support/wait_until.h"

namespace {

using tarsel_test::WaitUntil;
using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

constexpr uint32_t kRed = 0xFF0000;

// A host: a service made by the export, driven through the interface. Its
// frame and log callbacks run a step the test chooses.
class Host : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_display.Ok());
        m_window = std::make_unique<TestWindow>(m_display, 30, 30, 160, 120, kRed);
        m_window->Focus();
        m_service = CreateTarselService();
        ASSERT_NE(m_service, nullptr);
        // The one test seam: no configuration fetch.
        static_cast<tarsel::TarselService*>(m_service)->SetConfigFetcher([](tarsel::TarselService&) {});
        m_service->SetFrameCallback(&Host::OnFrames, this);
        ASSERT_TRUE(m_service->Init(m_window->Handle()));
    }
    void TearDown() override {
        tarsel::Logger::GetInstance().SetCallback(nullptr, nullptr);
        if (m_service != nullptr) DestroyTarselService(m_service);
    }
    bool Start(int backward = 3) {
        return m_service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 6, 3, backward);
    }
    static void OnFrames(int classId, const char*, void* self) {
        auto* host = static_cast<Host*>(self);
        ++host->m_deliveries;
        if (host->onFrames) host->onFrames(classId);
    }
    static void OnLog(int level, const char* message, void* self) {
        auto* host = static_cast<Host*>(self);
        host->m_log.OnLog(level, message, &host->m_log);
        if (host->onLog) host->onLog(message);
    }
    void ListenToLog() {
        m_service->SetLogCallback(&Host::OnLog, this);
        m_log.Clear();
    }

    TestDisplay m_display;
    std::unique_ptr<TestWindow> m_window;
    ITarselService* m_service = nullptr;
    std::atomic<int> m_deliveries{0};
    std::function<void(int)> onFrames;
    std::function<void(const std::string&)> onLog;
    tarsel_test::LogCapture m_log;
};

TEST_F(Host, StopFromInsideTheFrameCallback) {
    onFrames = [this](int) { m_service->StopSceneMonitor(); };
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUntil([&] { return m_log.Contains("[TarselService] 场景监测已停止"); }));
    EXPECT_FALSE(m_service->IsSceneMonitorRunning());
    EXPECT_EQ(m_service->GetFrameCount(), 0u);
    // The pass that stopped finished its deliveries; nothing came after.
    const int delivered = m_deliveries.load();
    EXPECT_LE(delivered, 2);
    // The next start collects the finished worker and runs again.
    onFrames = nullptr;
    m_service->ResetBossState();
    m_window->Fill(0x0000FF);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(m_service->IsSceneMonitorRunning());
    m_service->StopSceneMonitor();
}

TEST_F(Host, ShutdownFromInsideTheFrameCallback) {
    onFrames = [this](int) { m_service->Shutdown(); };
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUntil([&] { return m_log.Contains("[TarselService] 场景监测已停止"); }));
    EXPECT_FALSE(m_service->IsWindowValid());
    EXPECT_TRUE(m_service->Init(m_window->Handle()));
}

TEST_F(Host, DestroyFromInsideTheFrameCallback) {
    std::atomic<bool> destroyed{false};
    std::atomic<int> late{0};
    onFrames = [&](int) {
        if (destroyed.exchange(true)) {
            ++late;
            return;
        }
        DestroyTarselService(m_service);
    };
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUntil([&] { return m_log.Contains("[tarsel_api] TarselService instance destroyed"); }));
    m_service = nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The forward batch's pass may still hand over its backward frame; nothing after.
    EXPECT_LE(late.load(), 1);
}

TEST_F(Host, NullFrameCallbackFromInsideTheCallback) {
    onFrames = [this](int) { m_service->SetFrameCallback(nullptr, nullptr); };
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUntil([&] { return m_service->GetBossState() == tarsel::WAITING_RESPONSE; }));
    EXPECT_EQ(m_deliveries.load(), 1);
}

TEST_F(Host, LogCallbackThatCallsBackIntoTheService) {
    ListenToLog();
    std::atomic<int> depth{0};
    onLog = [&](const std::string& line) {
        if (line.rfind("[TarselService] 用户开始说话", 0) != 0 || depth++ > 0) return;
        EXPECT_STREQ(m_service->GetPendingFrames(), "[]\n");
        m_service->ResetBossState();
        m_service->OnUserStopSpeaking("inside");
        m_service->SetForwardWindows(m_service->GetBossState() + 4);
    };
    m_service->OnUserStartSpeaking();
    EXPECT_EQ(depth.load(), 1);
    EXPECT_EQ(m_log.Messages(), (std::vector<std::string>{
                                    "[TarselService] 用户开始说话，forward帧索引: 0",
                                    "[TarselService] 返回待发送帧: 0 张",
                                    "[TarselService] Boss场景状态重置为 IDLE",
                                    "[TarselService] 用户结束说话，将收集 5 帧后续图片"}));
}

TEST_F(Host, StopAndDestroyFromALogCallbackOnAHostThread) {
    ListenToLog();
    ASSERT_TRUE(Start(50));
    ASSERT_TRUE(WaitUntil([&] { return m_deliveries.load() >= 3; }));
    onLog = [this](const std::string& line) {
        if (line.rfind("[TarselService] 用户开始说话", 0) == 0) m_service->StopSceneMonitor();
        if (line.rfind("[TarselService] 用户结束说话", 0) == 0) DestroyTarselService(m_service);
    };
    m_service->OnUserStartSpeaking();  // the worker keeps passing meanwhile
    EXPECT_FALSE(m_service->IsSceneMonitorRunning());
    EXPECT_TRUE(m_log.Contains("[TarselService] 场景监测已停止"));
    m_service->OnUserStopSpeaking("bye");
    EXPECT_TRUE(m_log.Contains("[tarsel_api] TarselService instance destroyed"));
    m_service = nullptr;
}

TEST_F(Host, DestroyFromALogCallbackInTheMiddleOfAnOperation) {
    ListenToLog();
    onLog = [this](const std::string& line) {
        if (line.rfind("[TarselService] 正在从后台获取配置", 0) == 0) DestroyTarselService(m_service);
    };
    // The start goes on to its end on a live object; the destruction follows it.
    EXPECT_TRUE(Start());
    EXPECT_TRUE(m_log.Contains("[TarselService] 场景监测已启动，间隔: 0 秒"));
    EXPECT_TRUE(m_log.Contains("[tarsel_api] TarselService instance destroyed"));
    const auto messages = m_log.Messages();
    EXPECT_EQ(messages.back(), "[tarsel_api] TarselService instance destroyed");
    m_service = nullptr;
}

TEST_F(Host, PendingFramesAskedAgainFromItsOwnLogLine) {
    ListenToLog();
    int depth = 0;
    onLog = [&](const std::string& line) {
        if (line.rfind("[TarselService] 返回待发送帧", 0) == 0 && depth++ == 0) {
            EXPECT_STREQ(m_service->GetPendingFrames(), "[]\n");
        }
    };
    const char* text = m_service->GetPendingFrames();
    EXPECT_STREQ(text, "[]\n");  // still the live text after the nested call
    EXPECT_EQ(depth, 2);
}

TEST_F(Host, GettersWhileAnotherThreadShutsDownAndBinds) {
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        while (!stop.load()) {
            m_service->IsWindowForeground();
            m_service->IsWindowValid();
            m_service->GetFrameCount();
        }
    });
    for (int i = 0; i < 50; ++i) {
        m_service->Shutdown();
        m_service->Init(m_window->Handle());
    }
    stop.store(true);
    poller.join();
    EXPECT_TRUE(m_service->IsWindowValid());
}

TEST_F(Host, ManyHostThreadsWhileTheWorkerDelivers) {
    ASSERT_TRUE(Start(40));
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            while (!stop.load()) {
                switch (t) {
                    case 0:
                        m_service->GetPendingFrames();
                        m_service->GetCurrentClassId();
                        break;
                    case 1:
                        m_service->OnUserStartSpeaking();
                        m_service->OnUserStopSpeaking(nullptr);
                        break;
                    case 2:
                        m_service->SetForwardWindows(3);
                        m_service->SetBackwardWindows(40);
                        m_service->SetCaptureInterval(0);
                        m_service->GetBossState();
                        m_service->GetFrameCount();
                        break;
                    default:
                        m_service->IsWindowForeground();
                        m_service->GetPendingFrames();
                        break;
                }
            }
        });
    }
    const bool delivered = WaitUntil([&] { return m_deliveries.load() >= 10; });
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_TRUE(delivered);
    m_service->StopSceneMonitor();
}

}  // namespace
