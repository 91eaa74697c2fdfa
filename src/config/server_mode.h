// Platform seam: the debug profile's server mode (0 when it is not set).
#ifndef TARSEL_CONFIG_SERVER_MODE_H
#define TARSEL_CONFIG_SERVER_MODE_H

namespace tarsel {

// Key "ServerMode" of section "Gloamkit" in the platform's debug profile file.
int ReadServerMode();

}  // namespace tarsel

#endif  // TARSEL_CONFIG_SERVER_MODE_H
