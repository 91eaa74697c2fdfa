// Fetches the remote configuration on threads of its own. The service keeps
// one client for its whole life; destroying it cancels the fetches still in
// flight and waits for them, about a second at the most.
#ifndef TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H
#define TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H

#include <memory>
#include <string>

#include "config/remote_config.h"

namespace tarsel {

class RemoteConfigClient {
public:
    RemoteConfigClient();
    ~RemoteConfigClient();

    RemoteConfigClient(const RemoteConfigClient&) = delete;
    RemoteConfigClient& operator=(const RemoteConfigClient&) = delete;

    // One GET of url on a new thread, then callback exactly once on that
    // thread with the parsed answer or the invalid record. Returns at once.
    // An empty callback is not called.
    void FetchAsync(const std::string& url, ConfigCallback callback);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tarsel

#endif  // TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H
