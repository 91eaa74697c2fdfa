// The configuration fetch of a start in tarsel.dll under Wine: WinHTTP through
// the prefix's default proxy to the substitute HTTPS server (started by
// scripts/test-windows, which names its folder and proxy port in the
// environment), and the server mode from C:\ludoradebug.txt.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "windows_support.h"

#ifndef TARSEL_CONFIG_HOST_PRODUCTION
#error "the configuration hosts come from the build"
#endif

namespace {

using tarsel_windows_test::LogSink;
using tarsel_windows_test::TarselDll;
using tarsel_windows_test::TestWindow;

const std::string kPath = "/api/v1/ludora.vessel.game.Gloamsight/PushConfig";
const char kFailed[] = "[TarselService] 配置获取失败，使用默认配置";
const char kApplied[] = "[TarselService] 远程配置获取成功";
const wchar_t kProfile[] = L"C:\\ludoradebug.txt";

std::string Url(const char* host) {
    return std::string("https://") + host + kPath;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Points WinHTTP's default proxy (what "netsh winhttp set proxy" stores) at
// the substitute server's CONNECT proxy, which tunnels every target to it.
bool SetDefaultProxy(const std::string& proxy) {
    std::vector<BYTE> value;
    const auto put = [&value](DWORD word) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&word);
        value.insert(value.end(), bytes, bytes + sizeof word);
    };
    put(0x18);  // the settings' magic number
    put(0);
    put(2);  // a named proxy
    put(static_cast<DWORD>(proxy.size()));
    value.insert(value.end(), proxy.begin(), proxy.end());
    put(0);  // no bypass list
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                          0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok = ::RegSetValueExW(key, L"WinHttpSettings", 0, REG_BINARY, value.data(),
                                     static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

bool WaitForLine(LogSink& sink, const std::string& prefix, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        if (sink.CountStartingWith(prefix) > 0) return true;
        ::Sleep(20);
    }
    return sink.CountStartingWith(prefix) > 0;
}

class ConfigTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = Environment("TARSEL_TEST_CONFIG_DIR");
        const std::string port = Environment("TARSEL_TEST_CONFIG_PROXY_PORT");
        s_ready = !s_folder.empty() && !port.empty() && SetDefaultProxy("127.0.0.1:" + port);
    }
    void SetUp() override {
        ASSERT_TRUE(s_ready) << "run through scripts/test-windows: it starts the configuration server";
        ::DeleteFileW(kProfile);
        ASSERT_TRUE(m_dll.Load());
        m_service = m_dll.create();
        ASSERT_NE(m_service, nullptr);
        m_service->SetLogCallback(&LogSink::Callback, &m_sink);
        ASSERT_TRUE(m_service->Init(m_window.Handle()));
        m_sink.Clear();
    }
    void TearDown() override {
        if (m_service != nullptr) m_dll.destroy(m_service);
        ::DeleteFileW(kProfile);
    }

    // The substitute server's answer to every following request.
    static void Answer(int status, const std::string& body, double delaySeconds = 0) {
        Json::Value answer(Json::objectValue);
        answer["status"] = status;
        answer["body"] = body;
        answer["delay"] = delaySeconds;
        const std::string path = s_folder + "\\answer.json";
        {
            std::ofstream out(path + ".tmp", std::ios::binary);
            out << Json::FastWriter().write(answer);
        }
        ::MoveFileExA((path + ".tmp").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    // Method and target of every request the server saw: the proxy's
    // CONNECT targets and the HTTPS listener's GET paths.
    static std::vector<std::pair<std::string, std::string>> Requests() {
        std::vector<std::pair<std::string, std::string>> requests;
        std::ifstream in(s_folder + "\\requests.log");
        Json::Reader reader;
        for (std::string line; std::getline(in, line);) {
            Json::Value event;
            if (!reader.parse(line, event) || !event.isObject()) continue;
            if (event["listener"].asString() == "proxy") {
                requests.emplace_back("CONNECT", event["connect"].asString());
            } else {
                requests.emplace_back(event["method"].asString(), event["path"].asString());
            }
        }
        return requests;
    }
    // A start whose model load fails still fetches.
    void Start() { EXPECT_FALSE(m_service->StartSceneMonitor("C:\\no such model.onnx", 5, 15, 5, 5)); }
    std::vector<std::pair<int, std::string>> ConfigLines() {
        std::vector<std::pair<int, std::string>> lines;
        for (const auto& line : m_sink.Lines()) {
            if (line.second.find("配置") != std::string::npos ||
                line.second.find("server_mode=") != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    static std::string s_folder;
    static bool s_ready;
    TarselDll m_dll;
    TestWindow m_window{64, 64, RGB(0, 0, 255)};
    ITarselService* m_service = nullptr;
    LogSink& m_sink = LogSink::Sink();
};

std::string ConfigTest::s_folder;
bool ConfigTest::s_ready = false;

TEST_F(ConfigTest, AValidAnswerIsAppliedWithItsFiveLines) {
    Answer(200, R"({"result":{"error_code":0},"interval":10,"resolution":"720p",)"
                R"("forward_windows":3,"backward_windows":4})");
    const size_t before = Requests().size();
    Start();
    ASSERT_TRUE(WaitForLine(m_sink, kApplied, 30000));
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "[TarselService] 正在从后台获取配置..."},
        {1, "[TarselService] server_mode=0, configUrl=" + Url(TARSEL_CONFIG_HOST_PRODUCTION)},
        {1, "[TarselService] 更新配置 interval=10"},
        {1, "[TarselService] 更新配置 resolution=720p"},
        {1, "[TarselService] 更新配置 forward_windows=3"},
        {1, "[TarselService] 更新配置 backward_windows=4"},
        {1, kApplied}};
    EXPECT_EQ(ConfigLines(), expected);
    // Through the proxy's tunnel to the production host. Wine's WinHTTP writes
    // the target in absolute form inside the tunnel, Windows in origin form.
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), before + 2);
    EXPECT_EQ(requests[before], (std::pair<std::string, std::string>{
                                    "CONNECT", std::string(TARSEL_CONFIG_HOST_PRODUCTION) + ":443"}));
    EXPECT_EQ(requests[before + 1].first, "GET");
    const std::string& target = requests[before + 1].second;
    EXPECT_TRUE(target == kPath ||
                target == "https://" + std::string(TARSEL_CONFIG_HOST_PRODUCTION) + ":443" + kPath)
        << target;
}

TEST_F(ConfigTest, AnErrorCodeOrAFailedStatusGivesTheErrorLine) {
    for (const auto& answer : {std::pair<int, std::string>{200, R"({"result":{"error_code":1001},"interval":10})"},
                               {500, R"({"interval":10})"}}) {
        SCOPED_TRACE(answer.first);
        m_sink.Clear();
        Answer(answer.first, answer.second);
        Start();
        ASSERT_TRUE(WaitForLine(m_sink, kFailed, 30000));
        EXPECT_TRUE(m_sink.Contains(3, kFailed));
        EXPECT_EQ(m_sink.CountStartingWith("[TarselService] 更新配置"), 0u);
    }
}

TEST_F(ConfigTest, TheProfileSelectsTheServer) {
    Answer(200, R"({"result":{"error_code":0},"interval":7})");
    const struct {
        const char* text;  // the profile file, or null for none
        int mode;
        std::string url;
    } cases[] = {
        {nullptr, 0, Url(TARSEL_CONFIG_HOST_PRODUCTION)},
        {"[Gloamkit]\r\nServerMode=0\r\n", 0, Url(TARSEL_CONFIG_HOST_PRODUCTION)},
        {"[Gloamkit]\r\nServerMode=1\r\n", 1, Url(TARSEL_CONFIG_HOST_QA)},
        {"[Gloamkit]\nServerMode = 2\n", 2, Url(TARSEL_CONFIG_HOST_TEST)},
        {"[Gloamkit]\r\nServerMode=-1\r\n", -1, Url(TARSEL_CONFIG_HOST_PRODUCTION)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ::DeleteFileW(kProfile);
        if (c.text != nullptr) {
            std::ofstream profile("C:\\ludoradebug.txt", std::ios::binary);
            profile << c.text;
        }
        m_sink.Clear();
        Start();
        ASSERT_TRUE(WaitForLine(m_sink, kApplied, 30000));
        EXPECT_TRUE(m_sink.Contains(
            1, "[TarselService] server_mode=" + std::to_string(c.mode) + ", configUrl=" + c.url));
    }
}

TEST_F(ConfigTest, DestroyingTheServiceCancelsASlowAnswer) {
    Answer(200, R"({"interval":1})", 20);
    Start();
    ASSERT_TRUE(WaitForLine(m_sink, "[TarselService] server_mode=", 5000));
    ::Sleep(300);  // the request is under way
    const DWORD start = ::GetTickCount();
    m_dll.destroy(m_service);
    m_service = nullptr;
    EXPECT_LT(::GetTickCount() - start, 5000u);
    ::Sleep(1500);
    EXPECT_EQ(ConfigLines().size(), 2u) << "a line after the destruction";
}

}  // namespace
