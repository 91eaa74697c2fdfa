#include "config/ini_reader.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace tarsel {

namespace {

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The leading decimal integer with an optional sign; wraps like an unsigned
// 32-bit accumulation, as the profile functions do.
bool LeadingInt(const std::string& value, int& out) {
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    uint32_t number = 0;
    bool digits = false;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        number = number * 10u + static_cast<uint32_t>(value[i] - '0');
        digits = true;
    }
    if (!digits) return false;
    out = static_cast<int>(negative ? 0u - number : number);
    return true;
}

}  // namespace

int ParseIniInt(const std::string& text, const std::string& section, const std::string& key,
                int defaultValue) {
    std::istringstream lines(text);
    bool inSection = false;
    for (std::string raw; std::getline(lines, raw);) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            // The first section of that name is the one read.
            if (inSection) return defaultValue;
            inSection = SameName(name, section);
            continue;
        }
        if (!inSection) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || !SameName(Trim(line.substr(0, equals)), key)) continue;
        int value = defaultValue;
        return LeadingInt(Trim(line.substr(equals + 1)), value) ? value : 0;
    }
    return defaultValue;
}

int ReadIniInt(const std::string& path, const std::string& section, const std::string& key,
               int defaultValue) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return defaultValue;
    std::ostringstream text;
    text << in.rdbuf();
    return ParseIniInt(text.str(), section, key, defaultValue);
}

}  // namespace tarsel
