// Each start asks the configuration server for the tuning values; the answer
// is applied on the fetch thread whenever it arrives.
#include <sstream>

#include "config/config_servers.h"
#include "config/server_mode.h"
#include "log/logger.h"
#include "service/tarsel_service.h"

namespace tarsel {

namespace {

void Log(int level, const std::string& text) {
    Logger::GetInstance().Log(level, text);
}

}  // namespace

void TarselService::FetchRemoteConfig() {
    Log(INFO, "[TarselService] 正在从后台获取配置...");
    if (m_configFetcher) {
        m_configFetcher(*this);
        return;
    }
    const int mode = ReadServerMode();
    const std::string url = ConfigUrlForMode(mode);
    std::ostringstream text;
    text << "[TarselService] server_mode=" << mode << ", configUrl=" << url;
    Log(INFO, text.str());
    std::shared_ptr<Liveness> liveness = m_liveness;
    m_configClient->FetchAsync(url, [liveness](const RemoteConfig& config) {
        std::lock_guard<std::recursive_mutex> lock(liveness->mutex);
        if (liveness->service != nullptr) liveness->service->ApplyRemoteConfig(config);
    });
}

void TarselService::ApplyRemoteConfig(const RemoteConfig& config) {
    if (!config.valid) {
        Log(ERROR, "[TarselService] 配置获取失败，使用默认配置");
        return;
    }
    m_interval.store(config.interval);
    Log(INFO, "[TarselService] 更新配置 interval=" + std::to_string(config.interval));
    SetResolution(config.resolution);
    Log(INFO, "[TarselService] 更新配置 resolution=" + config.resolution);
    m_forwardWindows.store(config.forwardWindows);
    Log(INFO, "[TarselService] 更新配置 forward_windows=" + std::to_string(config.forwardWindows));
    m_backwardWindows.store(config.backwardWindows);
    Log(INFO, "[TarselService] 更新配置 backward_windows=" + std::to_string(config.backwardWindows));
    Log(INFO, "[TarselService] 远程配置获取成功");
}

}  // namespace tarsel
