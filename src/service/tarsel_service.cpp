#include "service/tarsel_service.h"

#include <sstream>

#include "capture/screenshot.h"
#include "log/handle_text.h"
#include "log/logger.h"
#include "service/frames_json.h"

namespace tarsel {

namespace {

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

}  // namespace

TarselService::TarselService() : m_configClient(std::make_unique<RemoteConfigClient>()) {}

TarselService::~TarselService() {
    // This class's own Shutdown, not a further override's.
    TarselService::Shutdown();
}

bool TarselService::Init(HWND hWnd) {
    if (m_initialized) {
        Log(WARN, "[TarselService] 已经初始化过");
        return true;
    }
    if (hWnd == nullptr) {
        Log(ERROR, "[TarselService] Init: 传入的窗口句柄为空");
        return false;
    }
    Log(INFO, "[TarselService] Init: hWnd=" + HandleText(hWnd));
    m_capturer = std::make_unique<ScreenCapturer>();
    m_capturer->SetWindowHandle(hWnd);
    m_initialized = true;
    Log(INFO, "[TarselService] 基础初始化成功，已绑定窗口句柄: " + HandleText(hWnd));
    return true;
}

void TarselService::Shutdown() {
    StopSceneMonitor();
    m_capturer.reset();
    m_frameHistory.clear();
    m_initialized = false;
    Log(INFO, "[TarselService] 已关闭");
}

void TarselService::CaptureScreenAsync(int maxSize, ScreenshotCallback callback, void* userData) {
    TakeScreenshot(m_capturer.get(), m_initialized, maxSize, callback, userData);
}

bool TarselService::StartSceneMonitor(const char* modelPath, int interval, int historySize,
                                      int forwardWindows, int backwardWindows) {
    if (!m_initialized) {
        Log(ERROR, "[TarselService] 未初始化，请先调用 Init()");
        return false;
    }
    if (m_running.load()) {
        Log(WARN, "[TarselService] 场景监测已经在运行中");
        return false;
    }
    m_modelPath = modelPath != nullptr ? modelPath : "";
    m_interval.store(interval);
    m_historySize = historySize;
    m_forwardWindows.store(forwardWindows);
    m_backwardWindows.store(backwardWindows);
    Log(ERROR, "[TarselService] 模型加载失败: this build has no scene classifier");
    return false;
}

void TarselService::StopSceneMonitor() {
    if (!m_running.exchange(false)) return;
    if (m_monitorThread.joinable()) m_monitorThread.join();
    m_frameHistory.clear();
    Log(INFO, "[TarselService] 场景监测已停止");
}

bool TarselService::IsSceneMonitorRunning() {
    return m_running.load();
}

void TarselService::OnUserStartSpeaking() {}

void TarselService::OnUserStopSpeaking(const char*) {}

const char* TarselService::GetPendingFrames() {
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    m_pendingFramesJson = FramesToJson({});
    return m_pendingFramesJson.c_str();
}

void TarselService::SetFrameCallback(FrameBatchCallback callback, void* userData) {
    std::lock_guard<std::recursive_mutex> lock(m_frameCallbackMutex);
    m_hostFrameCallback = callback;
    m_hostFrameUserData = userData;
    if (callback == nullptr) {
        m_frameCallback = nullptr;
        return;
    }
    m_frameCallback = [this](int classId, const std::vector<stPicData>& frames) {
        // The host's function and data are read at the moment of the call.
        FrameBatchCallback host = m_hostFrameCallback;
        if (host == nullptr) return;
        const std::string json = FramesToJson(frames);
        host(classId, json.c_str(), m_hostFrameUserData);
    };
}

void TarselService::DeliverFrames(int classId, const std::vector<stPicData>& frames) {
    std::lock_guard<std::recursive_mutex> lock(m_frameCallbackMutex);
    // A local copy: the callback may replace m_frameCallback while it runs.
    FrameCallback callback = m_frameCallback;
    if (callback) callback(classId, frames);
}

void TarselService::ResetBossState() {}

void TarselService::SetCaptureInterval(int seconds) {
    m_interval.store(seconds);
}

void TarselService::SetForwardWindows(int count) {
    m_forwardWindows.store(count);
}

void TarselService::SetBackwardWindows(int count) {
    m_backwardWindows.store(count);
}

int TarselService::GetCurrentClassId() {
    return m_currentClassId.load();
}

int TarselService::GetBossState() {
    return m_bossState.load();
}

size_t TarselService::GetFrameCount() {
    // Only the lifecycle thread resizes the ring, and never while the host asks.
    std::lock_guard<std::recursive_mutex> lock(m_historyMutex);
    return m_frameHistory.size();
}

bool TarselService::IsWindowValid() {
    return m_capturer != nullptr && m_capturer->IsWindowValid();
}

bool TarselService::IsWindowForeground() {
    return m_capturer != nullptr && m_capturer->IsWindowForeground();
}

void TarselService::SetLogCallback(LogCallback callback, void* userData) {
    Logger::GetInstance().SetCallback(callback, userData);
}

std::string TarselService::GetModelPath() const {
    return m_modelPath;
}

std::string TarselService::GetResolution() const {
    std::lock_guard<std::mutex> lock(m_resolutionMutex);
    return m_resolution;
}

}  // namespace tarsel
