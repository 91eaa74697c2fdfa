// tarsel-host as a user runs it: the quick demo's output folder, and the
// one-line errors of bad input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "support/jpeg_decode.h"
#include "support/xvfb_server.h"

#ifndef TARSEL_HOST_TOOL
#error "TARSEL_HOST_TOOL must name the tarsel-host program"
#endif

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool to completion (at most limitSeconds) with extra environment.
ToolRun RunTool(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
            int limitSeconds = 120) {
    const std::string outPath = ::testing::TempDir() + "tarsel-host.out";
    const std::string errPath = ::testing::TempDir() + "tarsel-host.err";
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<std::string> all = {TARSEL_HOST_TOOL};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ToolRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "tarsel-host did not finish in time";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

std::string TempFolder(const char* name) {
    std::string path = ::testing::TempDir() + name + "-XXXXXX";
    return mkdtemp(&path[0]) != nullptr ? path : std::string();
}

uint32_t Snap(uint32_t rgb) {
    uint32_t snapped = 0;
    for (int shift : {16, 8, 0}) {
        if (((rgb >> shift) & 0xFF) > 0x80) snapped |= 0xFFu << shift;
    }
    return snapped;
}

TEST(HostTool, QuickDemoLeavesAContactSheetOfEveryDelivery) {
    const std::string out = TempFolder("tarsel-demo");
    const ToolRun run = RunTool({"demo", "--quick", "--out", out});
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("[TarselService] 远程配置获取成功"), std::string::npos) << run.out;

    Json::Value index;
    ASSERT_TRUE(Json::Reader().parse(ReadAll(out + "/index.json"), index)) << "index.json";
    std::map<std::string, int> kinds;
    for (const Json::Value& item : index) {
        const std::string kind = item["kind"].asString();
        ++kinds[kind];
        const std::string bytes = ReadAll(out + "/" + item["file"].asString());
        const auto decoded = tarsel_test::DecodeJpeg(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ASSERT_TRUE(decoded.ok) << item["file"].asString();
        // The middle of the picture shows the scene's colour: red is the boss scene.
        const uint32_t colour = Snap(decoded.At(decoded.width / 4, decoded.height / 2));
        if (kind == "screenshot") {
            EXPECT_EQ(colour, 0x0000FFu);
            EXPECT_EQ(item["width"].asInt(), 640);
        } else {
            EXPECT_EQ(colour, item["classId"].asUInt() == 1 ? 0xFF0000u : 0x0000FFu) << item["file"].asString();
        }
    }
    EXPECT_EQ(kinds["screenshot"], 1);
    EXPECT_GE(kinds["forward"], 1);
    EXPECT_EQ(kinds["backward"], 3);
    EXPECT_GE(kinds["speech"], 1);

    const std::string html = ReadAll(out + "/index.html");
    size_t links = 0;
    for (size_t at = html.find("src=\""); at != std::string::npos; at = html.find("src=\"", at + 1)) {
        const size_t end = html.find('"', at + 5);
        const std::string file = html.substr(at + 5, end - at - 5);
        EXPECT_TRUE(std::ifstream(out + "/" + file).good()) << file;
        ++links;
    }
    EXPECT_EQ(links, index.size());
    EXPECT_EQ(html.find("<script"), std::string::npos);
}

class HostToolErrors : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_x = std::make_unique<tarsel_test::XvfbServer>();
        ASSERT_TRUE(s_x->Start()) << s_x->Error();
    }
    static void TearDownTestSuite() { s_x.reset(); }
    static std::unique_ptr<tarsel_test::XvfbServer> s_x;
};
std::unique_ptr<tarsel_test::XvfbServer> HostToolErrors::s_x;

TEST_F(HostToolErrors, BadInputIsOneLineAndANonZeroStatus) {
    const std::string display = s_x->Display();
    const std::string out = TempFolder("tarsel-errors");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::map<std::string, std::string> env;
        const char* says;
    } cases[] = {
        {"unknown window", {"screenshot", "--window", "0x7ffffff0", "-o", out + "/x.jpg"}, {{"DISPLAY", display}}, "no window"},
        {"unknown title", {"watch", "--window", "no such game", "--model", "m.onnx"}, {{"DISPLAY", display}}, "no window"},
        {"no display", {"screenshot", "--window", "1", "-o", out + "/x.jpg"}, {{"DISPLAY", ""}}, "no display"},
        {"model does not load", {"demo", "--quick", "--no-config-server", "--model", "/nonexistent.onnx", "--out", out}, {}, "model"},
        {"output not writable", {"demo", "--quick", "--no-config-server", "--out", "/proc/tarsel-demo"}, {}, "output folder"},
        {"library does not load", {"demo", "--quick", "--no-config-server", "--lib", "/nonexistent/libtarsel.so", "--out", out}, {}, "cannot load"},
        {"unknown option", {"demo", "--fast"}, {}, "unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.args, c.env);
        EXPECT_NE(run.status, 0);
        EXPECT_LT(run.status, 128) << "killed by a signal";
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.err.rfind("tarsel-host: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
}

}  // namespace
