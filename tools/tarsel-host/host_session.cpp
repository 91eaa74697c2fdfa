#include "host_session.h"

#include <unistd.h>

#include <cstdio>

namespace tarsel_host {

namespace {

const char* BossStateName(int state) {
    switch (state) {
        case 0: return "IDLE";
        case 1: return "SENDING";
        case 2: return "WAITING_RESPONSE";
        default: return "?";
    }
}

struct ScreenshotResult {
    int code = 1;
    std::string message;
    Recorder* recorder;
    std::string name;
};

void OnScreenshot(const char* base64, int width, int height, int code, const char* message, void* self) {
    auto* result = static_cast<ScreenshotResult*>(self);
    result->code = code;
    result->message = message != nullptr ? message : "";
    if (code == 0) result->recorder->AddScreenshot(base64, width, height, result->name);
}

}  // namespace

HostSession::~HostSession() {
    Close();
}

bool HostSession::Open(const std::string& libPath, Recorder& recorder, std::string& error) {
    std::string path = libPath;
    if (path.empty()) {
        // Beside this program in a build, or in the prefix's lib when installed.
        path = ExecutableDir() + "/libtarsel.so";
        if (access(path.c_str(), F_OK) != 0) path = ExecutableDir() + "/../lib/libtarsel.so.1";
    }
    if (!m_library.Load(path, error)) return false;
    m_recorder = &recorder;
    m_service = m_library.Create();
    if (m_service == nullptr) {
        error = "the library could not create its service";
        return false;
    }
    m_service->SetLogCallback(&HostSession::OnLog, this);
    m_service->SetFrameCallback(&HostSession::OnFrames, this);
    return true;
}

void HostSession::OnLog(int, const char* message, void* self) {
    auto* session = static_cast<HostSession*>(self);
    const std::string line = message != nullptr ? message : "";
    session->m_recorder->OnLogLine(line);
    std::lock_guard<std::mutex> lock(session->m_mutex);
    session->m_lines.push_back(line);
}

void HostSession::OnFrames(int classId, const char* json, void* self) {
    static_cast<HostSession*>(self)->m_recorder->OnFrameBatch(classId, json);
}

bool HostSession::Saw(const std::string& prefix, std::string* line) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::string& seen : m_lines) {
        if (seen.compare(0, prefix.size(), prefix) == 0) {
            if (line != nullptr) *line = seen;
            return true;
        }
    }
    return false;
}

bool HostSession::WaitFor(const std::string& prefix, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Saw(prefix)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool HostSession::Screenshot(int maxSize, const std::string& name, std::string& error) {
    ScreenshotResult result;
    result.recorder = m_recorder;
    result.name = name;
    m_service->CaptureScreenAsync(maxSize, &OnScreenshot, &result);
    if (result.code == 0) return true;
    error = "screenshot failed (" + std::to_string(result.code) + "): " + result.message;
    return false;
}

void HostSession::StartStatus() {
    if (isatty(STDOUT_FILENO) != 1 || m_statusOn.exchange(true)) return;
    m_status = std::thread([this] {
        while (m_statusOn.load()) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
            std::printf("\r\x1b[K[%6.1fs] class %d | boss %s | deliveries %d | frames received %d",
                        elapsed, m_service->GetCurrentClassId(), BossStateName(m_service->GetBossState()),
                        m_recorder->Deliveries(), m_recorder->FramesReceived());
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        std::printf("\r\x1b[K");
        std::fflush(stdout);
    });
}

void HostSession::StopStatus() {
    if (m_statusOn.exchange(false)) m_status.join();
}

void HostSession::Close() {
    StopStatus();
    if (m_service == nullptr) return;
    // The log callback is the library's, process-wide: switched off before the
    // session it points to goes.
    m_service->SetLogCallback(nullptr, nullptr);
    m_library.Destroy(m_service);
    m_service = nullptr;
}

}  // namespace tarsel_host
