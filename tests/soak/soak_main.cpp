// Soak: monitoring at interval 0 on a 1920x1080 window for many passes, with
// boss sequences and speech windows going on, watching resident memory.
//   tarsel_soak [--passes N] [--baseline N] [--max-growth PERCENT]
// Prints the passes, the deliveries and the resident memory after the
// baseline passes and at the end; exits 1 when memory grew beyond the bound.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "service/tarsel_service.h"
#include "support/test_window.h"
#include "support/xvfb_server.h"

namespace {

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::atomic<int> g_deliveries{0};
std::atomic<int> g_frames{0};

void OnFrames(int, const char* json, void*) {
    ++g_deliveries;
    for (const char* p = json; (p = std::strstr(p, "\"base64\"")) != nullptr; ++p) ++g_frames;
}

void Quiet(int, const char*, void*) {}

}  // namespace

int main(int argc, char** argv) {
    int passes = 5000;
    int baseline = 500;
    double maxGrowth = 5.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--passes") passes = std::atoi(argv[i + 1]);
        if (flag == "--baseline") baseline = std::atoi(argv[i + 1]);
        if (flag == "--max-growth") maxGrowth = std::atof(argv[i + 1]);
    }
    tarsel_test::XvfbServer server;
    if (!server.Start(1920, 1080)) {
        std::fprintf(stderr, "soak: cannot start Xvfb: %s\n", server.Error().c_str());
        return 1;
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    tarsel_test::TestDisplay display;
    tarsel_test::TestWindow window(display, 0, 0, 1920, 1080, 0x0000FF);
    window.Focus();

    tarsel::TarselService service;
    service.SetConfigFetcher([](tarsel::TarselService&) {});
    service.SetLogCallback(&Quiet, nullptr);
    service.SetFrameCallback(&OnFrames, nullptr);
    service.Init(window.Handle());
    if (!service.StartSceneMonitor(TARSEL_MODEL_DIR "/colour.onnx", 0, 15, 5, 5)) {
        std::fprintf(stderr, "soak: monitoring did not start\n");
        return 1;
    }
    long baselineKiB = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0;; ++step) {
        const uint32_t done = service.GetFramesWritten();
        if (baselineKiB == 0 && done >= static_cast<uint32_t>(baseline)) {
            baselineKiB = ResidentKiB();
            std::printf("soak: %u passes, %d deliveries, %d frames delivered, resident %ld KiB\n", done,
                        g_deliveries.load(), g_frames.load(), baselineKiB);
        }
        if (done >= static_cast<uint32_t>(passes)) break;
        // Every so often: the boss scene for a while, then back, the host
        // answering; the user speaking now and then.
        window.Fill(step % 40 < 10 ? 0xFF0000 : 0x0000FF);
        if (step % 40 == 20) service.ResetBossState();
        if (step % 25 == 0) service.OnUserStartSpeaking();
        if (step % 25 == 8) service.OnUserStopSpeaking("soak");
        if (step % 25 == 20) service.GetPendingFrames();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    service.StopSceneMonitor();
    const long endKiB = ResidentKiB();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %u passes in %.1f s, %d deliveries, %d frames delivered, resident %ld KiB\n",
                service.GetFramesWritten(), seconds, g_deliveries.load(), g_frames.load(), endKiB);
    const double growth = baselineKiB > 0 ? 100.0 * (endKiB - baselineKiB) / baselineKiB : 0.0;
    std::printf("soak: resident memory %+.1f %% since the baseline (bound %.1f %%)\n", growth, maxGrowth);
    service.Shutdown();
    return growth <= maxGrowth ? 0 : 1;
}
