#include "config/remote_config_client.h"

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

#include "config/http_client.h"
#include "config/http_transport.h"

namespace tarsel {

namespace {

// How long destruction waits for cancelled fetches before leaving them to
// finish on their own (they then touch nothing but their own state).
constexpr std::chrono::milliseconds kCancelWait{1000};

// One fetch, shared by its thread and the client.
struct Fetch {
    HttpCancel cancel;
    std::mutex mutex;
    std::condition_variable finishedCv;
    bool finished = false;
    std::thread thread;
};

RemoteConfig FetchAndParse(const std::string& url, HttpCancel& cancel) {
    try {
        std::string body;
        uint32_t status = 0;
        HttpOptions options;
        options.cancel = &cancel;
        if (HttpGet(url, body, status, options) && status == 200 && !body.empty()) {
            return ParseRemoteConfig(body);
        }
    } catch (...) {
        // A port the integer conversion refuses, or memory: the invalid record.
    }
    return RemoteConfig();
}

void RunFetch(const std::shared_ptr<Fetch>& fetch, const std::string& url, const ConfigCallback& callback) {
    const RemoteConfig config = FetchAndParse(url, fetch->cancel);
    if (callback) {
        try {
            callback(config);
        } catch (...) {
            // A thread of ours must never end the host's process.
        }
    }
    std::lock_guard<std::mutex> lock(fetch->mutex);
    fetch->finished = true;
    fetch->finishedCv.notify_all();
}

}  // namespace

class RemoteConfigClient::Impl {
public:
    ~Impl() {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& fetch : m_fetches) fetch->cancel.Cancel();
        const auto deadline = std::chrono::steady_clock::now() + kCancelWait;
        for (const auto& fetch : m_fetches) {
            if (fetch->thread.get_id() == std::this_thread::get_id()) {
                // Destroyed from inside this fetch's own callback.
                fetch->thread.detach();
                continue;
            }
            std::unique_lock<std::mutex> wait(fetch->mutex);
            const bool done = fetch->finishedCv.wait_until(wait, deadline, [&] { return fetch->finished; });
            wait.unlock();
            if (done) {
                fetch->thread.join();
            } else {
                fetch->thread.detach();  // it owns its state through the shared pointer
            }
        }
    }

    void Start(const std::string& url, ConfigCallback callback) {
        std::lock_guard<std::mutex> lock(m_mutex);
        CollectFinished();
        auto fetch = std::make_shared<Fetch>();
        fetch->thread = std::thread(
            [fetch, url, callback = std::move(callback)] { RunFetch(fetch, url, callback); });
        m_fetches.push_back(std::move(fetch));
    }

private:
    void CollectFinished() {
        for (auto it = m_fetches.begin(); it != m_fetches.end();) {
            bool finished;
            {
                std::lock_guard<std::mutex> lock((*it)->mutex);
                finished = (*it)->finished;
            }
            if (finished) {
                (*it)->thread.join();
                it = m_fetches.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::list<std::shared_ptr<Fetch>> m_fetches;
};

RemoteConfigClient::RemoteConfigClient() : m_impl(std::make_unique<Impl>()) {
    InitHttpTransport();  // on the host's thread, before any fetch thread
}

RemoteConfigClient::~RemoteConfigClient() = default;

void RemoteConfigClient::FetchAsync(const std::string& url, ConfigCallback callback) {
    m_impl->Start(url, std::move(callback));
}

}  // namespace tarsel
