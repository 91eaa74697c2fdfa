// Frame encoding costs: every kept frame is bounded, JPEG-encoded and turned
// into base64 on the worker, beside the game. Anchors: libjpeg-turbo alone and
// stb_image_write alone on the already bounded frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#if defined(TARSEL_HAVE_LIBJPEG)
#include <jpeglib.h>
#endif
// The anchor's own copy of the writer, as a program using it would have.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "bench_support.h"
#include "capture/frame_ops.h"
#include "capture/jpeg_encoders.h"

namespace {

using tarsel_bench::SetSizeLabel;

using tarsel::CapturedFrame;
using tarsel_bench::Picture;

constexpr int32_t kBound = 1920;

template <typename Encode>
void RunEncoder(benchmark::State& state, Encode encode) {
    const CapturedFrame frame = Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        auto jpeg = encode(frame.pixels.data(), frame.width, frame.height, tarsel::PixelOrder::BGR, 90);
        benchmark::DoNotOptimize(jpeg.data());
    }
    SetSizeLabel(state);
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

// What a pass does with a kept frame of the given size: {width, height,
// bound}; a bound of 0 encodes the frame as it is, as a screenshot without one.
void BM_BoundEncodeBase64(benchmark::State& state) {
    const CapturedFrame frame = Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int32_t bound = static_cast<int32_t>(state.range(2));
    for (auto _ : state) {
        std::string base64 = bound > 0 ? tarsel::EncodeBoundedJpegBase64(frame, bound)
                                       : tarsel::EncodeJpegBase64(frame);
        benchmark::DoNotOptimize(base64.data());
    }
    SetSizeLabel(state);
}
BENCHMARK(BM_BoundEncodeBase64)
    ->Args({1920, 1080, kBound})
    ->Args({2560, 1440, kBound})
    ->Args({3840, 2160, kBound})
    ->Args({3840, 2160, 0})
    ->Unit(benchmark::kMillisecond);

// The bounded picture of a source of the given size.
CapturedFrame BoundedPicture(benchmark::State& state) {
    return tarsel::ResizeToFit(
        Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), kBound);
}

#if defined(TARSEL_HAVE_LIBJPEG)
// libjpeg-turbo's own memory destination, the same settings, nothing around it.
void BM_LibjpegTurboAlone(benchmark::State& state) {
    const CapturedFrame frame = BoundedPicture(state);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(frame.width);
        info.image_height = static_cast<JDIMENSION>(frame.height);
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        const size_t stride = static_cast<size_t>(frame.width) * 3;
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(&frame.pixels[info.next_scanline * stride]);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        benchmark::DoNotOptimize(buffer);
    }
    jpeg_destroy_compress(&info);
    std::free(buffer);
    SetSizeLabel(state);
}
BENCHMARK(BM_LibjpegTurboAlone)
    ->Args({1920, 1080})
    ->Args({2560, 1440})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
#endif

void CountBytes(void* context, void*, int size) {
    *static_cast<size_t*>(context) += static_cast<size_t>(size);
}

// stb_image_write into a sink that only counts, on the bounded picture.
void BM_StbWriteAlone(benchmark::State& state) {
    const CapturedFrame frame = BoundedPicture(state);
    size_t bytes = 0;
    for (auto _ : state) {
        stbi_write_jpg_to_func(&CountBytes, &bytes, frame.width, frame.height, 3,
                               frame.pixels.data(), 90);
        benchmark::DoNotOptimize(bytes);
    }
    SetSizeLabel(state);
}
BENCHMARK(BM_StbWriteAlone)
    ->Args({1920, 1080})
    ->Args({2560, 1440})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

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
        CapturedFrame out = tarsel::ResizeToFit(frame, kBound);
        benchmark::DoNotOptimize(out.pixels.data());
    }
}
BENCHMARK(BM_ResizeToFit1440pTo1920)->Unit(benchmark::kMillisecond);

}  // namespace
