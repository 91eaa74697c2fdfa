// Window-manager queries on X11. HWND values carry X window ids.
#include <xcb/xcb.h>

#include "capture/window_system.h"
#include "capture/x11/x11_connection.h"
#include "capture/x11/xcb_handles.h"
#include "util/posix/sigpipe_guard.h"

namespace tarsel {
namespace window_system {

namespace {

using x11::WaitReply;
using x11::X11Connection;
using x11::XcbError;

// Anything above 32 bits cannot be an X id.
bool ToWindowId(HWND window, xcb_window_t& id) {
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    if (value == 0 || value > 0xFFFFFFFFu) return false;
    id = static_cast<xcb_window_t>(value);
    return true;
}

HWND ToHandle(xcb_window_t id) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
}

// The window manager's own answer, when it publishes one.
bool ReadActiveWindow(xcb_connection_t* c, xcb_get_property_cookie_t cookie, xcb_window_t& active) {
    auto reply = WaitReply<xcb_get_property_reply_t>(c, cookie, xcb_get_property_reply);
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return false;
    }
    active = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return true;
}

// The focused window's client top-level: the first ancestor (or itself) that
// carries WM_STATE; without a window manager, the child of the root. Each
// level asks both questions in one round trip.
xcb_window_t FocusTopLevel(const X11Connection& x, xcb_get_input_focus_cookie_t cookie) {
    xcb_connection_t* c = x.Get();
    auto focus = WaitReply<xcb_get_input_focus_reply_t>(c, cookie, xcb_get_input_focus_reply);
    if (!focus) return XCB_NONE;
    xcb_window_t window = focus->focus;
    if (window == XCB_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT || window == x.Root()) {
        return XCB_NONE;
    }
    const xcb_atom_t wmState = x.WmStateAtom();
    // Bounded walk: a tree deeper than this is not a real top-level chain.
    for (int depth = 0; depth < 64; ++depth) {
        xcb_get_property_cookie_t state{};
        if (wmState != XCB_NONE) {
            state = xcb_get_property(c, 0, window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
        }
        const xcb_query_tree_cookie_t treeCookie = xcb_query_tree(c, window);
        if (wmState != XCB_NONE) {
            auto property = WaitReply<xcb_get_property_reply_t>(c, state, xcb_get_property_reply);
            if (property && property->type != XCB_NONE) {
                xcb_discard_reply(c, treeCookie.sequence);
                return window;
            }
        }
        auto tree = WaitReply<xcb_query_tree_reply_t>(c, treeCookie, xcb_query_tree_reply);
        if (!tree) return XCB_NONE;
        if (tree->parent == x.Root() || tree->parent == XCB_NONE) return window;
        window = tree->parent;
    }
    return XCB_NONE;
}

}  // namespace

Session CurrentSession() {
    ScopedSigpipeGuard guard;
    std::shared_ptr<X11Connection> x = x11::LiveConnection();
    return x ? x->Generation() : 0;
}

bool IsWindow(HWND window, Session session) {
    xcb_window_t id;
    if (!ToWindowId(window, id)) return false;
    ScopedSigpipeGuard guard;
    std::shared_ptr<X11Connection> x = x11::SessionConnection(session);
    if (!x) return false;
    XcbError error;
    auto reply = WaitReply<xcb_get_window_attributes_reply_t>(
        x->Get(), xcb_get_window_attributes(x->Get(), id), xcb_get_window_attributes_reply, &error);
    return reply != nullptr && error == nullptr;
}

HWND GetForegroundWindow(Session session) {
    ScopedSigpipeGuard guard;
    std::shared_ptr<X11Connection> x = x11::SessionConnection(session);
    if (!x) return nullptr;
    xcb_connection_t* c = x->Get();
    // Both questions in one round trip; the focus answers only without the
    // window manager's.
    const bool askManager = x->ActiveWindowAtom() != XCB_NONE;
    xcb_get_property_cookie_t manager{};
    if (askManager) {
        manager = xcb_get_property(c, 0, x->Root(), x->ActiveWindowAtom(), XCB_ATOM_WINDOW, 0, 1);
    }
    const xcb_get_input_focus_cookie_t focus = xcb_get_input_focus(c);
    xcb_window_t active = XCB_NONE;
    if (askManager && ReadActiveWindow(c, manager, active)) {
        xcb_discard_reply(c, focus.sequence);
    } else {
        active = FocusTopLevel(*x, focus);
    }
    return active == XCB_NONE ? nullptr : ToHandle(active);
}

bool GetClientRect(HWND window, Session session, int32_t& width, int32_t& height,
                   unsigned long& error) {
    xcb_window_t id;
    if (!ToWindowId(window, id)) {
        error = XCB_WINDOW;
        return false;
    }
    ScopedSigpipeGuard guard;
    std::shared_ptr<X11Connection> x = x11::SessionConnection(session);
    if (!x) {
        error = XCB_WINDOW;
        return false;
    }
    XcbError xerror;
    auto geometry = WaitReply<xcb_get_geometry_reply_t>(
        x->Get(), xcb_get_geometry(x->Get(), id), xcb_get_geometry_reply, &xerror);
    if (!geometry) {
        error = xerror ? xerror->error_code : static_cast<unsigned long>(x->ErrorCode());
        return false;
    }
    width = geometry->width;
    height = geometry->height;
    return true;
}

void ClientToScreen(HWND window, Session session, int32_t& x, int32_t& y) {
    xcb_window_t id;
    if (!ToWindowId(window, id)) return;
    ScopedSigpipeGuard guard;
    std::shared_ptr<X11Connection> conn = x11::SessionConnection(session);
    if (!conn) return;
    xcb_connection_t* c = conn->Get();
    auto reply = WaitReply<xcb_translate_coordinates_reply_t>(
        c, xcb_translate_coordinates(c, id, conn->Root(), 0, 0), xcb_translate_coordinates_reply);
    if (!reply) return;
    x = reply->dst_x;
    y = reply->dst_y;
}

// X11 has no per-thread DPI awareness: sizes are always in screen pixels.
DpiAwarenessScope::DpiAwarenessScope() = default;
DpiAwarenessScope::~DpiAwarenessScope() = default;

}  // namespace window_system
}  // namespace tarsel
