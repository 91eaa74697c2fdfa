#include "synthetic_game.h"

#include <chrono>
#include <cstring>

namespace tarsel_host {

namespace {

const char kTitle[] = "tarsel demo game";

}  // namespace

SyntheticGame::~SyntheticGame() {
    Close();
}

bool SyntheticGame::Open(int width, int height, std::string& error) {
    if (!m_x.Ok()) {
        error = "cannot connect to the X display";
        return false;
    }
    xcb_connection_t* c = m_x.Get();
    m_width = width;
    m_height = height;
    m_window = xcb_generate_id(c);
    const uint32_t values[] = {0x000000, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, m_x.Root(), 40, 40,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(kTitle)), kTitle);
    m_gc = xcb_generate_id(c);
    xcb_create_gc(c, m_gc, m_window, 0, nullptr);
    xcb_map_window(c, m_window);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, m_window, XCB_CURRENT_TIME);
    Paint(0);
    m_x.Sync();
    m_running.store(true);
    m_painter = std::thread([this] {
        for (int frame = 1; m_running.load(); ++frame) {
            Paint(frame);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    return true;
}

void SyntheticGame::Paint(int frame) {
    xcb_connection_t* c = m_x.Get();
    const bool boss = m_scene.load() == Scene::kBoss;
    auto fill = [&](uint32_t rgb, int x, int y, int w, int h) {
        xcb_change_gc(c, m_gc, XCB_GC_FOREGROUND, &rgb);
        const xcb_rectangle_t rect = {static_cast<int16_t>(x), static_cast<int16_t>(y),
                                      static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
        xcb_poly_fill_rectangle(c, m_window, m_gc, 1, &rect);
    };
    fill(boss ? 0xD01010 : 0x1030D0, 0, 0, m_width, m_height);
    // Moving content: a small bar sweeping across and a pulsing square.
    const int bar = (frame * 12) % (m_width + 60) - 60;
    fill(boss ? 0x801010 : 0x40A040, bar, m_height / 3, 60, m_height / 10);
    const int side = 20 + (frame % 10) * 3;
    fill(boss ? 0xFFB000 : 0xE0E0E0, m_width - side - 20, m_height - side - 20, side, side);
    xcb_flush(c);
}

void SyntheticGame::Close() {
    if (m_running.exchange(false)) m_painter.join();
    if (m_window != 0 && m_x.Ok()) {
        xcb_destroy_window(m_x.Get(), m_window);
        m_x.Sync();
    }
    m_window = 0;
}

}  // namespace tarsel_host
