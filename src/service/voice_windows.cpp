// The frames around the user's speech: collected while the user speaks, then
// replaced by the ring and the next kept frames once the speech ends; the host
// pulls the last of them as JSON.
#include <sstream>

#include "log/logger.h"
#include "service/frames_json.h"
#include "service/keep_last.h"
#include "service/tarsel_service.h"

namespace tarsel {

void TarselService::OnUserStartSpeaking() {
    OperationScope operation(*this);
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        m_isSpeaking.exchange(true);
        m_voiceSnapshotTaken.store(false);
        m_voiceBackwardRemaining.store(0);
        m_voiceFrames.clear();
        std::ostringstream text;
        text << "[TarselService] 用户开始说话，forward帧索引: " << static_cast<int32_t>(m_frameCount);
        m_orderedLog.Add(INFO, text.str());
    }
    FlushLines();
}

void TarselService::OnUserStopSpeaking(const char* text) {
    OperationScope operation(*this);
    // The recognised text is accepted for the host's sake; frames do not use it.
    (void)text;
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        m_isSpeaking.exchange(false);
        const int32_t backward = m_backwardWindows.load();
        m_voiceBackwardRemaining.store(backward);
        std::ostringstream line;
        line << "[TarselService] 用户结束说话，将收集 " << backward << " 帧后续图片";
        m_orderedLog.Add(INFO, line.str());
    }
    FlushLines();
}

void TarselService::CollectVoiceFrame(const stPicData& frame) {
    {
        // One section for all five steps: the speech operations change the
        // same state from host threads, and no host code runs under the lock.
        std::lock_guard<std::mutex> lock(m_historyMutex);
        if (!m_isSpeaking.load() && m_voiceBackwardRemaining.load() <= 0) return;
        if (!m_voiceSnapshotTaken.load() && !m_isSpeaking.load()) {
            m_voiceFrames.clear();
            for (const stPicData& slot : m_frameHistory) {
                if (!slot.base64.empty()) m_voiceFrames.push_back(slot);
            }
            m_voiceSnapshotTaken.store(true);
            std::ostringstream text;
            text << "[TarselService] 复制图片队列，共 " << m_voiceFrames.size() << " 张";
            m_orderedLog.Add(INFO, text.str());
        }
        if (!frame.base64.empty()) m_voiceFrames.push_back(frame);
        if (!m_isSpeaking.load() && m_voiceBackwardRemaining.load() > 0) {
            if (m_voiceBackwardRemaining.fetch_sub(1) - 1 == 0) {
                m_orderedLog.Add(INFO, "[TarselService] 语音帧收集完成");
            }
        }
    }
    FlushLines();
}

std::vector<stPicData> TarselService::CopyPendingFramesQueued() {
    std::lock_guard<std::mutex> lock(m_historyMutex);
    std::vector<stPicData> pending = LastNonEmpty(m_voiceFrames, m_forwardWindows.load());
    std::ostringstream text;
    text << "[TarselService] 返回待发送帧: " << pending.size() << " 张";
    m_orderedLog.Add(INFO, text.str());
    return pending;
}

std::vector<stPicData> TarselService::CopyPendingFrames() {
    OperationScope operation(*this);
    std::vector<stPicData> pending = CopyPendingFramesQueued();
    FlushLines();
    return pending;
}

const char* TarselService::GetPendingFrames() {
    OperationScope operation(*this);
    {
        // Serialised across host threads: the text lives until the next call.
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        m_pendingFramesJson = FramesToJson(CopyPendingFramesQueued());
    }
    FlushLines();
    // Read after the lines are written: a call made from a log callback in
    // between has replaced the text.
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    return m_pendingFramesJson.c_str();
}

}  // namespace tarsel
