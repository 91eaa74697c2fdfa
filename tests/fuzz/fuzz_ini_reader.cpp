// The profile reader on any text, with the section and key taken from the
// input's first line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string names = input.substr(0, newline == std::string::npos ? 0 : newline);
    const size_t split = names.find('|');
    const std::string section = split == std::string::npos ? "Gloamkit" : names.substr(0, split);
    const std::string key = split == std::string::npos ? "ServerMode" : names.substr(split + 1);
    tarsel::ParseIniInt(input, section, key, 0);
    tarsel::ParseIniInt(input, "Gloamkit", "ServerMode", 7);
    return 0;
}
