#include "config/config_servers.h"

// Placeholder names under a reserved domain; a deployment sets its own at
// build time (CMake cache variables TARSEL_CONFIG_HOST_*).
#ifndef TARSEL_CONFIG_HOST_PRODUCTION
#define TARSEL_CONFIG_HOST_PRODUCTION "config.tarsel.example"
#endif
#ifndef TARSEL_CONFIG_HOST_TEST
#define TARSEL_CONFIG_HOST_TEST "config-test.tarsel.example"
#endif
#ifndef TARSEL_CONFIG_HOST_QA
#define TARSEL_CONFIG_HOST_QA "config-qa.tarsel.example"
#endif

namespace tarsel {

namespace {

struct Server {
    int mode;
    const char* host;
};

const Server kServers[] = {
    {1, TARSEL_CONFIG_HOST_QA},
    {2, TARSEL_CONFIG_HOST_TEST},
};

const char kPath[] = "/api/v1/ludora.vessel.game.Gloamsight/PushConfig";

}  // namespace

std::string ConfigUrlForMode(int serverMode) {
    const char* host = TARSEL_CONFIG_HOST_PRODUCTION;
    for (const Server& server : kServers) {
        if (server.mode == serverMode) host = server.host;
    }
    return std::string("https://") + host + kPath;
}

}  // namespace tarsel
