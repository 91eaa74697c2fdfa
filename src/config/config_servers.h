// The configuration servers and the URL each start asks.
#ifndef TARSEL_CONFIG_CONFIG_SERVERS_H
#define TARSEL_CONFIG_CONFIG_SERVERS_H

#include <string>

namespace tarsel {

// 1 QA, 2 test, anything else production.
std::string ConfigUrlForMode(int serverMode);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_CONFIG_SERVERS_H
