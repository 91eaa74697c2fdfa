// Platform seam of the HTTP client: one GET of parsed URL parts.
#ifndef TARSEL_CONFIG_HTTP_TRANSPORT_H
#define TARSEL_CONFIG_HTTP_TRANSPORT_H

#include "config/http_client.h"
#include "config/url_parts.h"

namespace tarsel {

// One-time, process-wide set-up of the transport; call it on a host thread
// before the first request (libcurl's global init is safest there).
void InitHttpTransport();

bool TransportGet(const UrlParts& parts, std::string& body, uint32_t& status,
                  const HttpOptions& options);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_HTTP_TRANSPORT_H
