#include "config/remote_config_client.h"

namespace tarsel {

// Holds no data: each fetch owns what it needs on its own thread.
class RemoteConfigClient::Impl {};

RemoteConfigClient::RemoteConfigClient() : m_impl(std::make_unique<Impl>()) {}

RemoteConfigClient::~RemoteConfigClient() = default;

}  // namespace tarsel
