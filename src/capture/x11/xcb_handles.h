// Owners for what XCB hands out: replies and errors are malloc'ed and freed
// with free().
#ifndef TARSEL_CAPTURE_X11_XCB_HANDLES_H
#define TARSEL_CAPTURE_X11_XCB_HANDLES_H

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace tarsel {
namespace x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;
using XcbError = std::unique_ptr<xcb_generic_error_t, FreeDeleter>;

// Held by every wait for a reply: one thread at a time waits on the server.
// libxcb lets several threads wait on one connection, but when the server dies
// under two waiting threads, one of them can spin inside libxcb for good.
std::mutex& ReplyWaitMutex();

// Waits for a reply; both the reply and the error come back owned.
template <typename Reply, typename Cookie, typename Fetch>
XcbReply<Reply> WaitReply(xcb_connection_t* connection, Cookie cookie, Fetch fetch,
                          XcbError* error = nullptr) {
    xcb_generic_error_t* raw = nullptr;
    std::unique_lock<std::mutex> lock(ReplyWaitMutex());
    XcbReply<Reply> reply(fetch(connection, cookie, &raw));
    lock.unlock();
    XcbError owned(raw);
    if (error != nullptr) *error = std::move(owned);
    return reply;
}

// The error of a checked request, or null; waits like WaitReply.
inline XcbError CheckRequest(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    std::lock_guard<std::mutex> lock(ReplyWaitMutex());
    return XcbError(xcb_request_check(connection, cookie));
}

}  // namespace x11
}  // namespace tarsel

#endif  // TARSEL_CAPTURE_X11_XCB_HANDLES_H
