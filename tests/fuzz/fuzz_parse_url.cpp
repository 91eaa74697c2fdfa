// ParseUrl: success means a host and a path that starts with "/"; the only
// exceptions are the integer conversion's own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "config/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    tarsel::UrlParts parts;
    try {
        if (tarsel::ParseUrl(url, parts)) {
            if (parts.host.empty() || parts.path.empty() || parts.path[0] != u'/') std::abort();
            if (tarsel::NarrowText(parts.host).size() != parts.host.size()) std::abort();
        }
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    return 0;
}
