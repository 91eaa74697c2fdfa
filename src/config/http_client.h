// One blocking HTTP or HTTPS GET. No state between calls, nothing logged, no
// headers of our own and no body sent.
#ifndef TARSEL_CONFIG_HTTP_CLIENT_H
#define TARSEL_CONFIG_HTTP_CLIENT_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace tarsel {

// Lets another thread end a transfer in flight, at once.
class HttpCancel {
public:
    void Cancel();
    bool IsCancelled() const { return m_cancelled.load(); }

    // The transport registers how to wake its wait while a transfer runs.
    void SetWake(std::function<void()> wake);

private:
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    std::function<void()> m_wake;
};

// A transport's wake-up, registered for the scope's lifetime and cleared
// before what it refers to goes away.
class ScopedCancelWake {
public:
    ScopedCancelWake(HttpCancel* cancel, std::function<void()> wake) : m_cancel(cancel) {
        if (m_cancel != nullptr) m_cancel->SetWake(std::move(wake));
    }
    ~ScopedCancelWake() {
        if (m_cancel != nullptr) m_cancel->SetWake(nullptr);
    }
    ScopedCancelWake(const ScopedCancelWake&) = delete;
    ScopedCancelWake& operator=(const ScopedCancelWake&) = delete;

private:
    HttpCancel* m_cancel;
};

struct HttpOptions {
    // A send or receive that moves nothing for this long ends the call.
    long stallSeconds = 30;
    long connectTimeoutSeconds = 60;
    // Far above any configuration answer; a larger body fails like a failed read.
    size_t maxBodyBytes = 1u << 20;
    HttpCancel* cancel = nullptr;
};

// True when the request went out, a response came back and the whole body was
// read, whatever the status. The status is written only when it could be read;
// received bytes are appended to body. ParseUrl's exceptions pass through.
bool HttpGet(const std::string& url, std::string& body, uint32_t& status);
bool HttpGet(const std::string& url, std::string& body, uint32_t& status, const HttpOptions& options);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_HTTP_CLIENT_H
