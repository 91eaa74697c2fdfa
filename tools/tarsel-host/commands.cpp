#include "commands.h"

#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "child_process.h"
#include "host_session.h"
#include "recorder.h"
#include "synthetic_game.h"
#include "x_windows.h"

namespace tarsel_host {

namespace {

using std::chrono::milliseconds;

// --name VALUE options and --flag switches; anything else is an error.
struct Options {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    bool Parse(const std::vector<std::string>& args, const std::set<std::string>& withValue,
               const std::set<std::string>& switches, std::string& error) {
        for (size_t i = 0; i < args.size(); ++i) {
            if (withValue.count(args[i]) != 0) {
                if (i + 1 >= args.size()) {
                    error = args[i] + " needs a value";
                    return false;
                }
                values[args[i]] = args[i + 1];
                ++i;
            } else if (switches.count(args[i]) != 0) {
                flags.insert(args[i]);
            } else {
                error = "unknown option " + args[i];
                return false;
            }
        }
        return true;
    }
    std::string Get(const std::string& name, const std::string& fallback = "") const {
        const auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
    int Int(const std::string& name, int fallback) const {
        const auto it = values.find(name);
        return it == values.end() ? fallback : std::atoi(it->second.c_str());
    }
    bool Has(const std::string& name) const { return flags.count(name) != 0; }
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "tarsel-host: %s\n", message.c_str());
    return 1;
}

bool FileReadable(const std::string& path) {
    return std::ifstream(path).good();
}

// The project's colour model: beside an installed program, else in the build.
std::string DefaultModel() {
    const std::string installed = ExecutableDir() + "/../share/tarsel/colour.onnx";
    if (FileReadable(installed)) return installed;
#ifdef TARSEL_HOST_BUILD_MODEL
    return TARSEL_HOST_BUILD_MODEL;
#else
    return installed;
#endif
}

std::string ConfigServerTool() {
    const std::string installed = ExecutableDir() + "/../share/tarsel/tarsel_config_server.py";
    if (FileReadable(installed)) return installed;
#ifdef TARSEL_HOST_BUILD_CONFIG_SERVER
    return TARSEL_HOST_BUILD_CONFIG_SERVER;
#else
    return installed;
#endif
}

void Say(const std::string& text) {
    std::printf("tarsel-host: %s\n", text.c_str());
    std::fflush(stdout);
}

// The start's model error, in the library's words.
std::string StartError(const HostSession& session) {
    std::string line;
    if (session.Saw("[TarselService] 模型加载失败: ", &line)) return "the model does not load: " + line;
    if (session.Saw("[TarselService] 历史帧数量无效", &line)) return line;
    return "monitoring did not start";
}

bool Finish(Recorder& recorder) {
    std::string error;
    if (!recorder.Finish(error)) {
        Fail(error);
        return false;
    }
    Say("wrote " + std::to_string(recorder.Frames().size()) + " pictures; open " + recorder.Folder() +
        "/index.html");
    return true;
}

// Pulls the speech frames once the library has collected them.
void PullSpeech(HostSession& session, Recorder& recorder, milliseconds limit) {
    session.WaitFor("[TarselService] 语音帧收集完成", limit);
    recorder.AddSpeech(session.Service().GetPendingFrames());
}

const char kDemoHelp[] =
    "usage: tarsel-host demo [--out DIR] [--display :N] [--lib PATH] [--model FILE]\n"
    "                        [--quick] [--no-config-server]\n"
    "  Plays a synthetic game (an ordinary scene, the boss scene in red, ordinary\n"
    "  again) in a window on a private Xvfb (or on --display), monitors it with the\n"
    "  colour model, simulates the user speaking, takes a screenshot, and writes\n"
    "  every delivery as JPEG files with index.json and index.html to DIR\n"
    "  (default: tarsel-demo). A substitute configuration server answers the\n"
    "  start's configuration fetch through https_proxy unless --no-config-server.\n"
    "  --quick runs the same script at interval 0 in a few seconds.\n";

struct DemoScript {
    int interval;
    milliseconds ordinary;
    milliseconds boss;
    milliseconds speech;
    milliseconds collect;
};

bool StartConfigServer(tarsel_tools::ChildProcess& server, int interval, std::string& error) {
#ifndef TARSEL_HOST_PYTHON
#define TARSEL_HOST_PYTHON "/usr/bin/python3"
#endif
    const std::string body = "{\"result\":{\"error_code\":0},\"interval\":" + std::to_string(interval) +
                             ",\"resolution\":\"640x360\",\"forward_windows\":4,\"backward_windows\":3}";
    std::string ready;
    if (!server.Start({TARSEL_HOST_PYTHON, ConfigServerTool(), "--body", body, "--lifetime", "300"}, 30,
                      ready, error)) {
        return false;
    }
    int https = 0, http = 0, proxy = 0;
    if (std::sscanf(ready.c_str(), "READY https=%d http=%d proxy=%d", &https, &http, &proxy) != 3) {
        error = "unexpected answer from the configuration server: " + ready;
        return false;
    }
    // The library asks the fixed production URL; the proxy carries it here.
    setenv("https_proxy", ("http://127.0.0.1:" + std::to_string(proxy)).c_str(), 1);
    return true;
}

}  // namespace

int RunDemo(const std::vector<std::string>& args) {
    Options options;
    std::string error;
    if (!options.Parse(args, {"--out", "--display", "--lib", "--model"},
                       {"--quick", "--no-config-server", "--help", "-h"}, error)) {
        return Fail(error + " (try tarsel-host demo --help)");
    }
    if (options.Has("--help") || options.Has("-h")) {
        std::fputs(kDemoHelp, stdout);
        return 0;
    }
    const bool quick = options.Has("--quick");
    const DemoScript script = quick ? DemoScript{0, milliseconds(800), milliseconds(900), milliseconds(600), milliseconds(5000)}
                                    : DemoScript{1, milliseconds(4000), milliseconds(5000), milliseconds(3000), milliseconds(8000)};
    const std::string model = options.Get("--model", DefaultModel());

    Recorder recorder;
    if (!recorder.Open(options.Get("--out", "tarsel-demo"), error)) return Fail(error);

    tarsel_tools::ChildProcess xvfb;
    if (options.Get("--display").empty()) {
        if (!StartPrivateDisplay(xvfb, 1280, 720, error)) return Fail(error);
    } else {
        setenv("DISPLAY", options.Get("--display").c_str(), 1);
    }
    tarsel_tools::ChildProcess configServer;
    if (!options.Has("--no-config-server") && !StartConfigServer(configServer, script.interval, error)) {
        return Fail("cannot start the configuration server: " + error);
    }

    SyntheticGame game;
    if (!game.Open(640, 360, error)) return Fail(error);
    HostSession session;
    if (!session.Open(options.Get("--lib"), recorder, error)) return Fail(error);
    ITarselService& service = session.Service();
    if (!service.Init(game.Handle())) return Fail("Init refused the game window");

    Say("screenshot of the game window");
    if (!session.Screenshot(0, "screenshot.jpg", error)) return Fail(error);
    if (!service.StartSceneMonitor(model.c_str(), script.interval, 8, 4, 3)) return Fail(StartError(session));
    session.StartStatus();

    Say("ordinary scene");
    std::this_thread::sleep_for(script.ordinary);
    Say("boss scene: the window turns red");
    game.SetScene(Scene::kBoss);
    std::this_thread::sleep_for(script.boss);
    Say("ordinary scene again; the host's model has answered (ResetBossState)");
    game.SetScene(Scene::kOrdinary);
    service.ResetBossState();
    Say("the user speaks");
    service.OnUserStartSpeaking();
    std::this_thread::sleep_for(script.speech);
    service.OnUserStopSpeaking("show me the map");
    PullSpeech(session, recorder, script.collect);
    if (!options.Has("--no-config-server")) session.WaitFor("[TarselService] 远程配置获取成功", milliseconds(5000));
    service.StopSceneMonitor();
    session.Close();
    game.Close();

    std::string applied;
    if (session.Saw("[TarselService] 远程配置获取成功")) Say("the fetched configuration was applied");
    return Finish(recorder) ? 0 : 1;
}

namespace {

const char kWatchHelp[] =
    "usage: tarsel-host watch --window ID|NAME --model FILE [--interval N] [--history N]\n"
    "                         [--forward N] [--backward N] [--out DIR] [--lib PATH]\n"
    "  Monitors a window of $DISPLAY (by X id, or the first window whose title\n"
    "  contains NAME) and writes every delivery to DIR (default: tarsel-watch).\n"
    "  Defaults: interval 5, history 15, forward 5, backward 5.\n"
    "  Keys: s speech start/stop, r reset the boss state, p screenshot, q quit.\n";

const char kScreenshotHelp[] =
    "usage: tarsel-host screenshot --window ID|NAME [--max-size N] -o FILE.jpg [--lib PATH]\n"
    "  One screenshot of a window of $DISPLAY (it must be in front), bounded to N\n"
    "  pixels on its longer side (default 0: full size).\n";

// Puts a terminal in single-key mode for the object's lifetime.
class RawKeys {
public:
    RawKeys() {
        if (isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &m_saved) != 0) return;
        termios raw = m_saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawKeys() {
        if (m_active) tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    // A key, 0 after the timeout, -1 at the end of input.
    static int Next(milliseconds timeout) {
        fd_set read;
        FD_ZERO(&read);
        FD_SET(STDIN_FILENO, &read);
        timeval wait{0, static_cast<suseconds_t>(timeout.count() * 1000)};
        if (select(STDIN_FILENO + 1, &read, nullptr, nullptr, &wait) <= 0) return 0;
        char key;
        return ::read(STDIN_FILENO, &key, 1) == 1 ? key : -1;
    }

private:
    termios m_saved{};
    bool m_active = false;
};

bool FindTarget(const Options& options, xcb_window_t& window, std::string& error) {
    if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0') {
        error = "no display: set DISPLAY";
        return false;
    }
    XConnection x;
    if (!x.Ok()) {
        error = std::string("cannot connect to the display ") + std::getenv("DISPLAY");
        return false;
    }
    return FindWindow(x, options.Get("--window"), window, error);
}

HWND ToHandle(xcb_window_t window) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}

}  // namespace

int RunWatch(const std::vector<std::string>& args) {
    Options options;
    std::string error;
    if (!options.Parse(args, {"--window", "--model", "--interval", "--history", "--forward", "--backward", "--out", "--lib"},
                       {"--help", "-h"}, error)) {
        return Fail(error + " (try tarsel-host watch --help)");
    }
    if (options.Has("--help") || options.Has("-h")) {
        std::fputs(kWatchHelp, stdout);
        return 0;
    }
    if (options.Get("--window").empty() || options.Get("--model").empty()) {
        return Fail("watch needs --window and --model (try tarsel-host watch --help)");
    }
    xcb_window_t window = 0;
    if (!FindTarget(options, window, error)) return Fail(error);
    Recorder recorder;
    if (!recorder.Open(options.Get("--out", "tarsel-watch"), error)) return Fail(error);
    HostSession session;
    if (!session.Open(options.Get("--lib"), recorder, error)) return Fail(error);
    ITarselService& service = session.Service();
    service.Init(ToHandle(window));
    if (!service.StartSceneMonitor(options.Get("--model").c_str(), options.Int("--interval", 5),
                                   options.Int("--history", 15), options.Int("--forward", 5),
                                   options.Int("--backward", 5))) {
        return Fail(StartError(session));
    }
    Say("watching; keys: s speech start/stop, r reset boss state, p screenshot, q quit");
    session.StartStatus();
    RawKeys keys;
    bool speaking = false;
    int shots = 0;
    for (;;) {
        const int key = RawKeys::Next(milliseconds(200));
        if (key == 'q' || key < 0) break;
        if (key == 'r') service.ResetBossState();
        if (key == 's') {
            speaking = !speaking;
            if (speaking) {
                service.OnUserStartSpeaking();
            } else {
                service.OnUserStopSpeaking("");
                PullSpeech(session, recorder, milliseconds(1000 * (5 + 5 * options.Int("--interval", 5))));
            }
        }
        if (key == 'p' && !session.Screenshot(0, "screenshot" + std::to_string(++shots) + ".jpg", error)) {
            Say(error);
        }
    }
    service.StopSceneMonitor();
    session.Close();
    return Finish(recorder) ? 0 : 1;
}

int RunScreenshot(const std::vector<std::string>& args) {
    Options options;
    std::string error;
    if (!options.Parse(args, {"--window", "--max-size", "-o", "--lib"}, {"--help", "-h"}, error)) {
        return Fail(error + " (try tarsel-host screenshot --help)");
    }
    if (options.Has("--help") || options.Has("-h")) {
        std::fputs(kScreenshotHelp, stdout);
        return 0;
    }
    const std::string output = options.Get("-o");
    if (options.Get("--window").empty() || output.empty()) {
        return Fail("screenshot needs --window and -o (try tarsel-host screenshot --help)");
    }
    xcb_window_t window = 0;
    if (!FindTarget(options, window, error)) return Fail(error);
    const size_t slash = output.rfind('/');
    Recorder recorder;
    if (!recorder.Open(slash == std::string::npos ? "." : output.substr(0, slash), error)) return Fail(error);
    HostSession session;
    if (!session.Open(options.Get("--lib"), recorder, error)) return Fail(error);
    session.Service().Init(ToHandle(window));
    const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
    if (!session.Screenshot(options.Int("--max-size", 0), name, error)) return Fail(error);
    session.Close();
    const auto frames = recorder.Frames();
    Say("wrote " + output + " (" + std::to_string(frames[0].width) + "x" + std::to_string(frames[0].height) + ")");
    return 0;
}

}  // namespace tarsel_host
