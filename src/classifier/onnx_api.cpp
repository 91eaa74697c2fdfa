#include "classifier/onnx_api.h"

#include "classifier/scene_classifier.h"  // ONNX Runtime's headers, windows.h first

#include <mutex>
#include <stdexcept>
#include <string>

namespace tarsel {

namespace {

constexpr uint32_t kApiVersion = 6;

#if defined(_WIN32)
// onnxruntime.dll from the folder of this library, by full path: Windows ships
// an older onnxruntime.dll in System32, which a plain import or a load by name
// would pick up.
const OrtApiBase* LoadApiBase(std::string& error) {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&LoadApiBase), &self)) {
        error = "cannot find the folder of tarsel.dll";
        return nullptr;
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            error = "cannot find the folder of tarsel.dll";
            return nullptr;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L"\\/") + 1);
    path += L"onnxruntime.dll";
    // Its own imports are looked up beside it first.
    HMODULE runtime = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (runtime == nullptr) {
        error = "onnxruntime.dll not found beside tarsel.dll (error " +
                std::to_string(::GetLastError()) + ")";
        return nullptr;
    }
    using GetApiBase = const OrtApiBase*(ORT_API_CALL*)();
    FARPROC address = ::GetProcAddress(runtime, "OrtGetApiBase");
    if (address == nullptr) {
        error = "onnxruntime.dll has no OrtGetApiBase";
        return nullptr;
    }
    return reinterpret_cast<GetApiBase>(reinterpret_cast<void*>(address))();
}
#else
const OrtApiBase* LoadApiBase(std::string&) {
    return OrtGetApiBase();
}
#endif

}  // namespace

void EnsureOnnxRuntimeApi() {
    // A failed look-up is tried again at the next start: the runtime may have
    // been put in place meanwhile.
    static std::mutex mutex;
    static const OrtApi* api = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (api != nullptr) return;
    std::string error;
    const OrtApiBase* base = LoadApiBase(error);
    const OrtApi* found = base != nullptr ? base->GetApi(kApiVersion) : nullptr;
    if (found == nullptr) {
        throw std::runtime_error(error.empty() ? "ONNX Runtime does not provide API version 6"
                                               : error);
    }
    Ort::InitApi(found);
    api = found;
}

}  // namespace tarsel
