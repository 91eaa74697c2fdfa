// Splits an http or https URL into what the transport needs.
#ifndef TARSEL_CONFIG_URL_PARTS_H
#define TARSEL_CONFIG_URL_PARTS_H

#include <cstdint>
#include <string>

namespace tarsel {

struct UrlParts {
    bool secure = false;
    std::u16string host;  // widened byte by byte
    uint16_t port = 80;
    std::u16string path;  // from the first "/" after the host, query and fragment included
};

// True when the URL splits and has a host. A port that is no number, or does
// not fit 32 bits, throws std::invalid_argument or std::out_of_range (the
// standard integer conversion's own exceptions).
bool ParseUrl(const std::string& url, UrlParts& parts);

// The narrow text of a widened URL piece (every code unit below 256).
std::string NarrowText(const std::u16string& text);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_URL_PARTS_H
