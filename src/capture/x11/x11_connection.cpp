#include "capture/x11/x11_connection.h"

#include <xcb/shm.h>

#include <cstring>
#include <mutex>

#include "capture/x11/xcb_handles.h"
#include "util/posix/sigpipe_guard.h"
#include "util/no_destructor.h"

namespace tarsel {
namespace x11 {

namespace {

struct ConnectionState {
    std::mutex mutex;
    std::shared_ptr<X11Connection> current;
    uint64_t nextGeneration = 1;
};

ConnectionState& State() {
    static NoDestructor<ConnectionState> state;
    return *state;
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
    auto reply = WaitReply<xcb_intern_atom_reply_t>(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        xcb_intern_atom_reply);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_NONE);
}

xcb_screen_t* ScreenOf(xcb_connection_t* connection, int screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; it.rem > 0; --screenNumber, xcb_screen_next(&it)) {
        if (screenNumber == 0) return it.data;
    }
    return nullptr;
}

}  // namespace

std::mutex& ReplyWaitMutex() {
    static NoDestructor<std::mutex> mutex;
    return *mutex;
}

std::shared_ptr<X11Connection> X11Connection::Open(uint64_t generation) {
    ScopedSigpipeGuard guard;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    auto result = std::make_shared<X11Connection>(Key(), connection, generation, screenNumber);
    if (result->m_root == XCB_NONE || result->IsLost()) return nullptr;
    return result;
}

X11Connection::X11Connection(Key, xcb_connection_t* connection, uint64_t generation, int screenNumber)
    : m_connection(connection), m_generation(generation) {
    xcb_screen_t* screen = ScreenOf(connection, screenNumber);
    if (screen == nullptr) return;
    m_root = screen->root;
    m_activeWindowAtom = InternAtom(connection, "_NET_ACTIVE_WINDOW");
    m_wmStateAtom = InternAtom(connection, "WM_STATE");
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (shm != nullptr && shm->present) {
        auto version = WaitReply<xcb_shm_query_version_reply_t>(
            connection, xcb_shm_query_version(connection), xcb_shm_query_version_reply);
        m_hasShm = version != nullptr;
    }
}

X11Connection::~X11Connection() {
    ScopedSigpipeGuard guard;
    xcb_disconnect(m_connection);
}

bool X11Connection::IsDirectPixelFormat(uint8_t depth, xcb_visualid_t visual) const {
    if (depth != 24 && depth != 32) return false;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    bool packed32 = false;
    xcb_format_iterator_t format = xcb_setup_pixmap_formats_iterator(setup);
    for (; format.rem > 0; xcb_format_next(&format)) {
        if (format.data->depth == depth) packed32 = format.data->bits_per_pixel == 32;
    }
    if (!packed32) return false;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup); screen.rem > 0;
         xcb_screen_next(&screen)) {
        xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen.data);
        for (; d.rem > 0; xcb_depth_next(&d)) {
            xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data);
            for (; v.rem > 0; xcb_visualtype_next(&v)) {
                if (v.data->visual_id != visual) continue;
                return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                       v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                       v.data->blue_mask == 0xff;
            }
        }
    }
    return false;
}

std::shared_ptr<X11Connection> LiveConnection() {
    ConnectionState& state = State();
    std::shared_ptr<X11Connection> lost;  // released after the lock
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.current && !state.current->IsLost()) return state.current;
    lost = std::move(state.current);
    state.current = X11Connection::Open(state.nextGeneration++);
    return state.current;
}

std::shared_ptr<X11Connection> SessionConnection(uint64_t generation) {
    ConnectionState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.current || state.current->Generation() != generation || state.current->IsLost()) {
        return nullptr;
    }
    return state.current;
}

}  // namespace x11
}  // namespace tarsel
