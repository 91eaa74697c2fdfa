// The service object behind ITarselService: owns the capturer, the classifier,
// the configuration client, the frame ring, the worker thread and the host's
// callbacks.
#ifndef TARSEL_SERVICE_TARSEL_SERVICE_H
#define TARSEL_SERVICE_TARSEL_SERVICE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/screen_capturer.h"
#include "config/remote_config.h"
#include "config/remote_config_client.h"
#include "service/ordered_log.h"
#include "service/pic_data.h"
#include "tarsel/tarsel.h"

namespace tarsel {

class SceneClassifier;

enum BossState : int32_t { IDLE = 0, SENDING = 1, WAITING_RESPONSE = 2 };

class TarselService final : public ITarselService {
public:
    TarselService();
#if TARSEL_MSVC_VTABLE
    ~TarselService();
    ITarselService* DeletingDestructor(unsigned int flags) override;
#else
    ~TarselService() override;
#endif

    TarselService(const TarselService&) = delete;
    TarselService& operator=(const TarselService&) = delete;

    bool Init(HWND hWnd) override;
    void Shutdown() override;
    void CaptureScreenAsync(int maxSize, ScreenshotCallback callback, void* userData) override;
    bool StartSceneMonitor(const char* modelPath, int interval, int historySize,
                           int forwardWindows, int backwardWindows) override;
    void StopSceneMonitor() override;
    bool IsSceneMonitorRunning() override;
    void OnUserStartSpeaking() override;
    void OnUserStopSpeaking(const char* text) override;
    const char* GetPendingFrames() override;
    void SetFrameCallback(FrameBatchCallback callback, void* userData) override;
    void ResetBossState() override;
    void SetCaptureInterval(int seconds) override;
    void SetForwardWindows(int count) override;
    void SetBackwardWindows(int count) override;
    int GetCurrentClassId() override;
    int GetBossState() override;
    size_t GetFrameCount() override;
    bool IsWindowValid() override;
    bool IsWindowForeground() override;
    void SetLogCallback(LogCallback callback, void* userData) override;

    // Destruction as the export asks for it. Inside a host callback the object
    // cannot be freed under the code that called the host: on the service's
    // worker it is marked and the worker frees it once it has unwound; inside
    // one of its operations on a host thread the outermost operation frees it
    // as its last act. Returns true when the object may be deleted now.
    using Destroyer = void (*)(TarselService*);
    bool PrepareDestroy(Destroyer destroy);

    // The steps of a monitor pass, public so tests can drive them with
    // hand-made records. Worker thread only.
    void PushFrame(const stPicData& frame);
    void CheckSceneSwitch(const stPicData& frame);
    void CollectVoiceFrame(const stPicData& frame);
    // CopyPendingFrames writes its line before returning.
    std::vector<stPicData> CopyPendingFrames();
    // Marks a frame as kept, as the loop does after the two steps above.
    void SetCurrentClassId(int32_t classId) { m_currentClassId.store(classId); }
    uint32_t GetFramesWritten();
    std::vector<stPicData> GetHistorySnapshot();
    std::vector<stPicData> GetVoiceFramesSnapshot();

    // Applies a configuration answer (the fetch thread's callback).
    void ApplyRemoteConfig(const RemoteConfig& config);

    // Replaces the configuration fetch of every start (tests, the demo's
    // offline mode). Called on the starting thread after the first log line.
    using ConfigFetcher = std::function<void(TarselService&)>;
    void SetConfigFetcher(ConfigFetcher fetcher);

    std::string GetModelPath() const;
    std::string GetResolution() const;
    void SetResolution(const std::string& resolution);
    int GetCaptureInterval() const { return m_interval.load(); }
    int GetForwardWindows() const { return m_forwardWindows.load(); }
    int GetBackwardWindows() const { return m_backwardWindows.load(); }
    int GetHistorySize() const { return m_historySize; }

private:
    using FrameCallback = std::function<void(int, const std::vector<stPicData>&)>;
    enum class PassEnd { kSkipped, kCaptureFailed, kDropped, kDone };

    // Monitor loop (monitor_loop.cpp).
    void WorkerMain();
    void MonitorLoop();
    PassEnd RunPass();
    PassEnd ProcessFrame(ScreenCapturer& capturer);
    void Pace(PassEnd end, std::chrono::steady_clock::time_point start);
    void SleepFor(std::chrono::milliseconds duration);

    // Start and stop (scene_monitor.cpp).
    void FetchRemoteConfig();
    bool IsWorkerThread() const;
    void JoinFinishedWorker();
    void WakeWorker();
    void ReleaseMonitorState();

    // Calls the internal frame callback; no lock of ours held but its own.
    void DeliverFrames(int classId, const std::vector<stPicData>& frames);

    // Voice windows (voice_windows.cpp): the copy that queues its line.
    std::vector<stPicData> CopyPendingFramesQueued();
    // Writes the lines queued under m_historyMutex.
    void FlushLines() { m_orderedLog.Flush(); }

    // Marks the calling thread as inside an operation of this service for the
    // scope's life; a destruction asked for meanwhile (from a host callback
    // reached from the operation) runs when the outermost scope ends. Declared
    // first in an operation, so nothing of the object is touched after it.
    class OperationScope {
    public:
        explicit OperationScope(TarselService& service);
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        TarselService& m_service;
    };
    bool InOperationOnThisThread() const;

    std::shared_ptr<ScreenCapturer> CapturerRef() const;

    // Shared with the pass and the screenshot in progress, so replacing or
    // dropping it on one thread never frees it under another.
    std::shared_ptr<ScreenCapturer> m_capturer;
    mutable std::mutex m_capturerMutex;
    std::unique_ptr<SceneClassifier> m_classifier;
    // The worker's buffers, kept from one pass to the next and released when
    // the worker ends.
    CapturedFrame m_passFrame;
    std::vector<float> m_passInput;
    std::unique_ptr<RemoteConfigClient> m_configClient;
    bool m_initialized = false;
    std::string m_modelPath;
    // The tuning values are written by host setters and the configuration
    // thread while the worker reads them; each use reads them once.
    std::atomic<int32_t> m_interval{5};
    int32_t m_historySize = 15;
    std::atomic<int32_t> m_forwardWindows{5};
    std::atomic<int32_t> m_backwardWindows{5};
    mutable std::mutex m_resolutionMutex;
    std::string m_resolution;
    std::vector<stPicData> m_frameHistory;
    uint32_t m_frameCount = 0;
    // Lines of the sections it guards are queued under it and written after
    // it, so it is never held while the host is called.
    std::mutex m_historyMutex;
    std::atomic<bool> m_running{false};
    std::thread m_monitorThread;
    std::atomic<int32_t> m_currentClassId{-1};
    std::atomic<int32_t> m_bossState{IDLE};
    std::atomic<int32_t> m_bossBackwardRemaining{0};
    std::atomic<bool> m_isSpeaking{false};
    std::vector<stPicData> m_voiceFrames;
    std::atomic<bool> m_voiceSnapshotTaken{false};
    std::atomic<int32_t> m_voiceBackwardRemaining{0};
    // Guards the frame-callback members; held around each delivery so that once
    // SetFrameCallback returns no delivery to the old function is under way.
    std::recursive_mutex m_frameCallbackMutex;
    FrameCallback m_frameCallback;
    FrameBatchCallback m_hostFrameCallback = nullptr;
    void* m_hostFrameUserData = nullptr;
    // Serialises GetPendingFrames across host threads.
    std::mutex m_pendingMutex;
    std::string m_pendingFramesJson;

    // The worker's sleeps wait on this so a stop wakes them at once.
    std::mutex m_wakeMutex;
    std::condition_variable m_wakeCv;
    std::atomic<std::thread::id> m_workerId{};
    OrderedLog m_orderedLog;
    // Set on the worker when a host callback stopped or destroyed the service
    // from inside it; the worker then finishes the stop itself. Worker only.
    bool m_stopFromWorker = false;
    Destroyer m_workerDestroy = nullptr;
    ConfigFetcher m_configFetcher;

    // What a fetch thread holds of the service: cleared first by the
    // destructor, under the lock every apply holds, so no answer is applied to
    // a destroyed service.
    struct Liveness {
        std::mutex mutex;
        TarselService* service = nullptr;
    };
    // Re-reads the service after every line: a log callback may destroy it.
    static void ApplyTo(Liveness& liveness, const RemoteConfig& config);
    std::shared_ptr<Liveness> m_liveness;
};

}  // namespace tarsel

#endif  // TARSEL_SERVICE_TARSEL_SERVICE_H
