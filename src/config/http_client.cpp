#include "config/http_client.h"

#include "config/http_transport.h"
#include "config/url_parts.h"

namespace tarsel {

void HttpCancel::Cancel() {
    m_cancelled.store(true);
    // Under the lock: once SetWake(nullptr) returns, the transport may free
    // what the wake refers to.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_wake) m_wake();
}

void HttpCancel::SetWake(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = std::move(wake);
}

bool HttpGet(const std::string& url, std::string& body, uint32_t& status) {
    return HttpGet(url, body, status, HttpOptions());
}

bool HttpGet(const std::string& url, std::string& body, uint32_t& status, const HttpOptions& options) {
    UrlParts parts;
    if (!ParseUrl(url, parts)) return false;
    return TransportGet(parts, body, status, options);
}

}  // namespace tarsel
