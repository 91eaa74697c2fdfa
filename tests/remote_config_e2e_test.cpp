// The configuration fetch of a start, over real HTTPS through the proxy
// environment, seen through the host interface.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/config_server.h"
#include "support/log_capture.h"
#include "tarsel/tarsel.h"

namespace {

using tarsel_test::ConfigServer;
using tarsel_test::LogCapture;
using tarsel_test::LogLine;

const char kProductionUrl[] =
    "https://config.tarsel.example/api/v1/ludora.vessel.game.Gloamsight/PushConfig";
const LogLine kFailed{3, "[TarselService] 配置获取失败，使用默认配置"};

bool WaitForLine(const LogCapture& log, const std::string& prefix, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (log.Contains(prefix)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return log.Contains(prefix);
}

std::vector<LogLine> ConfigLines(const LogCapture& log) {
    std::vector<LogLine> lines;
    for (const LogLine& line : log.Lines()) {
        if (line.message.find("配置") != std::string::npos ||
            line.message.find("server_mode=") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

class RemoteConfigEndToEnd : public tarsel_test::ConfigServerSuite {
protected:
    void SetUp() override {
        ConfigServerSuite::SetUp();
        setenv("https_proxy", s_server->ProxyUrl().c_str(), 1);
        m_service = CreateTarselService();
        ASSERT_NE(m_service, nullptr);
        ASSERT_TRUE(m_service->Init(reinterpret_cast<HWND>(uintptr_t{0x400001})));
    }
    void TearDown() override {
        if (m_service != nullptr) DestroyTarselService(m_service);
        unsetenv("https_proxy");
    }
    // A start whose model load fails still fetches.
    void Start() {
        EXPECT_FALSE(m_service->StartSceneMonitor("/nonexistent/model.onnx", 5, 15, 5, 5));
    }

    ITarselService* m_service = nullptr;
};

TEST_F(RemoteConfigEndToEnd, AValidAnswerIsAppliedWithItsFiveLines) {
    s_server->Answer(200, R"({"result":{"error_code":0},"interval":10,"resolution":"720p",)"
                          R"("forward_windows":3,"backward_windows":4})");
    LogCapture log;
    Start();
    ASSERT_TRUE(WaitForLine(log, "[TarselService] 远程配置获取成功", std::chrono::seconds(30)));
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], (LogLine{1, "[TarselService] 正在从后台获取配置..."}));
    EXPECT_EQ(lines[1], (LogLine{1, std::string("[TarselService] server_mode=0, configUrl=") + kProductionUrl}));
    EXPECT_EQ(ConfigLines(log), (std::vector<LogLine>{
                                    lines[0],
                                    lines[1],
                                    {1, "[TarselService] 更新配置 interval=10"},
                                    {1, "[TarselService] 更新配置 resolution=720p"},
                                    {1, "[TarselService] 更新配置 forward_windows=3"},
                                    {1, "[TarselService] 更新配置 backward_windows=4"},
                                    {1, "[TarselService] 远程配置获取成功"}}));
    const auto requests = s_server->Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().path, "/api/v1/ludora.vessel.game.Gloamsight/PushConfig");
}

TEST_F(RemoteConfigEndToEnd, BadAnswersChangeNothing) {
    struct Case {
        int status;
        const char* body;
    } cases[] = {{200, R"({"result":{"error_code":1001},"interval":10})"},
                 {500, R"({"interval":10})"},
                 {200, "<html>not json</html>"},
                 {200, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        s_server->Answer(c.status, c.body);
        LogCapture log;
        Start();
        ASSERT_TRUE(WaitForLine(log, kFailed.message, std::chrono::seconds(30)));
        EXPECT_FALSE(log.Contains("[TarselService] 更新配置"));
    }
}

TEST_F(RemoteConfigEndToEnd, DestructionCancelsASlowFetchAndNoLateLineFollows) {
    s_server->Answer(200, R"({"interval":1})", 20);
    LogCapture log;
    Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the request is under way
    const auto start = std::chrono::steady_clock::now();
    DestroyTarselService(m_service);
    m_service = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(ConfigLines(log).size() == 2u) << "late line after destruction";
}

struct Blocking {
    std::atomic<bool> blocked{false};
    std::atomic<bool> released{false};
    static void OnLog(int, const char* message, void* self) {
        auto* blocking = static_cast<Blocking*>(self);
        if (std::string(message).rfind("[TarselService] 更新配置 interval=", 0) != 0) return;
        // A host whose log callback waits for the thread that is destroying.
        blocking->blocked.store(true);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!blocking->released.load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

TEST_F(RemoteConfigEndToEnd, ALogCallbackBlockedOnTheDestroyingThread) {
    s_server->Answer(200, R"({"interval":4})");
    static Blocking blocking;
    m_service->SetLogCallback(&Blocking::OnLog, &blocking);
    Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!blocking.blocked.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(blocking.blocked.load());
    const auto start = std::chrono::steady_clock::now();
    DestroyTarselService(m_service);
    m_service = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    blocking.released.store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The rest of the answer found no service to apply to.
    ITarselService* quiet = CreateTarselService();
    quiet->SetLogCallback(nullptr, nullptr);
    DestroyTarselService(quiet);
}

}  // namespace
