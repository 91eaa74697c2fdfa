// The service as the host sees it: a whole monitor pass, the screenshot on the
// host's thread, the stop, the CPU share while monitoring and the peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "bench_support.h"
#include "capture/frame_ops.h"
#include "capture/screen_capturer.h"
#include "classifier/scene_classifier.h"
#include "service/tarsel_service.h"

#ifndef TARSEL_MODEL_DIR
#error "TARSEL_MODEL_DIR must name the generated models"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using tarsel::TarselService;
using tarsel_bench::PictureWindow;

const std::string kReference = std::string(TARSEL_MODEL_DIR) + "/reference.onnx";

void Quiet(int, const char*, void*) {}

// A service bound to the window, with no configuration fetch and no output.
void Prepare(TarselService& service, const PictureWindow& window) {
    service.SetConfigFetcher([](TarselService&) {});
    service.SetLogCallback(&Quiet, nullptr);
    service.Init(window.Handle());
}

// Polls once a millisecond: often enough that the errors of consecutive
// passes cancel out, rarely enough to cost the worker nothing.
void WaitForFrames(TarselService& service, uint32_t count) {
    while (service.GetFramesWritten() < count) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One pass of the worker at interval 0 with the reference-cost model: the time
// from one kept frame to the next.
void BM_MonitorPass(benchmark::State& state) {
    PictureWindow window(1920, 1080);
    if (!window.Ok()) return state.SkipWithError("no X server");
    TarselService service;
    Prepare(service, window);
    if (!service.StartSceneMonitor(kReference.c_str(), 0, 15, 5, 5)) {
        return state.SkipWithError("monitoring did not start");
    }
    uint32_t written = service.GetFramesWritten() + 2;
    WaitForFrames(service, written);
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        WaitForFrames(service, ++written);
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
    // The whole process's CPU, the worker's included, per pass.
    state.counters["cpu_ms"] =
        (ProcessCpuSeconds() - cpuStart) * 1000.0 / static_cast<double>(state.iterations());
    service.StopSceneMonitor();
}
BENCHMARK(BM_MonitorPass)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

// The stages of a pass in a row on this thread, with the worker's calls and
// buffers, to count what they allocate; Run's own allocations are counted apart.
void BM_PassStages(benchmark::State& state) {
    PictureWindow window(1920, 1080);
    if (!window.Ok()) return state.SkipWithError("no X server");
    tarsel::ScreenCapturer capturer;
    capturer.SetWindowHandle(window.Handle());
    tarsel::SceneClassifier classifier(kReference);
    int64_t total = 0;
    int64_t inRun = 0;
    tarsel::CapturedFrame frame;
    std::vector<float> input;
    for (auto _ : state) {
        const int64_t start = tarsel_bench::AllocationsOnThisThread();
        capturer.CaptureWindowInto(frame);
        classifier.PreprocessInto(frame, input);
        const int64_t beforeRun = tarsel_bench::AllocationsOnThisThread();
        const tarsel::ClassificationResult result = classifier.Classify(input);
        inRun += tarsel_bench::AllocationsOnThisThread() - beforeRun;
        std::string base64 = tarsel::EncodeBoundedJpegBase64(frame, 1920);
        total += tarsel_bench::AllocationsOnThisThread() - start;
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(base64.data());
    }
    if (tarsel_bench::AllocationsOnThisThread() >= 0 && state.iterations() > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["allocs"] = static_cast<double>(total) / n;
        state.counters["allocs_in_classify"] = static_cast<double>(inRun) / n;
    }
}
BENCHMARK(BM_PassStages)->Iterations(20)->Unit(benchmark::kMillisecond);

struct ShotResult {
    size_t length = 0;
    int code = 0;
};

void OnShot(const char* base64, int, int, int code, const char*, void* user) {
    auto* result = static_cast<ShotResult*>(user);
    result->code = code;
    result->length = base64 != nullptr ? std::char_traits<char>::length(base64) : 0;
}

// CaptureScreenAsync on the host's thread: {width, height, maxSize}.
void BM_Screenshot(benchmark::State& state) {
    PictureWindow window(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!window.Ok()) return state.SkipWithError("no X server");
    TarselService service;
    Prepare(service, window);
    ShotResult result;
    for (auto _ : state) {
        service.CaptureScreenAsync(static_cast<int>(state.range(2)), &OnShot, &result);
        if (result.code != 0) return state.SkipWithError("screenshot failed");
    }
    state.SetLabel(std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)) +
                   " maxSize " + std::to_string(state.range(2)));
}
BENCHMARK(BM_Screenshot)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1920})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1920})
    ->Unit(benchmark::kMillisecond);

// StopSceneMonitor while the worker sleeps out an interval of 5 seconds.
void BM_StopLatency(benchmark::State& state) {
    PictureWindow window(1920, 1080);
    if (!window.Ok()) return state.SkipWithError("no X server");
    TarselService service;
    Prepare(service, window);
    for (auto _ : state) {
        if (!service.StartSceneMonitor(kReference.c_str(), 5, 15, 5, 5)) {
            return state.SkipWithError("monitoring did not start");
        }
        WaitForFrames(service, service.GetFramesWritten() + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const Clock::time_point start = Clock::now();
        service.StopSceneMonitor();
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
}
BENCHMARK(BM_StopLatency)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

// Process CPU time over wall time while monitoring a 1080p window at interval
// 5 with the reference-cost model, over 60 seconds.
void BM_CpuShareInterval5(benchmark::State& state) {
    PictureWindow window(1920, 1080);
    if (!window.Ok()) return state.SkipWithError("no X server");
    TarselService service;
    Prepare(service, window);
    double share = 0;
    for (auto _ : state) {
        if (!service.StartSceneMonitor(kReference.c_str(), 5, 15, 5, 5)) {
            return state.SkipWithError("monitoring did not start");
        }
        const double cpuStart = ProcessCpuSeconds();
        const Clock::time_point wallStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(60));
        share = (ProcessCpuSeconds() - cpuStart) / Seconds(Clock::now() - wallStart);
        service.StopSceneMonitor();
    }
    state.counters["cpu_percent"] = share * 100.0;
}
BENCHMARK(BM_CpuShareInterval5)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// Run alone in its own process (scripts/bench does): the peak resident size
// of monitoring a 1080p window with history 15 until the speech buffer holds
// the ring and the frames after the speech, plus a screenshot.
void BM_PeakResident(benchmark::State& state) {
    PictureWindow window(1920, 1080);
    if (!window.Ok()) return state.SkipWithError("no X server");
    for (auto _ : state) {
        TarselService service;
        Prepare(service, window);
        if (!service.StartSceneMonitor(kReference.c_str(), 0, 15, 5, 5)) {
            return state.SkipWithError("monitoring did not start");
        }
        service.OnUserStartSpeaking();
        WaitForFrames(service, service.GetFramesWritten() + 20);
        service.OnUserStopSpeaking("");
        WaitForFrames(service, service.GetFramesWritten() + 10);
        benchmark::DoNotOptimize(service.GetPendingFrames());
        ShotResult result;
        service.CaptureScreenAsync(0, &OnShot, &result);
        service.StopSceneMonitor();
    }
    state.counters["peak_MiB"] = static_cast<double>(PeakResidentKiB()) / 1024.0;
}
BENCHMARK(BM_PeakResident)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

}  // namespace
