#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/xvfb_server.h"

namespace tarsel_bench {

tarsel::CapturedFrame Picture(int width, int height) {
    tarsel::CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    frame.pixels.resize(static_cast<size_t>(width) * height * 3);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * width + x) * 3];
            const uint8_t noise = static_cast<uint8_t>(random() & 15);
            p[0] = static_cast<uint8_t>(x * 255 / width + noise);
            p[1] = static_cast<uint8_t>(y * 255 / height + noise);
            p[2] = static_cast<uint8_t>((x + y) & 255);
        }
    }
    return frame;
}

namespace {

struct BenchScreen {
    tarsel_test::XvfbServer server;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;

    BenchScreen() {
        if (!server.Start(3840, 2160)) {
            std::fprintf(stderr, "bench: cannot start Xvfb: %s\n", server.Error().c_str());
            return;
        }
        setenv("DISPLAY", server.Display().c_str(), 1);
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection) != 0) {
            xcb_disconnect(connection);
            connection = nullptr;
            return;
        }
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    ~BenchScreen() {
        if (connection != nullptr) xcb_disconnect(connection);
    }
};

// Destroyed at exit, which stops the server with it.
BenchScreen& Screen() {
    static BenchScreen screen;
    return screen;
}

void Sync(xcb_connection_t* c) {
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Puts the picture in strips small enough for one request each.
void Paint(xcb_connection_t* c, xcb_window_t window, const tarsel::CapturedFrame& picture) {
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    const int rowsPerStrip = 64;
    std::vector<uint8_t> strip(static_cast<size_t>(picture.width) * rowsPerStrip * 4);
    for (int top = 0; top < picture.height; top += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, picture.height - top);
        for (int i = 0; i < picture.width * rows; ++i) {
            const uint8_t* in = &picture.pixels[(static_cast<size_t>(top) * picture.width + i) * 3];
            uint8_t* out = &strip[static_cast<size_t>(i) * 4];
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = 0;
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc,
                      static_cast<uint16_t>(picture.width), static_cast<uint16_t>(rows), 0,
                      static_cast<int16_t>(top), 0, 24,
                      static_cast<uint32_t>(picture.width) * rows * 4, strip.data());
        Sync(c);
    }
    xcb_free_gc(c, gc);
}

}  // namespace

xcb_connection_t* BenchConnection() {
    return Screen().connection;
}

PictureWindow::PictureWindow(int width, int height) {
    BenchScreen& screen = Screen();
    xcb_connection_t* c = screen.connection;
    if (c == nullptr) return;
    m_window = xcb_generate_id(c);
    const uint32_t values[] = {0, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen.root, 0, 0,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, m_window);
    Sync(c);
    Paint(c, m_window, Picture(width, height));
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
    Sync(c);
}

PictureWindow::~PictureWindow() {
    xcb_connection_t* c = Screen().connection;
    if (m_window == 0 || c == nullptr) return;
    xcb_destroy_window(c, m_window);
    Sync(c);
}

}  // namespace tarsel_bench
