// Reading the configuration answer and the debug profile, and applying it.
#include <gtest/gtest.h>

#include <fstream>

#include "config/config_servers.h"
#include "config/ini_reader.h"
#include "config/remote_config.h"
#include "service/tarsel_service.h"
#include "support/log_capture.h"

namespace {

using tarsel::ParseRemoteConfig;
using tarsel::RemoteConfig;
using tarsel_test::LogLine;

constexpr int32_t kMin = -2147483647 - 1;

TEST(ParseRemoteConfig, TheBodiesTable) {
    struct Case {
        const char* name;
        std::string body;
        bool valid;
        int32_t interval, forward, backward;
        std::string resolution;
    } cases[] = {
        {"all keys", R"({"result":{"error_code":0},"interval":10,"resolution":"720p","forward_windows":3,"backward_windows":4})",
         true, 10, 3, 4, "720p"},
        {"error code", R"({"result":{"error_code":1001},"interval":10})", false, 5, 5, 5, ""},
        {"only interval", R"({"interval":10})", true, 10, 5, 5, ""},
        {"string interval", R"({"interval":"10"})", true, 0, 5, 5, ""},
        {"fraction", R"({"interval":7.9,"forward_windows":-7.9})", true, 7, -7, 5, ""},
        {"exponent", R"({"interval":1e3})", true, 1000, 5, 5, ""},
        {"numeric resolution", R"({"resolution":1080})", true, 5, 5, 5, ""},
        {"boolean values", R"({"interval":true,"forward_windows":false,"resolution":true})", true, 1, 0, 5, "true"},
        {"string error code", R"({"result":{"error_code":"5"},"interval":2})", true, 2, 5, 5, ""},
        {"true error code", R"({"result":{"error_code":true}})", false, 5, 5, 5, ""},
        {"fractional error code", R"({"result":{"error_code":0.5}})", true, 5, 5, 5, ""},
        {"null", "null", true, 5, 5, 5, ""},
        {"empty array", "[]", true, 5, 5, 5, ""},
        {"not JSON", "<html>", false, 5, 5, 5, ""},
        {"empty", "", false, 5, 5, 5, ""},
        {"comments", "// tuning\n{\"interval\": /* s */ 3}", true, 3, 5, 5, ""},
        {"scalar result", R"({"result":7,"interval":4})", true, 4, 5, 5, ""},
        {"array result", R"({"result":[],"interval":4})", true, 4, 5, 5, ""},
        {"scalar top level", "42", true, 5, 5, 5, ""},
        {"string top level", "\"interval\"", true, 5, 5, 5, ""},
        {"low 32 bits", R"({"interval":2147483648,"forward_windows":4294967289})", true, kMin, -7, 5, ""},
        {"too large", R"({"interval":4294967290,"forward_windows":-2147483649,"backward_windows":99999999999999999999})",
         true, kMin, kMin, kMin, ""},
        {"large real", R"({"interval":3e10})", true, kMin, 5, 5, ""},
        {"object and array values", R"({"interval":{},"forward_windows":[1],"backward_windows":null})", true, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RemoteConfig config = ParseRemoteConfig(c.body);
        EXPECT_EQ(config.valid, c.valid);
        EXPECT_EQ(config.interval, c.interval);
        EXPECT_EQ(config.forwardWindows, c.forward);
        EXPECT_EQ(config.backwardWindows, c.backward);
        EXPECT_EQ(config.resolution, c.resolution);
    }
}

TEST(ParseRemoteConfig, DeepNestingIsAFailedParseNotACrash) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(ParseRemoteConfig(deep).valid);
    const std::string deepObject = "{\"interval\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
    EXPECT_FALSE(ParseRemoteConfig(deepObject).valid);
}

class IniReader : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        const std::string path = ::testing::TempDir() + "tarsel-profile.ini";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

TEST_F(IniReader, ReadsLikeTheProfileFunctions) {
    struct Case {
        const char* name;
        std::string text;
        int value;
    } cases[] = {
        {"plain", "[Gloamkit]\nServerMode=2\n", 2},
        {"case and blanks", "  [gloamKIT]  \r\n  servermode  =  1  \r\n", 1},
        {"negative", "[Gloamkit]\nServerMode=-1\n", -1},
        {"leading integer", "[Gloamkit]\nServerMode=12abc\n", 12},
        {"no digits", "[Gloamkit]\nServerMode=abc\n", 0},
        {"empty value", "[Gloamkit]\nServerMode=\n", 0},
        {"comment", "[Gloamkit]\n;ServerMode=2\n", 7},
        {"other section", "[Other]\nServerMode=2\n[Gloamkit]\nMode=1\n", 7},
        {"missing section", "ServerMode=2\n", 7},
        {"first key wins", "[Gloamkit]\nServerMode=1\nServerMode=2\n", 1},
        {"empty file", "", 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tarsel::ReadIniInt(Write(c.text), "Gloamkit", "ServerMode", 7), c.value) << c.name;
    }
    EXPECT_EQ(tarsel::ReadIniInt(::testing::TempDir() + "no-such-profile.ini", "Gloamkit", "ServerMode", 7), 7);
}

TEST(ConfigServers, ModeSelectsTheServer) {
    const std::string path = "/api/v1/ludora.vessel.game.Gloamsight/PushConfig";
    EXPECT_EQ(tarsel::ConfigUrlForMode(1), "https://config-qa.tarsel.example" + path);
    EXPECT_EQ(tarsel::ConfigUrlForMode(2), "https://config-test.tarsel.example" + path);
    for (int mode : {0, 3, -1}) {
        EXPECT_EQ(tarsel::ConfigUrlForMode(mode), "https://config.tarsel.example" + path) << mode;
    }
}

TEST(ApplyRemoteConfig, AValidAnswerSetsAllFourWithFiveLines) {
    tarsel::TarselService service;
    service.SetCaptureInterval(9);
    service.SetForwardWindows(8);
    tarsel_test::LogCapture log;
    service.ApplyRemoteConfig(ParseRemoteConfig(R"({"interval":10})"));
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{
                               {1, "[TarselService] 更新配置 interval=10"},
                               {1, "[TarselService] 更新配置 resolution="},
                               {1, "[TarselService] 更新配置 forward_windows=5"},
                               {1, "[TarselService] 更新配置 backward_windows=5"},
                               {1, "[TarselService] 远程配置获取成功"}}));
    EXPECT_EQ(service.GetCaptureInterval(), 10);
    EXPECT_EQ(service.GetForwardWindows(), 5);

    log.Clear();
    service.SetCaptureInterval(3);
    service.ApplyRemoteConfig(RemoteConfig());
    EXPECT_EQ(log.Lines(), (std::vector<LogLine>{{3, "[TarselService] 配置获取失败，使用默认配置"}}));
    EXPECT_EQ(service.GetCaptureInterval(), 3);
}

}  // namespace
