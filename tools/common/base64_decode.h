// Base64 back to bytes, for the tools and tests that unpack what the library
// delivers.
#ifndef TARSEL_TOOLS_BASE64_DECODE_H
#define TARSEL_TOOLS_BASE64_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel_tools {

// Empty for text with a character outside the RFC 4648 alphabet.
std::vector<uint8_t> Base64Decode(const std::string& text);

}  // namespace tarsel_tools

#endif  // TARSEL_TOOLS_BASE64_DECODE_H
