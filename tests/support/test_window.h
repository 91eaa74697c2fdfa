// Real X windows for the tests, on a connection of the test's own.
#ifndef TARSEL_TESTS_TEST_WINDOW_H
#define TARSEL_TESTS_TEST_WINDOW_H

#include <xcb/xcb.h>

#include <cstdint>

#include "tarsel/tarsel.h"

namespace tarsel_test {

class TestDisplay {
public:
    TestDisplay();  // connects to $DISPLAY
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    bool Ok() const { return m_connection != nullptr && xcb_connection_has_error(m_connection) == 0; }
    xcb_connection_t* Get() const { return m_connection; }
    xcb_window_t Root() const { return m_root; }
    // Waits until the server has handled every request sent so far.
    void Sync() const;
    void FocusNone() const;
    void FocusPointerRoot() const;
    void FocusWindow(xcb_window_t window) const;
    // What a window manager would publish; 0 removes the property.
    void SetActiveWindowProperty(xcb_window_t window) const;

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};

// An override-redirect window filled with one 0xRRGGBB colour, mapped at
// (x, y); or a child of another test window.
class TestWindow {
public:
    TestWindow(const TestDisplay& display, int x, int y, int width, int height, uint32_t rgb,
               xcb_window_t parent = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    xcb_window_t Id() const { return m_window; }
    HWND Handle() const { return reinterpret_cast<HWND>(static_cast<uintptr_t>(m_window)); }
    void Fill(uint32_t rgb);
    void Raise();
    void Focus() { m_display.FocusWindow(m_window); }
    void Destroy();
    void SetWmState();

private:
    const TestDisplay& m_display;
    xcb_window_t m_window = 0;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_TEST_WINDOW_H
