// Classifier costs on the worker: preprocessing a captured frame beside the
// bare resize of its centre square, one inference of a model of realistic
// cost beside a bare ONNX Runtime Run on the same input, and a model load
// (each start loads the model anew).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <stb_image_resize2.h>

#include "bench_support.h"
#include "classifier/onnx_api.h"
#include "classifier/scene_classifier.h"

#ifndef TARSEL_MODEL_DIR
#error "TARSEL_MODEL_DIR must name the generated models"
#endif

namespace {

using tarsel_bench::SetSizeLabel;

using tarsel::CapturedFrame;
using tarsel::SceneClassifier;

const std::string kReference = std::string(TARSEL_MODEL_DIR) + "/reference.onnx";

void BM_Preprocess(benchmark::State& state) {
    const CapturedFrame frame =
        tarsel_bench::Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::vector<float> input = tarsel::PreprocessFrame(frame);
        benchmark::DoNotOptimize(input.data());
    }
    SetSizeLabel(state);
}
BENCHMARK(BM_Preprocess)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// Only the resize of the centre square to 256 x 256, into a buffer made beforehand.
void BM_ResizeCentreSquare(benchmark::State& state) {
    const CapturedFrame frame =
        tarsel_bench::Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int side = std::min(frame.width, frame.height);
    const size_t stride = static_cast<size_t>(frame.width) * 3;
    const uint8_t* origin = frame.pixels.data() +
                            static_cast<size_t>((frame.height - side) / 2) * stride +
                            static_cast<size_t>((frame.width - side) / 2) * 3;
    std::vector<uint8_t> out(256 * 256 * 3);
    for (auto _ : state) {
        stbir_resize_uint8_linear(origin, side, side, static_cast<int>(stride), out.data(), 256,
                                  256, 256 * 3, STBIR_RGB);
        benchmark::DoNotOptimize(out.data());
    }
    SetSizeLabel(state);
}
BENCHMARK(BM_ResizeCentreSquare)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_ClassifyReferenceModel(benchmark::State& state) {
    SceneClassifier classifier(kReference);
    const std::vector<float> input = classifier.Preprocess(tarsel_bench::Picture(1920, 1080));
    for (auto _ : state) {
        auto result = classifier.Classify(input);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ClassifyReferenceModel)->Unit(benchmark::kMillisecond);

// The same model, options and input through ONNX Runtime alone: the tensor and
// names made once, only Run in the loop.
void BM_OrtRunAlone(benchmark::State& state) {
    tarsel::EnsureOnnxRuntimeApi();
    Ort::Env env(ORT_LOGGING_LEVEL_WARNING, "bench");
    Ort::SessionOptions options;
    options.SetIntraOpNumThreads(1);
    options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_ALL);
    Ort::Session session(env, kReference.c_str(), options);
    Ort::AllocatorWithDefaultOptions allocator;
    const std::string inputName = session.GetInputNameAllocated(0, allocator).get();
    const std::string outputName = session.GetOutputNameAllocated(0, allocator).get();
    std::vector<float> input = tarsel::PreprocessFrame(tarsel_bench::Picture(1920, 1080));
    const std::array<int64_t, 4> shape = {1, 3, 256, 256};
    Ort::MemoryInfo memory = Ort::MemoryInfo::CreateCpu(OrtArenaAllocator, OrtMemTypeDefault);
    Ort::Value tensor = Ort::Value::CreateTensor<float>(memory, input.data(), input.size(),
                                                        shape.data(), shape.size());
    const char* inputs[] = {inputName.c_str()};
    const char* outputs[] = {outputName.c_str()};
    for (auto _ : state) {
        auto result = session.Run(Ort::RunOptions{nullptr}, inputs, &tensor, 1, outputs, 1);
        benchmark::DoNotOptimize(result.data());
    }
}
BENCHMARK(BM_OrtRunAlone)->Unit(benchmark::kMillisecond);

void BM_LoadReferenceModel(benchmark::State& state) {
    for (auto _ : state) {
        SceneClassifier classifier(kReference);
        benchmark::DoNotOptimize(&classifier);
    }
}
BENCHMARK(BM_LoadReferenceModel)->Unit(benchmark::kMillisecond);

}  // namespace
