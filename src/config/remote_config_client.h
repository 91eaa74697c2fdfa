// The service's remote-configuration client, kept for the service's whole life.
#ifndef TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H
#define TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H

#include <memory>

namespace tarsel {

class RemoteConfigClient {
public:
    RemoteConfigClient();
    ~RemoteConfigClient();

    RemoteConfigClient(const RemoteConfigClient&) = delete;
    RemoteConfigClient& operator=(const RemoteConfigClient&) = delete;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tarsel

#endif  // TARSEL_CONFIG_REMOTE_CONFIG_CLIENT_H
