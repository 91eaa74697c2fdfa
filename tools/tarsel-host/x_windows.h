// The X side of the host: a private Xvfb when asked, and finding the window
// to watch.
#ifndef TARSEL_HOST_X_WINDOWS_H
#define TARSEL_HOST_X_WINDOWS_H

#include <xcb/xcb.h>

#include <string>

#include "child_process.h"

namespace tarsel_host {

// Starts Xvfb on a free display and points $DISPLAY at it.
bool StartPrivateDisplay(tarsel_tools::ChildProcess& server, int width, int height, std::string& error);

class XConnection {
public:
    XConnection();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool Ok() const { return m_connection != nullptr; }
    xcb_connection_t* Get() const { return m_connection; }
    xcb_window_t Root() const { return m_root; }
    void Sync() const;

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};

// A window by X id (decimal or 0x hexadecimal) or by the first top-level
// window whose title contains the text.
bool FindWindow(const XConnection& x, const std::string& idOrName, xcb_window_t& window,
                std::string& error);

}  // namespace tarsel_host

#endif  // TARSEL_HOST_X_WINDOWS_H
