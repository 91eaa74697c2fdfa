// The worker: one pass every interval while the bound window is in front.
#include <chrono>
#include <sstream>

#include "capture/frame_ops.h"
#include "classifier/scene_classifier.h"
#include "log/logger.h"
#include "service/tarsel_service.h"

namespace tarsel {

namespace {

using Clock = std::chrono::steady_clock;

// A pass that captured nothing waits at least this long, so a background game
// window never costs a whole core at an interval of 0 or below.
constexpr std::chrono::milliseconds kIdleFloor{100};
constexpr int32_t kStoredBound = 1920;

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

uint64_t NowMillisSinceEpoch() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace

void TarselService::WorkerMain() {
    m_workerId.store(std::this_thread::get_id());
    // Nothing may leave a thread of ours: it would end the host's process.
    try {
        MonitorLoop();
    } catch (...) {
        m_running.store(false);
    }
    m_passFrame = CapturedFrame();
    m_passInput = std::vector<float>();
    try {
        if (m_stopFromWorker) {
            // Stopped from inside a host callback: the stop's second half is ours.
            m_stopFromWorker = false;
            ReleaseMonitorState();
            Log(INFO, "[TarselService] 场景监测已停止");
        }
    } catch (...) {
    }
    m_workerId.store(std::thread::id());
    if (m_workerDestroy != nullptr) {
        // Destroyed from inside a callback: nothing may touch the object after this.
        Destroyer destroy = m_workerDestroy;
        m_monitorThread.detach();
        destroy(this);
    }
}

void TarselService::MonitorLoop() {
    while (m_running.load()) {
        const Clock::time_point start = Clock::now();
        PassEnd end;
        try {
            end = RunPass();
        } catch (...) {
            // Not a std::exception (RunPass catches those): nothing of ours
            // throws one, but a host callback might, and the host's process
            // must survive it.
            Log(ERROR, "[TarselService] 处理异常: unknown exception");
            end = PassEnd::kDone;
        }
        try {
            Pace(end, start);
        } catch (...) {
            // A failed wait: go on without it rather than end the thread.
        }
    }
}

TarselService::PassEnd TarselService::RunPass() {
    // The pass keeps the capturer it started with, whatever a host callback
    // does to the service's own pointer meanwhile.
    const std::shared_ptr<ScreenCapturer> capturer = CapturerRef();
    if (!capturer || !capturer->IsWindowForeground()) {
        Log(DEBUG, "[TarselService] 目标窗口非前台，跳过本次截图");
        return PassEnd::kSkipped;
    }
    try {
        return ProcessFrame(*capturer);
    } catch (const std::exception& e) {
        Log(ERROR, std::string("[TarselService] 处理异常: ") + e.what());
        return PassEnd::kDone;
    }
}

TarselService::PassEnd TarselService::ProcessFrame(ScreenCapturer& capturer) {
    CapturedFrame& frame = m_passFrame;
    if (!capturer.CaptureWindowInto(frame) || !frame.IsUsable()) {
        Log(ERROR, "[TarselService] 截图失败");
        return PassEnd::kCaptureFailed;
    }
    m_classifier->PreprocessInto(frame, m_passInput);
    const ClassificationResult result = m_classifier->Classify(m_passInput);
    std::string base64 = EncodeBoundedJpegBase64(frame, kStoredBound);

    if (!capturer.IsWindowForeground()) {
        Log(DEBUG, "[TarselService] 截图完成但目标窗口非前台，丢弃本帧");
        return PassEnd::kDropped;
    }
    stPicData record;
    record.base64 = std::move(base64);
    record.classId = static_cast<uint32_t>(result.classId);
    record.timestamp = NowMillisSinceEpoch();
    PushFrame(record);
    if (Logger::GetInstance().IsEnabled(DEBUG)) {
        std::ostringstream text;
        text << "[TarselService] 场景分类: " << result.classId << ", 置信度: " << result.confidence;
        Log(DEBUG, text.str());
    }
    // The scene-switch step still sees the previous kept frame's class.
    CheckSceneSwitch(record);
    CollectVoiceFrame(record);
    m_currentClassId.store(static_cast<int32_t>(record.classId));
    return PassEnd::kDone;
}

void TarselService::Pace(PassEnd end, Clock::time_point start) {
    const int32_t interval = m_interval.load();
    switch (end) {
        case PassEnd::kDropped:
            return;
        case PassEnd::kSkipped:
        case PassEnd::kCaptureFailed: {
            const std::chrono::milliseconds full = std::chrono::seconds(interval > 0 ? interval : 0);
            SleepFor(full > kIdleFloor ? full : kIdleFloor);
            return;
        }
        case PassEnd::kDone: {
            // Whole seconds on both sides, measured from the pass's start.
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
            const int64_t remaining = int64_t{interval} - elapsed;
            if (remaining > 0) SleepFor(std::chrono::seconds(remaining));
            return;
        }
    }
}

void TarselService::SleepFor(std::chrono::milliseconds duration) {
    // Only a stop wakes it; setters take effect at the next sleep.
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    m_wakeCv.wait_for(lock, duration, [this] { return !m_running.load(); });
}

void TarselService::PushFrame(const stPicData& frame) {
    std::lock_guard<std::mutex> lock(m_historyMutex);
    if (m_frameHistory.empty()) return;
    stPicData& slot = m_frameHistory[static_cast<uint64_t>(m_frameCount) % m_frameHistory.size()];
    slot.base64.assign(frame.base64);  // reuses the slot's buffer
    slot.classId = frame.classId;
    slot.timestamp = frame.timestamp;
    ++m_frameCount;
}

}  // namespace tarsel
