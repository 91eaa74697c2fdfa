// How configuration values are read from JSON, whatever the JsonCpp version:
// never through JsonCpp's throwing conversions.
#ifndef TARSEL_CONFIG_JSON_RULES_H
#define TARSEL_CONFIG_JSON_RULES_H

#include <json/value.h>

#include <cstdint>
#include <string>

namespace tarsel {

// The member of an object, or null when the value is no object or lacks it.
const Json::Value* FindMember(const Json::Value& value, const char* key);

// Integers in range unchanged; 2^31 to 4,294,967,289 keep their low 32 bits;
// fractions and exponents truncated toward zero; anything larger or outside
// the range -2,147,483,648; true 1, false 0; string, null, array, object 0.
int32_t ReadInt(const Json::Value& value);

// Strings as they are, booleans "true" or "false", everything else empty.
std::string ReadText(const Json::Value& value);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_JSON_RULES_H
