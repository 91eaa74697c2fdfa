// Faults a host's process meets, injected through the host interface with
// real parts: the X server dying, a misbehaving configuration server, bad
// models, throwing callbacks, and lifecycle churn.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <stdexcept>
#include <thread>

#include "service/tarsel_service.h"
#include "support/config_server.h"
#include "support/display_environment.h"
#include "support/log_capture.h"
#include "support/monitor_fixture.h"
#include "support/test_window.h"
#include "support/wait_until.h"

namespace {

using tarsel_test::WaitUntil;
using tarsel_test::ConfigServer;
using tarsel_test::LogCapture;
using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

std::string Model(const char* name) {
    return std::string(TARSEL_MODEL_DIR) + "/" + name;
}

int ThreadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

struct Shot {
    std::atomic<int> calls{0};
    std::atomic<int> code{1};
    static void On(const char*, int, int, int code, const char*, void* self) {
        auto* shot = static_cast<Shot*>(self);
        shot->code.store(code);
        ++shot->calls;
    }
};

// A service made by the export with the configuration fetch switched off.
ITarselService* Quiet() {
    ITarselService* service = CreateTarselService();
    static_cast<tarsel::TarselService*>(service)->SetConfigFetcher([](tarsel::TarselService&) {});
    return service;
}

uint32_t FramesWritten(ITarselService* service) {
    return static_cast<tarsel::TarselService*>(service)->GetFramesWritten();
}

TEST(XServerFaults, KilledWhileMonitoringAndWhileCapturing) {
    auto display = std::make_unique<TestDisplay>();
    ASSERT_TRUE(display->Ok());
    auto window = std::make_unique<TestWindow>(*display, 10, 10, 320, 200, 0x0000FF);
    window->Focus();
    ITarselService* service = Quiet();
    ASSERT_TRUE(service->Init(window->Handle()));
    ASSERT_TRUE(service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 15, 5, 5));
    ASSERT_TRUE(WaitUntil([&] { return FramesWritten(service) >= 2; }));

    // Screenshots race the server's death on the host's thread.
    Shot shot;
    std::atomic<bool> capturing{true};
    std::thread host([&] {
        while (capturing.load()) service->CaptureScreenAsync(160, &Shot::On, &shot);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    tarsel_test::DisplayServer().Kill();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    capturing.store(false);
    host.join();
    EXPECT_EQ(shot.code.load(), -2);  // the bound window is gone with its server
    window.reset();
    display.reset();
    const uint32_t afterDeath = FramesWritten(service);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(FramesWritten(service), afterDeath + 1);  // passes skip from now on
    EXPECT_FALSE(service->IsWindowValid());

    // A new server on a display: Shutdown + Init on a new window works again.
    ASSERT_TRUE(tarsel_test::RestartDisplayServer());
    TestDisplay fresh;
    ASSERT_TRUE(fresh.Ok());
    TestWindow again(fresh, 10, 10, 320, 200, 0xFF0000);
    again.Focus();
    service->Shutdown();
    ASSERT_TRUE(service->Init(again.Handle()));
    ASSERT_TRUE(service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 15, 5, 5));
    const uint32_t restarted = FramesWritten(service);
    ASSERT_TRUE(WaitUntil([&] { return FramesWritten(service) >= restarted + 2; }));
    EXPECT_EQ(service->GetCurrentClassId(), 1);
    DestroyTarselService(service);
}

TEST(XServerFaults, TheWindowDestroyedMidRun) {
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    std::mt19937 random(3);
    for (int round = 0; round < 5; ++round) {
        TestWindow window(display, 10, 10, 200, 150, 0x0000FF);
        window.Focus();
        ITarselService* service = Quiet();
        ASSERT_TRUE(service->Init(window.Handle()));
        ASSERT_TRUE(service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 5, 2, 2));
        // Somewhere inside a pass, between its two foreground tests or not.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        window.Destroy();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(service->IsWindowValid());
        Shot shot;
        service->CaptureScreenAsync(0, &Shot::On, &shot);
        EXPECT_EQ(shot.code.load(), -2);
        DestroyTarselService(service);
    }
}

class ConfigFaults : public tarsel_test::ConfigServerSuite {
protected:
    void SetUp() override {
        ConfigServerSuite::SetUp();
        setenv("https_proxy", s_server->ProxyUrl().c_str(), 1);
    }
    void TearDown() override { unsetenv("https_proxy"); }
    // A service whose start fails at the model but fetches all the same.
    static ITarselService* StartFetching() {
        ITarselService* service = CreateTarselService();
        service->Init(reinterpret_cast<HWND>(uintptr_t{0x400001}));
        service->StartSceneMonitor("/nonexistent.onnx", 5, 15, 5, 5);
        return service;
    }
};

TEST_F(ConfigFaults, MisbehavingAnswersAreRefusedOrApplied) {
    struct Case {
        const char* name;
        std::string answer;
        bool applied;
    } cases[] = {
        {"closes mid-body", R"({"status":200,"body":"{\"interval\":10,\"resolution\":\"1080p\"}","truncate":8})", false},
        {"64 MiB", R"({"status":200,"body_size":67108864})", false},
        {"deep nesting", "{\"status\":200,\"body\":\"" + std::string(100000, '[') + std::string(100000, ']') + "\"}", false},
        // {"resolution":"\xff\xfe720p"} as bytes: not UTF-8, applied as it is.
        {"invalid UTF-8", R"({"status":200,"body_base64":"eyJyZXNvbHV0aW9uIjoi//43MjBwIn0="})", true},
        {"slow", R"({"status":200,"body":"{\"interval\":3}","delay":1.5})", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s_server->AnswerJson(c.answer);
        LogCapture log;
        ITarselService* service = StartFetching();
        const bool done = WaitUntil([&] {
            return log.Contains("[TarselService] 远程配置获取成功") ||
                   log.Contains("[TarselService] 配置获取失败，使用默认配置");
        });
        DestroyTarselService(service);
        ASSERT_TRUE(done);
        EXPECT_EQ(log.Contains("[TarselService] 远程配置获取成功"), c.applied);
    }
}

TEST_F(ConfigFaults, DestructionRacesTheAnswer) {
    const double delays[] = {0.0, 0.05, 0.2, 0.5, 30.0};  // before, around and after the destruction
    for (double delay : delays) {
        SCOPED_TRACE(delay);
        s_server->Answer(200, R"({"interval":9})", delay);
        LogCapture log;
        ITarselService* service = StartFetching();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        DestroyTarselService(service);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        const size_t atDestruction = log.Lines().size();
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(log.Lines().size(), atDestruction) << "a line after the destruction";
    }
}

TEST(ModelFaults, BadModelsAreALineAndFalseOrAFailedPass) {
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow window(display, 10, 10, 120, 90, 0x00FF00);
    window.Focus();
    const std::string dir = ::testing::TempDir();
    const std::string refused[] = {dir + "no-such.onnx", dir};
    for (const std::string& path : refused) {
        ITarselService* service = Quiet();
        service->Init(window.Handle());
        LogCapture log;
        EXPECT_FALSE(service->StartSceneMonitor(path.c_str(), 0, 5, 2, 2)) << path;
        EXPECT_TRUE(log.Contains("[TarselService] 模型加载失败: ")) << path;
        DestroyTarselService(service);
    }
    // Loads, but every pass fails inside ONNX Runtime: logged, and the loop goes on.
    for (const char* name : {"wrong_input.onnx", "wrong_type.onnx"}) {
        ITarselService* service = Quiet();
        service->Init(window.Handle());
        LogCapture log;
        ASSERT_TRUE(service->StartSceneMonitor(Model(name).c_str(), 0, 5, 2, 2)) << name;
        EXPECT_TRUE(WaitUntil([&] { return log.Matching("[TarselService] 处理异常: ").size() >= 3; })) << name;
        EXPECT_EQ(service->GetCurrentClassId(), -1);
        DestroyTarselService(service);
    }
    // No scores at all: every frame is class 0.
    ITarselService* service = Quiet();
    service->Init(window.Handle());
    ASSERT_TRUE(service->StartSceneMonitor(Model("empty_output.onnx").c_str(), 0, 5, 2, 2));
    ASSERT_TRUE(WaitUntil([&] { return FramesWritten(service) >= 2; }));
    EXPECT_EQ(service->GetCurrentClassId(), 0);
    DestroyTarselService(service);
}

void ThrowStd(int, const char*, void*) {
    throw std::runtime_error("host frame callback failed");
}
void ThrowOther(int, const char*, void*) {
    throw 7;
}
void ThrowingLog(int, const char*, void*) {
    throw std::logic_error("host log callback failed");
}

TEST(CallbackFaults, ThrowingFrameAndLogCallbacks) {
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow window(display, 10, 10, 120, 90, 0xFF0000);
    window.Focus();
    struct Case {
        FrameBatchCallback callback;
        const char* line;
    } cases[] = {{&ThrowStd, "[TarselService] 处理异常: host frame callback failed"},
                 {&ThrowOther, "[TarselService] 帧回调抛出未知异常"}};
    for (const Case& c : cases) {
        ITarselService* service = Quiet();
        service->SetFrameCallback(c.callback, nullptr);
        service->Init(window.Handle());
        LogCapture log;
        ASSERT_TRUE(service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 5, 2, 3));
        EXPECT_TRUE(WaitUntil([&] { return log.Contains(c.line); })) << c.line;
        const uint32_t now = FramesWritten(service);
        EXPECT_TRUE(WaitUntil([&] { return FramesWritten(service) > now + 2; }));  // the loop goes on
        DestroyTarselService(service);
    }
    // A throwing log callback costs the host nothing but its own lines.
    ITarselService* service = Quiet();
    service->SetLogCallback(&ThrowingLog, nullptr);
    EXPECT_TRUE(service->Init(window.Handle()));
    EXPECT_TRUE(service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 5, 2, 2));
    EXPECT_TRUE(WaitUntil([&] { return FramesWritten(service) >= 3; }));
    service->OnUserStartSpeaking();
    EXPECT_STRNE(service->GetPendingFrames(), nullptr);
    service->SetLogCallback(nullptr, nullptr);
    DestroyTarselService(service);
}

TEST(Lifecycle, OperationsFromSeveralThreadsOneAtATime) {
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow window(display, 10, 10, 120, 90, 0x0000FF);
    window.Focus();
    ITarselService* service = Quiet();
    Shot shot;
    std::mutex turn;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t + 1));
            for (int i = 0; i < 40; ++i) {
                std::lock_guard<std::mutex> lock(turn);
                switch (random() % 6) {
                    case 0: service->Init(window.Handle()); break;
                    case 1: service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 4, 2, 2); break;
                    case 2: service->StopSceneMonitor(); break;
                    case 3: service->Shutdown(); break;
                    case 4: service->CaptureScreenAsync(64, &Shot::On, &shot); break;
                    default: std::this_thread::sleep_for(std::chrono::milliseconds(random() % 5)); break;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    DestroyTarselService(service);
    EXPECT_GT(shot.calls.load(), 0);
}

void Nothing(const char*, int, int, int, const char*, void*) {}

TEST_F(ConfigFaults, ChurnLeavesNoThreadBehind) {
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow window(display, 10, 10, 160, 120, 0xFF0000);
    window.Focus();
    const int before = ThreadCount();
    std::mt19937 random(11);
    const int cycles = std::getenv("TARSEL_CHURN_CYCLES") ? std::atoi(std::getenv("TARSEL_CHURN_CYCLES")) : 1000;
    for (int i = 0; i < cycles; ++i) {
        s_server->Answer(200, R"({"interval":0,"forward_windows":2})", (random() % 4) * 0.002);
        ITarselService* service = CreateTarselService();
        ASSERT_NE(service, nullptr);
        service->Init(window.Handle());
        service->StartSceneMonitor(tarsel_test::ColourModel().c_str(), 0, 4, 2, 2);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        if (random() % 4 == 0) service->CaptureScreenAsync(32, &Nothing, nullptr);
        if (random() % 2 == 0) {
            service->StopSceneMonitor();
        } else {
            service->Shutdown();
        }
        DestroyTarselService(service);
    }
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= before; }, std::chrono::seconds(5)))
        << ThreadCount() << " threads, " << before << " before";
}

}  // namespace
