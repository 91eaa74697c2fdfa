// A host compiled for the MSVC ABI (clang --target=x86_64-pc-windows-msvc,
// freestanding): it reaches the service only through the interface's vtable,
// as a host built with Visual C++ does, and deletes it through the interface.
// Without a C library, results go back through the host's hooks.
#include "msvc_caller.h"

extern "C" __declspec(dllimport) void __stdcall RaiseException(unsigned long code,
                                                               unsigned long flags,
                                                               unsigned long count,
                                                               const unsigned long long* arguments);

namespace {

struct Shot {
    int calls = 0;
    int code = 1;
    int width = -1;
};

void OnShot(const char* base64, int width, int height, int code, const char* message, void* user) {
    Shot* shot = static_cast<Shot*>(user);
    ++shot->calls;
    shot->code = code;
    shot->width = width;
    (void)base64;
    (void)height;
    (void)message;
}

void OnFrames(int, const char*, void* user) {
    ++*static_cast<int*>(user);
}

bool Same(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return false;
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

// What MSVC's throw amounts to: RaiseException with the C++ exception code.
void ThrowLikeMsvc(const char*, int, int, int, const char*, void*) {
    RaiseException(0xE06D7363u, 1u /* noncontinuable */, 0, nullptr);
}

void ThrowLikeMsvcFromLog(int, const char*, void*) {
    RaiseException(0xE06D7363u, 1u, 0, nullptr);
}

}  // namespace

extern "C" int DriveServiceThroughMsvcVtable(const MsvcHost* host) {
    int failures = 0;
    auto check = [&](int number, bool ok) {
        if (ok) return;
        host->fail(number, host->failUser);
        ++failures;
    };
    ITarselService* service = host->create();
    check(1, service != nullptr);
    if (service == nullptr) return failures;

    service->SetLogCallback(host->log, host->logUser);
    check(2, !service->IsWindowValid());
    check(3, !service->IsWindowForeground());
    check(4, service->GetCurrentClassId() == -1);
    check(5, service->GetBossState() == 0);
    check(6, service->GetFrameCount() == 0);
    check(7, !service->IsSceneMonitorRunning());
    check(8, !service->StartSceneMonitor("model.onnx", 5, 15, 5, 5));  // not bound yet
    check(9, !service->Init(nullptr));
    check(10, service->Init(host->window));
    check(11, service->IsWindowValid());

    service->SetCaptureInterval(2);
    service->SetForwardWindows(3);
    service->SetBackwardWindows(4);
    int frames = 0;
    service->SetFrameCallback(&OnFrames, &frames);
    service->OnUserStartSpeaking();
    service->OnUserStopSpeaking("hello");
    service->OnUserStopSpeaking(nullptr);
    check(12, Same(service->GetPendingFrames(), "[]\n"));
    service->ResetBossState();
    check(13, service->GetBossState() == 0);

    Shot shot;
    service->CaptureScreenAsync(0, &OnShot, &shot);
    check(14, shot.calls == 1);
    check(15, shot.code == 0 || shot.code == -4);
    service->CaptureScreenAsync(0, nullptr, nullptr);  // refused with a log line

    check(16, !service->StartSceneMonitor("C:\\no such folder\\model.onnx", 1, 15, 5, 5));
    check(17, !service->IsSceneMonitorRunning());
    service->StopSceneMonitor();
    service->SetFrameCallback(nullptr, nullptr);
    service->Shutdown();
    check(18, !service->IsWindowValid());
    check(19, frames == 0);

    delete service;  // MSVC's deleting destructor, through slot 0
    return failures;
}

extern "C" void CaptureWithThrowingCallback(ITarselService* service) {
    service->CaptureScreenAsync(0, &ThrowLikeMsvc, nullptr);
}

extern "C" void SetThrowingLogCallback(ITarselService* service) {
    service->SetLogCallback(&ThrowLikeMsvcFromLog, nullptr);
}
