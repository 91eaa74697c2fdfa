// The process's XCB connection. XCB is thread-safe, so one connection serves
// every thread; it is shared by pointer so that replacing a lost connection
// never frees one another thread is still using.
#ifndef TARSEL_CAPTURE_X11_X11_CONNECTION_H
#define TARSEL_CAPTURE_X11_X11_CONNECTION_H

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>


namespace tarsel {
namespace x11 {

class X11Connection {
public:
    // Connects to $DISPLAY; null when there is no display or it refuses us.
    static std::shared_ptr<X11Connection> Open(uint64_t generation);
    ~X11Connection();

    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* Get() const { return m_connection; }
    bool IsLost() const { return xcb_connection_has_error(m_connection) != 0; }
    int ErrorCode() const { return xcb_connection_has_error(m_connection); }
    uint64_t Generation() const { return m_generation; }

    xcb_window_t Root() const { return m_root; }
    xcb_atom_t ActiveWindowAtom() const { return m_activeWindowAtom; }
    xcb_atom_t WmStateAtom() const { return m_wmStateAtom; }
    bool HasShm() const { return m_hasShm; }
    // Depth and visual of images this code can turn into blue, green, red,
    // reserved rows: 32 bits per pixel, 8-bit TrueColor masks, LSB first.
    bool IsDirectPixelFormat(uint8_t depth, xcb_visualid_t visual) const;

    // Only Open() makes connections; the key keeps the constructor usable by
    // std::make_shared alone.
    class Key {
        friend class X11Connection;
        Key() = default;
    };
    X11Connection(Key, xcb_connection_t* connection, uint64_t generation, int screenNumber);

private:

    xcb_connection_t* m_connection;
    uint64_t m_generation;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_activeWindowAtom = XCB_NONE;
    xcb_atom_t m_wmStateAtom = XCB_NONE;
    bool m_hasShm = false;
};

// The live connection, reconnecting when the current one is lost or missing.
std::shared_ptr<X11Connection> LiveConnection();

// The connection of a session if it is still the live one, else null: ids
// found on a lost connection may name another program's windows on a new one.
std::shared_ptr<X11Connection> SessionConnection(uint64_t generation);

}  // namespace x11
}  // namespace tarsel

#endif  // TARSEL_CAPTURE_X11_X11_CONNECTION_H
