#include "config/json_rules.h"

#include <cmath>
#include <limits>

namespace tarsel {

namespace {

constexpr int32_t kOutOfRange = std::numeric_limits<int32_t>::min();
constexpr uint64_t kLowBitsLimit = 4294967289ull;

int32_t FromReal(double value) {
    const double truncated = std::trunc(value);
    if (truncated < -2147483648.0 || truncated > 2147483647.0) return kOutOfRange;
    return static_cast<int32_t>(truncated);
}

}  // namespace

const Json::Value* FindMember(const Json::Value& value, const char* key) {
    if (!value.isObject()) return nullptr;
    return value.find(key, key + std::char_traits<char>::length(key));
}

int32_t ReadInt(const Json::Value& value) {
    switch (value.type()) {
        case Json::intValue: {
            const Json::Int64 v = value.asInt64();
            if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
                return static_cast<int32_t>(v);
            }
            if (v > 0 && static_cast<uint64_t>(v) <= kLowBitsLimit) {
                return static_cast<int32_t>(static_cast<uint32_t>(v));
            }
            return kOutOfRange;
        }
        case Json::uintValue: {
            const Json::UInt64 v = value.asUInt64();
            if (v <= static_cast<Json::UInt64>(std::numeric_limits<int32_t>::max())) {
                return static_cast<int32_t>(v);
            }
            if (v <= kLowBitsLimit) return static_cast<int32_t>(static_cast<uint32_t>(v));
            return kOutOfRange;
        }
        case Json::realValue:
            return FromReal(value.asDouble());
        case Json::booleanValue:
            return value.asBool() ? 1 : 0;
        default:
            return 0;
    }
}

std::string ReadText(const Json::Value& value) {
    if (value.isString()) return value.asString();
    if (value.isBool()) return value.asBool() ? "true" : "false";
    return std::string();
}

}  // namespace tarsel
