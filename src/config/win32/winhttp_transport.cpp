// The HTTP transport on Windows. Not available yet: every request fails as
// an unreachable server would, so a start logs the configuration error line
// and runs with its own values.
#include "config/http_transport.h"

namespace tarsel {

void InitHttpTransport() {}

bool TransportGet(const UrlParts&, std::string&, uint32_t&, const HttpOptions&) {
    return false;
}

}  // namespace tarsel
