// Detects a switch into the boss scene (class 1) and delivers the frames
// around it: one forward batch from the ring, then one backward frame per
// kept frame, then waits for the host's ResetBossState.
#include <sstream>

#include "log/logger.h"
#include "service/keep_last.h"
#include "service/tarsel_service.h"

namespace tarsel {

namespace {

constexpr uint32_t kBossClass = 1;
const char kBanner[] = "[TarselService] ========================================";

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

}  // namespace

void TarselService::CheckSceneSwitch(const stPicData& frame) {
    const int32_t previous = m_currentClassId.load();
    if (previous != static_cast<int32_t>(kBossClass) && frame.classId == kBossClass) {
        if (m_bossState.load() != IDLE) {
            Log(WARN, "[TarselService] 检测到Boss场景，但当前状态不是IDLE，忽略");
        } else {
            Log(INFO, kBanner);
            std::ostringstream text;
            text << "[TarselService] 检测到场景切换：" << previous << " -> " << frame.classId
                 << " (Boss场景)";
            Log(INFO, text.str());
            Log(INFO, kBanner);
            m_bossState.store(SENDING);

            std::vector<stPicData> batch;
            {
                std::lock_guard<std::mutex> lock(m_historyMutex);
                batch = LastNonEmpty(m_frameHistory, m_forwardWindows.load());
            }
            std::ostringstream ready;
            ready << "[TarselService] 准备发送 " << batch.size() << " 张图片 (forward)";
            Log(INFO, ready.str());

            const int32_t backward = m_backwardWindows.load();
            m_bossBackwardRemaining.store(backward);
            if (backward == 0) {
                // A reset made by the host meanwhile stands.
                int32_t sending = SENDING;
                m_bossState.compare_exchange_strong(sending, WAITING_RESPONSE);
            }
            DeliverFrames(static_cast<int>(frame.classId), batch);
        }
    }

    if (m_bossState.load() == SENDING && m_bossBackwardRemaining.load() >= 1) {
        const int32_t remaining = m_bossBackwardRemaining.fetch_sub(1) - 1;
        std::ostringstream text;
        text << "[TarselService] 发送 backward 帧，剩余: " << remaining;
        Log(INFO, text.str());
        int32_t sending = SENDING;
        if (remaining == 0 && m_bossState.compare_exchange_strong(sending, WAITING_RESPONSE)) {
            Log(INFO, "[TarselService] 所有帧发送完成，等待模型响应");
        }
        DeliverFrames(static_cast<int>(frame.classId), std::vector<stPicData>{frame});
    }
}

void TarselService::ResetBossState() {
    OperationScope operation(*this);
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        m_bossState.store(IDLE);
        m_orderedLog.Add(INFO, "[TarselService] Boss场景状态重置为 IDLE");
    }
    FlushLines();
}

}  // namespace tarsel
