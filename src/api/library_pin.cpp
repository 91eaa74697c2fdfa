#include "api/library_pin.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace tarsel {

void PinLibrary() {
#if defined(_WIN32)
    static const bool pinned = [] {
        HMODULE module = nullptr;
        // Any address inside this module names it.
        return ::GetModuleHandleExW(
                   GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                   reinterpret_cast<LPCWSTR>(&PinLibrary), &module) != FALSE;
    }();
    (void)pinned;
#endif
}

}  // namespace tarsel
