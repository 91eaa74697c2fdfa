// Frame encoding costs: every kept frame is bounded, JPEG-encoded and turned
// into base64 on the worker, beside the game.
#include <benchmark/benchmark.h>

#include <random>

#include "capture/frame_ops.h"
#include "capture/jpeg_encoders.h"

namespace {

using tarsel::CapturedFrame;

// A picture with gradients and noise, closer to a game frame than a flat fill.
CapturedFrame Picture(int width, int height) {
    CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    frame.pixels.resize(static_cast<size_t>(width) * height * 3);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * width + x) * 3];
            const uint8_t noise = static_cast<uint8_t>(random() & 15);
            p[0] = static_cast<uint8_t>(x * 255 / width + noise);
            p[1] = static_cast<uint8_t>(y * 255 / height + noise);
            p[2] = static_cast<uint8_t>((x + y) & 255);
        }
    }
    return frame;
}

template <typename Encode>
void RunEncoder(benchmark::State& state, Encode encode) {
    const CapturedFrame frame = Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        auto jpeg = encode(frame.pixels.data(), frame.width, frame.height, tarsel::PixelOrder::BGR, 90);
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.SetLabel(std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)));
}

void BM_EncodeJpegStb(benchmark::State& state) {
    RunEncoder(state, &tarsel::EncodeJpegStb);
}
BENCHMARK(BM_EncodeJpegStb)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

#if defined(TARSEL_HAVE_LIBJPEG)
void BM_EncodeJpegTurbo(benchmark::State& state) {
    RunEncoder(state, &tarsel::EncodeJpegTurbo);
}
BENCHMARK(BM_EncodeJpegTurbo)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
#endif

void BM_Base64Encode500KB(benchmark::State& state) {
    std::vector<uint8_t> bytes(500 * 1024);
    std::mt19937 random(3);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    for (auto _ : state) {
        std::string text = tarsel::Base64Encode(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Base64Encode500KB)->Unit(benchmark::kMicrosecond);

void BM_ResizeToFit1440pTo1920(benchmark::State& state) {
    const CapturedFrame frame = Picture(2560, 1440);
    for (auto _ : state) {
        CapturedFrame out = tarsel::ResizeToFit(frame, 1920);
        benchmark::DoNotOptimize(out.pixels.data());
    }
}
BENCHMARK(BM_ResizeToFit1440pTo1920)->Unit(benchmark::kMillisecond);

}  // namespace
