#include "config/remote_config.h"

#include <json/json.h>

#include "config/json_rules.h"

namespace tarsel {

RemoteConfig ParseRemoteConfig(const std::string& body) {
    RemoteConfig config;
    Json::Value root;
    try {
        Json::Reader reader;  // default features: comments allowed
        if (!reader.parse(body, root, false)) return RemoteConfig();
    } catch (...) {
        return RemoteConfig();  // the nesting limit throws: a failed parse
    }
    // A top level or "result" that is not an object has none of the keys.
    if (const Json::Value* result = FindMember(root, "result")) {
        if (const Json::Value* code = FindMember(*result, "error_code")) {
            if (ReadInt(*code) != 0) return RemoteConfig();
        }
    }
    if (const Json::Value* v = FindMember(root, "interval")) config.interval = ReadInt(*v);
    if (const Json::Value* v = FindMember(root, "resolution")) config.resolution = ReadText(*v);
    if (const Json::Value* v = FindMember(root, "forward_windows")) config.forwardWindows = ReadInt(*v);
    if (const Json::Value* v = FindMember(root, "backward_windows")) config.backwardWindows = ReadInt(*v);
    config.valid = true;
    return config;
}

}  // namespace tarsel
