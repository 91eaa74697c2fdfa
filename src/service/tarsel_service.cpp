// Construction, binding, callbacks and the plain accessors.
#include "service/tarsel_service.h"

#include "capture/screenshot.h"
#include "classifier/scene_classifier.h"
#include "log/handle_text.h"
#include "log/logger.h"
#include "service/frames_json.h"
#include "util/host_call.h"

namespace tarsel {

namespace {

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

}  // namespace

TarselService::TarselService()
    : m_configClient(std::make_unique<RemoteConfigClient>()), m_liveness(std::make_shared<Liveness>()) {
    m_liveness->service = this;
}

TarselService::~TarselService() {
    {
        // Waits for an apply in progress; later answers find no service.
        std::lock_guard<std::mutex> lock(m_liveness->mutex);
        m_liveness->service = nullptr;
    }
    // This class's own Shutdown, not a further override's.
    TarselService::Shutdown();
    // m_configClient, destroyed with the members, cancels and joins the fetches.
}

bool TarselService::Init(HWND hWnd) {
    OperationScope operation(*this);
    if (m_initialized) {
        Log(WARN, "[TarselService] 已经初始化过");
        return true;
    }
    if (hWnd == nullptr) {
        Log(ERROR, "[TarselService] Init: 传入的窗口句柄为空");
        return false;
    }
    Log(INFO, "[TarselService] Init: hWnd=" + HandleText(hWnd));
    auto capturer = std::make_shared<ScreenCapturer>();
    capturer->SetWindowHandle(hWnd);
    {
        std::lock_guard<std::mutex> lock(m_capturerMutex);
        m_capturer.swap(capturer);
    }
    capturer.reset();  // a capturer held before, outside the lock
    m_initialized = true;
    Log(INFO, "[TarselService] 基础初始化成功，已绑定窗口句柄: " + HandleText(hWnd));
    return true;
}

void TarselService::Shutdown() {
    OperationScope operation(*this);
    StopSceneMonitor();
    // Stopped from inside a callback on the worker, the pass in progress ends
    // without touching the classifier again and keeps its own capturer.
    std::shared_ptr<ScreenCapturer> capturer;
    {
        std::lock_guard<std::mutex> lock(m_capturerMutex);
        capturer.swap(m_capturer);
    }
    capturer.reset();
    m_classifier.reset();
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        m_frameHistory.clear();
    }
    m_initialized = false;
    Log(INFO, "[TarselService] 已关闭");
}

void TarselService::CaptureScreenAsync(int maxSize, ScreenshotCallback callback, void* userData) {
    OperationScope operation(*this);
    const std::shared_ptr<ScreenCapturer> capturer = CapturerRef();
    TakeScreenshot(capturer.get(), m_initialized, maxSize, callback, userData);
}

std::shared_ptr<ScreenCapturer> TarselService::CapturerRef() const {
    std::lock_guard<std::mutex> lock(m_capturerMutex);
    return m_capturer;
}

bool TarselService::IsSceneMonitorRunning() {
    return m_running.load();
}

void TarselService::SetFrameCallback(FrameBatchCallback callback, void* userData) {
    // Waits for a delivery in progress on another thread; a callback that calls
    // this on the worker re-enters freely.
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
        CallHost(host, classId, json.c_str(), m_hostFrameUserData);
    };
}

void TarselService::DeliverFrames(int classId, const std::vector<stPicData>& frames) {
    std::lock_guard<std::recursive_mutex> lock(m_frameCallbackMutex);
    // A local copy: the callback may replace m_frameCallback while it runs.
    FrameCallback callback = m_frameCallback;
    if (!callback) return;
    try {
        callback(classId, frames);
    } catch (const std::exception&) {
        throw;  // the monitor loop logs it as a failure of the pass
    } catch (...) {
        Log(ERROR, "[TarselService] 帧回调抛出未知异常");
    }
}

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
    std::lock_guard<std::mutex> lock(m_historyMutex);
    return m_frameHistory.size();
}

bool TarselService::IsWindowValid() {
    const std::shared_ptr<ScreenCapturer> capturer = CapturerRef();
    return capturer != nullptr && capturer->IsWindowValid();
}

bool TarselService::IsWindowForeground() {
    const std::shared_ptr<ScreenCapturer> capturer = CapturerRef();
    return capturer != nullptr && capturer->IsWindowForeground();
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

void TarselService::SetResolution(const std::string& resolution) {
    std::lock_guard<std::mutex> lock(m_resolutionMutex);
    m_resolution = resolution;
}

void TarselService::SetConfigFetcher(ConfigFetcher fetcher) {
    m_configFetcher = std::move(fetcher);
}

uint32_t TarselService::GetFramesWritten() {
    std::lock_guard<std::mutex> lock(m_historyMutex);
    return m_frameCount;
}

std::vector<stPicData> TarselService::GetHistorySnapshot() {
    std::lock_guard<std::mutex> lock(m_historyMutex);
    return m_frameHistory;
}

std::vector<stPicData> TarselService::GetVoiceFramesSnapshot() {
    std::lock_guard<std::mutex> lock(m_historyMutex);
    return m_voiceFrames;
}

}  // namespace tarsel
