// Starting and stopping the monitor, and stops that arrive on the worker
// itself (from inside a host callback), where the thread cannot join itself.
#include <sstream>

#include "classifier/model_path.h"
#include "classifier/scene_classifier.h"
#include "log/logger.h"
#include "service/tarsel_service.h"

namespace tarsel {

namespace {

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

}  // namespace

bool TarselService::StartSceneMonitor(const char* modelPath, int interval, int historySize,
                                      int forwardWindows, int backwardWindows) {
    OperationScope operation(*this);
    if (!m_initialized) {
        Log(ERROR, "[TarselService] 未初始化，请先调用 Init()");
        return false;
    }
    if (m_running.load()) {
        Log(WARN, "[TarselService] 场景监测已经在运行中");
        return false;
    }
    if (IsWorkerThread()) {
        // The worker is still finishing a stop asked for from inside a callback.
        Log(WARN, "[TarselService] 不能在监测线程内启动场景监测");
        return false;
    }
    JoinFinishedWorker();

    m_modelPath = modelPath != nullptr ? modelPath : "";
    m_interval.store(interval);
    m_historySize = historySize;
    m_forwardWindows.store(forwardWindows);
    m_backwardWindows.store(backwardWindows);
    FetchRemoteConfig();

    std::unique_ptr<SceneClassifier> classifier;
    try {
        classifier = std::make_unique<SceneClassifier>(MakeModelPath(m_modelPath));
    } catch (const std::exception& e) {
        Log(ERROR, std::string("[TarselService] 模型加载失败: ") + e.what());
        return false;
    }
    m_classifier = std::move(classifier);
    Log(INFO, "[TarselService] ONNX模型加载成功: " + m_modelPath);

    // A ring without slots cannot be indexed: refuse the start.
    if (m_historySize < 1) {
        m_classifier.reset();
        std::ostringstream text;
        text << "[TarselService] 历史帧数量无效: " << m_historySize;
        Log(ERROR, text.str());
        return false;
    }
    try {
        {
            std::lock_guard<std::mutex> lock(m_historyMutex);
            m_frameHistory.assign(static_cast<size_t>(m_historySize), stPicData());
        }
        m_running.exchange(true);
        m_monitorThread = std::thread(&TarselService::WorkerMain, this);
    } catch (...) {
        // Memory or a thread refused: the failure goes to the host, but the
        // service is left off, not half on.
        m_running.store(false);
        ReleaseMonitorState();
        throw;
    }
    std::ostringstream text;
    text << "[TarselService] 场景监测已启动，间隔: " << m_interval.load() << " 秒";
    Log(INFO, text.str());
    return true;
}

void TarselService::StopSceneMonitor() {
    OperationScope operation(*this);
    if (IsWorkerThread()) {
        if (m_running.exchange(false)) {
            m_stopFromWorker = true;
            Log(WARN, "[TarselService] 在监测线程内请求停止，本轮结束后停止");
        }
        return;
    }
    if (!m_running.exchange(false)) {
        // A stop made on the worker left a finished thread to collect.
        JoinFinishedWorker();
        return;
    }
    WakeWorker();
    JoinFinishedWorker();
    ReleaseMonitorState();
    Log(INFO, "[TarselService] 场景监测已停止");
}

bool TarselService::IsWorkerThread() const {
    return m_workerId.load() == std::this_thread::get_id();
}

void TarselService::JoinFinishedWorker() {
    if (m_monitorThread.joinable()) m_monitorThread.join();
}

void TarselService::WakeWorker() {
    // Taking the lock orders the flag before a sleep that is about to begin.
    { std::lock_guard<std::mutex> lock(m_wakeMutex); }
    m_wakeCv.notify_all();
}

void TarselService::ReleaseMonitorState() {
    m_classifier.reset();
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_frameHistory.clear();
}

}  // namespace tarsel
