// The tuning values a configuration server answers with.
#ifndef TARSEL_CONFIG_REMOTE_CONFIG_H
#define TARSEL_CONFIG_REMOTE_CONFIG_H

#include <cstdint>
#include <functional>
#include <string>

namespace tarsel {

struct RemoteConfig {
    int32_t interval = 5;
    int32_t forwardWindows = 5;
    int32_t backwardWindows = 5;
    std::string resolution;
    // False carries the defaults above in every other field.
    bool valid = false;
};

using ConfigCallback = std::function<void(const RemoteConfig&)>;

// Never fails: a body that is not JSON, that throws while parsing, or whose
// "result" carries a non-zero "error_code" gives the invalid record.
RemoteConfig ParseRemoteConfig(const std::string& body);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_REMOTE_CONFIG_H
