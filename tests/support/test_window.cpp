#include "support/test_window.h"

#include <cstdlib>
#include <cstring>

namespace tarsel_test {

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

}  // namespace

TestDisplay::TestDisplay() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection) != 0) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

TestDisplay::~TestDisplay() {
    if (m_connection != nullptr) xcb_disconnect(m_connection);
}

void TestDisplay::Sync() const {
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

void TestDisplay::FocusNone() const {
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_NONE, XCB_NONE, XCB_CURRENT_TIME);
    Sync();
}

void TestDisplay::FocusPointerRoot() const {
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                        XCB_CURRENT_TIME);
    Sync();
}

void TestDisplay::FocusWindow(xcb_window_t window) const {
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    Sync();
}

void TestDisplay::SetActiveWindowProperty(xcb_window_t window) const {
    const xcb_atom_t active = Atom(m_connection, "_NET_ACTIVE_WINDOW");
    if (window == 0) {
        xcb_delete_property(m_connection, m_root, active);
    } else {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, active, XCB_ATOM_WINDOW,
                            32, 1, &window);
    }
    Sync();
}

TestWindow::TestWindow(const TestDisplay& display, int x, int y, int width, int height,
                       uint32_t rgb, xcb_window_t parent)
    : m_display(display) {
    xcb_connection_t* c = display.Get();
    m_window = xcb_generate_id(c);
    const uint32_t values[] = {rgb, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, parent != 0 ? parent : display.Root(),
                      static_cast<int16_t>(x), static_cast<int16_t>(y),
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, m_window);
    display.Sync();
}

TestWindow::~TestWindow() {
    Destroy();
}

void TestWindow::Fill(uint32_t rgb) {
    xcb_connection_t* c = m_display.Get();
    xcb_change_window_attributes(c, m_window, XCB_CW_BACK_PIXEL, &rgb);
    xcb_clear_area(c, 0, m_window, 0, 0, 0, 0);
    m_display.Sync();
}

void TestWindow::Raise() {
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(m_display.Get(), m_window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    m_display.Sync();
}

void TestWindow::Destroy() {
    if (m_window == 0 || !m_display.Ok()) return;
    xcb_destroy_window(m_display.Get(), m_window);
    m_display.Sync();
    m_window = 0;
}

void TestWindow::SetWmState() {
    xcb_connection_t* c = m_display.Get();
    const xcb_atom_t state = Atom(c, "WM_STATE");
    const uint32_t normal[] = {1, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, state, state, 32, 2, normal);
    m_display.Sync();
}

}  // namespace tarsel_test
