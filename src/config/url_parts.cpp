#include "config/url_parts.h"

namespace tarsel {

namespace {

std::u16string Widen(const std::string& text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char byte : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
    return wide;
}

}  // namespace

bool ParseUrl(const std::string& url, UrlParts& parts) {
    if (url.size() < 8) return false;
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) return false;
    const std::string scheme = url.substr(0, schemeEnd);
    if (scheme == "https") {
        parts.secure = true;
        parts.port = 443;
    } else if (scheme == "http") {
        parts.secure = false;
        parts.port = 80;
    } else {
        return false;
    }
    const size_t hostStart = schemeEnd + 3;
    size_t slash = std::string::npos;
    if (hostStart < url.size()) slash = url.find('/', hostStart);
    const size_t hostEnd = slash == std::string::npos ? url.size() : slash;
    const std::string hostPart = url.substr(hostStart, hostEnd - hostStart);
    const size_t colon = hostPart.find(':');
    std::string host = hostPart;
    if (colon != std::string::npos) {
        host = hostPart.substr(0, colon);
        const int port = std::stoi(hostPart.substr(colon + 1), nullptr, 10);
        parts.port = static_cast<uint16_t>(static_cast<unsigned int>(port) & 0xFFFFu);
    }
    parts.path = slash == std::string::npos ? u"/" : Widen(url.substr(slash));
    parts.host = Widen(host);
    return !parts.host.empty();
}

std::string NarrowText(const std::u16string& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t unit : text) narrow.push_back(static_cast<char>(unit & 0xFF));
    return narrow;
}

}  // namespace tarsel
