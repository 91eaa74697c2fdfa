// Turns a captured frame into a class identifier with an ONNX model run by
// ONNX Runtime on the CPU. Built per start, used by the worker thread only.
#ifndef TARSEL_CLASSIFIER_SCENE_CLASSIFIER_H
#define TARSEL_CLASSIFIER_SCENE_CLASSIFIER_H

#if defined(_WIN32)
// ONNX Runtime's headers expect windows.h first. Without its GDI part, whose
// ERROR macro would hide the log level of that name.
#ifndef NOGDI
#define NOGDI
#endif
#include <windows.h>
#endif
#include <onnxruntime_cxx_api.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/captured_frame.h"

namespace tarsel {

struct ClassificationResult {
    int32_t classId = 0;
    float confidence = 0.0f;  // the raw largest output, unscaled
};

// The model path in ONNX Runtime's own path type (wide on Windows).
using ModelPath = std::basic_string<ORTCHAR_T>;

class SceneClassifier {
public:
    // Loads the model; throws Ort::Exception (or std::runtime_error when the
    // installed ONNX Runtime offers no usable API) on any failure.
    explicit SceneClassifier(const ModelPath& modelPath);
    ~SceneClassifier() = default;

    SceneClassifier(const SceneClassifier&) = delete;
    SceneClassifier& operator=(const SceneClassifier&) = delete;

    // The centre square, resized to 256 x 256, as three planes R, G, B of
    // values in [-1, 1]; empty for an unusable frame or one without 3 channels.
    std::vector<float> Preprocess(const CapturedFrame& frame) const;
    // Preprocess into the caller's vector, reusing its buffer and a resize
    // buffer of the classifier's own (hence the worker only).
    void PreprocessInto(const CapturedFrame& frame, std::vector<float>& input);
    // Runs the model on a Preprocess result; throws Ort::Exception.
    ClassificationResult Classify(const std::vector<float>& input);

private:
    Ort::Env m_env;
    Ort::Session m_session{nullptr};
    Ort::AllocatorWithDefaultOptions m_allocator;
    std::string m_inputName;
    std::string m_outputName;
    Ort::MemoryInfo m_memory{nullptr};
    CapturedFrame m_resized;
};

// What Preprocess computes; it touches no ONNX Runtime object.
std::vector<float> PreprocessFrame(const CapturedFrame& frame);
// The same into input (emptied for an unusable frame), with resized as the
// buffer of the 256 x 256 square.
void PreprocessFrameInto(const CapturedFrame& frame, std::vector<float>& input,
                         CapturedFrame& resized);

// Index and value of the first largest of n scores; starts from -10000 so NaN
// and scores at or below it are never taken.
ClassificationResult ArgMax(const float* scores, size_t n);

// (b / 255.0 - 0.5) * 2 in double, stored as float, for every byte value.
const float* NormalisationTable();

}  // namespace tarsel

#endif  // TARSEL_CLASSIFIER_SCENE_CLASSIFIER_H
