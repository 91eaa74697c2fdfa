// Platform seam for the window manager and the screen copy. The capturer and
// the service call only this; one backend per target implements it.
//
// Every function is safe on any thread and never throws for a platform
// failure: a lost display reads as "no such window".
#ifndef TARSEL_CAPTURE_WINDOW_SYSTEM_H
#define TARSEL_CAPTURE_WINDOW_SYSTEM_H

#include <cstdint>
#include <memory>

#include "tarsel/tarsel.h"

namespace tarsel {
namespace window_system {

// Where window ids are only meaningful on the connection they were found on,
// a binding remembers that connection: a handle bound on a connection that was
// later lost never names a window again. 0 where handles are global.
using Session = uint64_t;

// The session a handle bound now belongs to (opening a connection if needed).
Session CurrentSession();

bool IsWindow(HWND window, Session session);
HWND GetForegroundWindow(Session session);
// Client size; on failure false and a platform error code.
bool GetClientRect(HWND window, Session session, int32_t& width, int32_t& height,
                   unsigned long& error);
// Screen position of the client area's top-left corner; unchanged on failure.
void ClientToScreen(HWND window, Session session, int32_t& x, int32_t& y);

// Switches the calling thread to per-monitor DPI awareness for its lifetime
// where the platform has it, so client sizes and screen positions are in
// screen pixels. Active() tells whether a switch happened.
class DpiAwarenessScope {
public:
    DpiAwarenessScope();
    ~DpiAwarenessScope();
    bool Active() const { return m_previous != nullptr; }

    DpiAwarenessScope(const DpiAwarenessScope&) = delete;
    DpiAwarenessScope& operator=(const DpiAwarenessScope&) = delete;

private:
    void* m_previous = nullptr;
    [[maybe_unused]] void* m_function = nullptr;  // the platform's switch, where it has one
};

// One copy of a screen rectangle, in the steps of a device-context copy so the
// capturer can report each. Owns every platform object it makes and releases
// them on destruction; a grab can be used for one capture after another.
class ScreenGrab {
public:
    virtual ~ScreenGrab() = default;
    // Memory context and bitmap of width x height; false when unavailable.
    virtual bool CreateTarget(int32_t width, int32_t height) = 0;
    // Copies the screen rectangle at (x, y) of the target's size; nonzero on
    // success. Parts off the screen stay black.
    virtual int Copy(int32_t x, int32_t y) = 0;
    // Writes the target as blue, green, red rows, top row first and without
    // padding, into bgr (width x height x 3 bytes); returns the number of rows
    // written.
    virtual int ReadRows(uint8_t* bgr) = 0;
};

// A grab bound to the screen, or null when the screen cannot be reached.
// previous, a grab this function returned earlier, is recycled when it still
// fits the session (keeping what it can of its buffers), otherwise released.
std::unique_ptr<ScreenGrab> OpenScreen(Session session,
                                       std::unique_ptr<ScreenGrab> previous = nullptr);

}  // namespace window_system
}  // namespace tarsel

#endif  // TARSEL_CAPTURE_WINDOW_SYSTEM_H
