// The debug profile on Windows: an INI file at the root of drive C.
#include <windows.h>

#include "config/server_mode.h"

namespace tarsel {

int ReadServerMode() {
    return static_cast<int>(
        ::GetPrivateProfileIntW(L"Gloamkit", L"ServerMode", 0, L"C:\\ludoradebug.txt"));
}

}  // namespace tarsel
