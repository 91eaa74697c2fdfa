// The configuration body parser: any bytes give a record, and an invalid
// record carries the defaults.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/remote_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const tarsel::RemoteConfig config = tarsel::ParseRemoteConfig(body);
    if (!config.valid && (config.interval != 5 || config.forwardWindows != 5 ||
                          config.backwardWindows != 5 || !config.resolution.empty())) {
        std::abort();
    }
    return 0;
}
