// The screen copy and the colour conversion, each beside what it cannot beat:
// the bare MIT-SHM request for the same rectangle and memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "capture/pixel_rows.h"
#include "capture/screen_capturer.h"

namespace {

using tarsel_bench::SetSizeLabel;

using tarsel::CapturedFrame;
using tarsel_bench::AllocationsOnThisThread;
using tarsel_bench::PictureWindow;

// Allocations per iteration, where the build counts them.
class AllocationMeter {
public:
    AllocationMeter() : m_start(AllocationsOnThisThread()) {}
    void Report(benchmark::State& state) const {
        if (m_start < 0 || state.iterations() == 0) return;
        state.counters["allocs"] = static_cast<double>(AllocationsOnThisThread() - m_start) /
                                   static_cast<double>(state.iterations());
    }

private:
    int64_t m_start;
};

void BM_CaptureWindow(benchmark::State& state) {
    PictureWindow window(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!window.Ok()) return state.SkipWithError("no X server");
    tarsel::ScreenCapturer capturer;
    capturer.SetWindowHandle(window.Handle());
    // Into one frame, as the worker captures.
    CapturedFrame frame;
    if (!capturer.CaptureWindowInto(frame)) return state.SkipWithError("capture failed");
    AllocationMeter meter;
    for (auto _ : state) {
        capturer.CaptureWindowInto(frame);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
    meter.Report(state);
    SetSizeLabel(state);
}
BENCHMARK(BM_CaptureWindow)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// The request the X backend makes, into one segment made beforehand.
void BM_RawShmGrab(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    PictureWindow window(width, height);
    xcb_connection_t* c = tarsel_bench::BenchConnection();
    if (!window.Ok() || c == nullptr) return state.SkipWithError("no X server");
    const size_t size = static_cast<size_t>(width) * height * 4;
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    void* address = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) return state.SkipWithError("no shared memory");
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, segment, id, 0));
    shmctl(id, IPC_RMID, nullptr);
    if (error != nullptr) {
        free(error);
        shmdt(address);
        return state.SkipWithError("MIT-SHM refused");
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    for (auto _ : state) {
        xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, root, 0, 0, static_cast<uint16_t>(width),
                              static_cast<uint16_t>(height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                              segment, 0),
            nullptr);
        benchmark::DoNotOptimize(reply);
        free(reply);
        benchmark::ClobberMemory();
    }
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    shmdt(address);
    SetSizeLabel(state);
}
BENCHMARK(BM_RawShmGrab)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// memcpy of bytesPerPixel x the frame, between buffers made beforehand.
void RunMemcpy(benchmark::State& state, size_t bytesPerPixel) {
    const size_t size = static_cast<size_t>(state.range(0)) * state.range(1) * bytesPerPixel;
    std::vector<uint8_t> from(size, 1);
    std::vector<uint8_t> to(size, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    SetSizeLabel(state);
}

void BM_MemcpyBgrx(benchmark::State& state) {
    RunMemcpy(state, 4);
}
BENCHMARK(BM_MemcpyBgrx)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_MemcpyBgr(benchmark::State& state) {
    RunMemcpy(state, 3);
}
BENCHMARK(BM_MemcpyBgr)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// The conversion the capture does, between buffers made beforehand.
void BM_ConvertBgrxToBgr(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0)) * state.range(1);
    std::vector<uint8_t> bgrx(count * 4, 0x5A);
    std::vector<uint8_t> bgr(count * 3);
    for (auto _ : state) {
        tarsel::ConvertBgrxToBgr(bgrx.data(), bgr.data(), count);
        benchmark::DoNotOptimize(bgr.data());
        benchmark::ClobberMemory();
    }
    SetSizeLabel(state);
}
BENCHMARK(BM_ConvertBgrxToBgr)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace
