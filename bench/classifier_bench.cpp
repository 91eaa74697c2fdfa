// Classifier costs on the worker: preprocessing a captured frame, one
// inference of a model of realistic cost on one thread, and a model load (each
// start loads the model anew).
#include <benchmark/benchmark.h>

#include <random>

#include "classifier/scene_classifier.h"

#ifndef TARSEL_MODEL_DIR
#error "TARSEL_MODEL_DIR must name the generated models"
#endif

namespace {

using tarsel::CapturedFrame;
using tarsel::SceneClassifier;

const std::string kReference = std::string(TARSEL_MODEL_DIR) + "/reference.onnx";

CapturedFrame Noise(int width, int height) {
    CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    frame.pixels.resize(static_cast<size_t>(width) * height * 3);
    std::mt19937 random(11);
    for (uint8_t& byte : frame.pixels) byte = static_cast<uint8_t>(random());
    return frame;
}

void BM_Preprocess(benchmark::State& state) {
    static SceneClassifier classifier(kReference);
    const CapturedFrame frame = Noise(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::vector<float> input = classifier.Preprocess(frame);
        benchmark::DoNotOptimize(input.data());
    }
}
BENCHMARK(BM_Preprocess)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_ClassifyReferenceModel(benchmark::State& state) {
    SceneClassifier classifier(kReference);
    const std::vector<float> input = classifier.Preprocess(Noise(1920, 1080));
    for (auto _ : state) {
        auto result = classifier.Classify(input);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ClassifyReferenceModel)->Unit(benchmark::kMillisecond);

void BM_LoadReferenceModel(benchmark::State& state) {
    for (auto _ : state) {
        SceneClassifier classifier(kReference);
        benchmark::DoNotOptimize(&classifier);
    }
}
BENCHMARK(BM_LoadReferenceModel)->Unit(benchmark::kMillisecond);

}  // namespace
