// Each start asks the configuration server for the tuning values; the answer
// is applied on the fetch thread whenever it arrives.
#include <functional>
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
    m_configClient->FetchAsync(url, [liveness](const RemoteConfig& config) { ApplyTo(*liveness, config); });
}

void TarselService::ApplyRemoteConfig(const RemoteConfig& config) {
    ApplyTo(*m_liveness, config);
}

void TarselService::ApplyTo(Liveness& liveness, const RemoteConfig& config) {
    // Each step applies its value under the liveness lock and logs after it:
    // the destructor clears the pointer under that lock, so no value lands on
    // a destroyed service, and no host log callback runs under it.
    const auto step = [&liveness](const std::function<void(TarselService&)>& apply,
                                  const std::string& line, int level) {
        {
            std::lock_guard<std::mutex> lock(liveness.mutex);
            if (liveness.service == nullptr) return false;
            apply(*liveness.service);
        }
        Log(level, line);
        return true;
    };
    if (!config.valid) {
        step([](TarselService&) {}, "[TarselService] 配置获取失败，使用默认配置", ERROR);
        return;
    }
    step([&](TarselService& s) { s.m_interval.store(config.interval); },
         "[TarselService] 更新配置 interval=" + std::to_string(config.interval), INFO) &&
        step([&](TarselService& s) { s.SetResolution(config.resolution); },
             "[TarselService] 更新配置 resolution=" + config.resolution, INFO) &&
        step([&](TarselService& s) { s.m_forwardWindows.store(config.forwardWindows); },
             "[TarselService] 更新配置 forward_windows=" + std::to_string(config.forwardWindows), INFO) &&
        step([&](TarselService& s) { s.m_backwardWindows.store(config.backwardWindows); },
             "[TarselService] 更新配置 backward_windows=" + std::to_string(config.backwardWindows), INFO) &&
        step([](TarselService&) {}, "[TarselService] 远程配置获取成功", INFO);
}

}  // namespace tarsel
