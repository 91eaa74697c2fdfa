#include "x_windows.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tarsel_host {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_NONE);
}

std::string Title(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netName, xcb_atom_t utf8) {
    for (const auto& [property, type] : {std::pair<xcb_atom_t, xcb_atom_t>{netName, utf8},
                                         {XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
        if (property == XCB_NONE) continue;
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0) {
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               static_cast<size_t>(xcb_get_property_value_length(reply.get())));
        }
    }
    return std::string();
}

std::vector<xcb_window_t> Children(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

}  // namespace

bool StartPrivateDisplay(tarsel_tools::ChildProcess& server, int width, int height, std::string& error) {
#ifndef TARSEL_HOST_XVFB
#define TARSEL_HOST_XVFB "Xvfb"
#endif
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string number;
    if (!server.Start({TARSEL_HOST_XVFB, "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp",
                       "-noreset"},
                      20, number, error)) {
        error = "cannot start a private Xvfb: " + error;
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

XConnection::XConnection() {
    int screen = 0;
    m_connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(m_connection) != 0) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (; it.rem > 0 && screen > 0; --screen) xcb_screen_next(&it);
    m_root = it.data->root;
}

XConnection::~XConnection() {
    if (m_connection != nullptr) xcb_disconnect(m_connection);
}

void XConnection::Sync() const {
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

bool FindWindow(const XConnection& x, const std::string& idOrName, xcb_window_t& window,
                std::string& error) {
    xcb_connection_t* c = x.Get();
    char* end = nullptr;
    const unsigned long id = std::strtoul(idOrName.c_str(), &end, 0);
    if (!idOrName.empty() && end != nullptr && *end == '\0') {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(id)), nullptr));
        if (!attributes || id > 0xFFFFFFFFul) {
            error = "no window with id " + idOrName;
            return false;
        }
        window = static_cast<xcb_window_t>(id);
        return true;
    }
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    // Top-level windows, and one level below them for window-manager frames.
    for (xcb_window_t top : Children(c, x.Root())) {
        std::vector<xcb_window_t> candidates = {top};
        for (xcb_window_t child : Children(c, top)) candidates.push_back(child);
        for (xcb_window_t candidate : candidates) {
            if (Title(c, candidate, netName, utf8).find(idOrName) != std::string::npos) {
                window = candidate;
                return true;
            }
        }
    }
    error = "no window whose title contains \"" + idOrName + "\"";
    return false;
}

}  // namespace tarsel_host
