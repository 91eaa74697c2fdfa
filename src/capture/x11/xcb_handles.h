// Owners for what XCB hands out: replies and errors are malloc'ed and freed
// with free().
#ifndef TARSEL_CAPTURE_X11_XCB_HANDLES_H
#define TARSEL_CAPTURE_X11_XCB_HANDLES_H

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tarsel {
namespace x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;
using XcbError = std::unique_ptr<xcb_generic_error_t, FreeDeleter>;

// Waits for a reply; both the reply and the error come back owned.
template <typename Reply, typename Cookie, typename Fetch>
XcbReply<Reply> WaitReply(xcb_connection_t* connection, Cookie cookie, Fetch fetch,
                          XcbError* error = nullptr) {
    xcb_generic_error_t* raw = nullptr;
    XcbReply<Reply> reply(fetch(connection, cookie, &raw));
    XcbError owned(raw);
    if (error != nullptr) *error = std::move(owned);
    return reply;
}

}  // namespace x11
}  // namespace tarsel

#endif  // TARSEL_CAPTURE_X11_XCB_HANDLES_H
