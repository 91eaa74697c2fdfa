// The seam between the MinGW test program and the caller compiled for the
// MSVC ABI: plain C types only.
#ifndef TARSEL_TESTS_WINDOWS_MSVC_CALLER_H
#define TARSEL_TESTS_WINDOWS_MSVC_CALLER_H

#include "tarsel/tarsel.h"

extern "C" {

struct MsvcHost {
    ITarselService*(TARSEL_CALL* create)();
    HWND window;
    // The test program's log collector, registered through the interface.
    LogCallback log;
    void* logUser;
    // Told the number of every check that failed.
    void (*fail)(int check, void* user);
    void* failUser;
};

// Drives one service through the vtable as an MSVC-built host would, then
// deletes it through the interface. Returns the number of failed checks.
int DriveServiceThroughMsvcVtable(const MsvcHost* host);

// A screenshot whose callback throws the way MSVC code throws (an SEH
// exception of the C++ code 0xE06D7363); returns once the library returns.
void CaptureWithThrowingCallback(ITarselService* service);
// Registers a log callback that throws the same way at every line.
void SetThrowingLogCallback(ITarselService* service);
}

#endif  // TARSEL_TESTS_WINDOWS_MSVC_CALLER_H
