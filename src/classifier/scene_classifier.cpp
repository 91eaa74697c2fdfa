#include "classifier/scene_classifier.h"

#include <array>

#include "capture/frame_ops.h"
#include "classifier/onnx_api.h"

namespace tarsel {

namespace {

constexpr int32_t kSide = 256;
constexpr size_t kPlane = static_cast<size_t>(kSide) * kSide;

// The API must be in place before the first wrapper member is built.
Ort::Env MakeEnv() {
    EnsureOnnxRuntimeApi();
    return Ort::Env(ORT_LOGGING_LEVEL_WARNING, "TestImageClassifier");
}

std::string TakeName(Ort::AllocatedStringPtr name) {
    return std::string(name.get());
}

}  // namespace

const float* NormalisationTable() {
    // Float shortcuts such as b * (2 / 255.f) - 1 differ in the last bit for
    // most byte values; the table holds the exact double expression.
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int b = 0; b < 256; ++b) {
            values[static_cast<size_t>(b)] = static_cast<float>((b / 255.0 - 0.5) * 2);
        }
        return values;
    }();
    return table.data();
}

SceneClassifier::SceneClassifier(const ModelPath& modelPath) : m_env(MakeEnv()) {
    Ort::SessionOptions options;
    options.SetIntraOpNumThreads(1);
    options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_ALL);
    m_session = Ort::Session(m_env, modelPath.c_str(), options);
    m_inputName = TakeName(m_session.GetInputNameAllocated(0, m_allocator));
    m_outputName = TakeName(m_session.GetOutputNameAllocated(0, m_allocator));
    m_memory = Ort::MemoryInfo::CreateCpu(OrtArenaAllocator, OrtMemTypeDefault);
}

std::vector<float> SceneClassifier::Preprocess(const CapturedFrame& frame) const {
    return PreprocessFrame(frame);
}

void SceneClassifier::PreprocessInto(const CapturedFrame& frame, std::vector<float>& input) {
    PreprocessFrameInto(frame, input, m_resized);
}

std::vector<float> PreprocessFrame(const CapturedFrame& frame) {
    std::vector<float> input;
    CapturedFrame resized;
    PreprocessFrameInto(frame, input, resized);
    return input;
}

void PreprocessFrameInto(const CapturedFrame& frame, std::vector<float>& input,
                         CapturedFrame& resized) {
    // Failures empty the input; success keeps its size (growing from empty
    // would clear every element first).
    const size_t stride = static_cast<size_t>(frame.width) * 3u;
    if (!frame.IsUsable() || frame.channels != 3 ||
        frame.pixels.size() < stride * static_cast<size_t>(frame.height)) {
        input.clear();
        return;
    }

    // Same values as swapping the whole frame to RGB, copying the centre square
    // and resizing the copy, with less work: the resize treats channels alike,
    // so it runs on the square in place (source stride, no copy) and the
    // normalisation reads red from the third byte.
    const int32_t side = frame.width < frame.height ? frame.width : frame.height;
    const size_t x0 = static_cast<size_t>((frame.width - side) / 2);
    const size_t y0 = static_cast<size_t>((frame.height - side) / 2);
    const uint8_t* origin = frame.pixels.data() + y0 * stride + x0 * 3u;
    ResizePixelsInto(origin, side, side, stride, 3, kSide, kSide, resized);
    if (resized.pixels.empty()) {
        input.clear();
        return;
    }

    const float* table = NormalisationTable();
    input.resize(3 * kPlane);  // every element is written below
    float* red = input.data();
    float* green = red + kPlane;
    float* blue = green + kPlane;
    const uint8_t* p = resized.pixels.data();
    for (size_t i = 0; i < kPlane; ++i, p += 3) {
        blue[i] = table[p[0]];
        green[i] = table[p[1]];
        red[i] = table[p[2]];
    }
}

ClassificationResult SceneClassifier::Classify(const std::vector<float>& input) {
    const std::array<int64_t, 4> shape = {1, 3, kSide, kSide};
    // Wraps the caller's vector without a copy; ONNX Runtime refuses a buffer
    // too small for the shape.
    Ort::Value tensor = Ort::Value::CreateTensor<float>(
        m_memory, const_cast<float*>(input.data()), input.size(), shape.data(), shape.size());
    const char* inputName = m_inputName.c_str();
    const char* outputName = m_outputName.c_str();
    std::vector<Ort::Value> outputs =
        m_session.Run(Ort::RunOptions{nullptr}, &inputName, &tensor, 1, &outputName, 1);
    if (outputs.empty() || !outputs[0].IsTensor()) {
        throw Ort::Exception("model output 0 is not a tensor", ORT_INVALID_GRAPH);
    }
    Ort::TensorTypeAndShapeInfo info = outputs[0].GetTensorTypeAndShapeInfo();
    // Read as floats only what is floats: another element type could be
    // narrower than the bytes read.
    if (info.GetElementType() != ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT) {
        throw Ort::Exception("model output 0 is not a float tensor", ORT_INVALID_GRAPH);
    }
    const size_t count = info.GetElementCount();
    const float* scores = outputs[0].GetTensorData<float>();
    return ArgMax(scores, count);
}

ClassificationResult ArgMax(const float* scores, size_t n) {
    ClassificationResult best;
    best.classId = 0;
    best.confidence = -10000.0f;
    for (size_t i = 0; i < n; ++i) {
        if (scores[i] > best.confidence) {
            best.classId = static_cast<int32_t>(i);
            best.confidence = scores[i];
        }
    }
    return best;
}

}  // namespace tarsel
