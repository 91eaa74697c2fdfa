#include "classifier/onnx_api.h"

#include <onnxruntime_cxx_api.h>

#include <mutex>
#include <stdexcept>

namespace tarsel {

namespace {

constexpr uint32_t kApiVersion = 6;

}  // namespace

void EnsureOnnxRuntimeApi() {
    static std::once_flag once;
    static const OrtApi* api = nullptr;
    std::call_once(once, [] {
        const OrtApiBase* base = OrtGetApiBase();
        api = base != nullptr ? base->GetApi(kApiVersion) : nullptr;
        if (api != nullptr) Ort::InitApi(api);
    });
    if (api == nullptr) {
        throw std::runtime_error("ONNX Runtime does not provide API version 6");
    }
}

}  // namespace tarsel
