// The debug profile on Linux: one fixed file, read with the profile rules.
#include "config/ini_reader.h"
#include "config/server_mode.h"

#ifndef TARSEL_PROFILE_PATH
#define TARSEL_PROFILE_PATH "/etc/tarsel/ludoradebug.txt"
#endif

namespace tarsel {

int ReadServerMode() {
    return ReadIniInt(TARSEL_PROFILE_PATH, "Gloamkit", "ServerMode", 0);
}

}  // namespace tarsel
