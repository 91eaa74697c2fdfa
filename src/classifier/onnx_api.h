// ONNX Runtime's function table, fetched once at the first model load rather
// than at library load (on Windows that would run under the loader lock).
#ifndef TARSEL_CLASSIFIER_ONNX_API_H
#define TARSEL_CLASSIFIER_ONNX_API_H

namespace tarsel {

// Throws std::runtime_error when the installed ONNX Runtime cannot provide
// API version 6.
void EnsureOnnxRuntimeApi();

}  // namespace tarsel

#endif  // TARSEL_CLASSIFIER_ONNX_API_H
