// The screen copy with GDI: the client rectangle blitted from the screen
// device context into a bitmap and read back as 32-bit rows. Every device
// context and bitmap lives within one capture; a recycled grab keeps only its
// read-back buffer.
#include <windows.h>

#include <cstring>
#include <vector>

#include "capture/pixel_rows.h"
#include "capture/window_system.h"

namespace tarsel {
namespace window_system {

namespace {

class GdiScreenGrab final : public ScreenGrab {
public:
    ~GdiScreenGrab() override { Release(); }

    // The screen device context, obtained anew for every capture.
    bool Begin() {
        Release();
        m_screen = ::GetDC(nullptr);
        return m_screen != nullptr;
    }

    bool CreateTarget(int32_t width, int32_t height) override {
        if (m_screen == nullptr) return false;
        m_memory = ::CreateCompatibleDC(m_screen);
        if (m_memory == nullptr) {
            Release();
            return false;
        }
        m_bitmap = ::CreateCompatibleBitmap(m_screen, width, height);
        if (m_bitmap == nullptr) {
            Release();
            return false;
        }
        m_previous = ::SelectObject(m_memory, m_bitmap);
        m_width = width;
        m_height = height;
        return true;
    }

    int Copy(int32_t x, int32_t y) override {
        if (m_memory == nullptr) return 0;
        return ::BitBlt(m_memory, 0, 0, m_width, m_height, m_screen, x, y, SRCCOPY);
    }

    int ReadRows(uint8_t* bgr) override {
        if (m_memory == nullptr) return 0;
        const size_t count = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
        m_bgrx.resize(count * 4u);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        const int rows = ::GetDIBits(m_memory, m_bitmap, 0, static_cast<UINT>(m_height),
                                     m_bgrx.data(), &info, DIB_RGB_COLORS);
        Release();
        // Rows the read-back did not write are black, as in a fresh buffer.
        const size_t written = rows > 0 ? static_cast<size_t>(rows) * m_width : 0;
        ConvertBgrxToBgr(m_bgrx.data(), bgr, written < count ? written : count);
        if (written < count) std::memset(bgr + written * 3u, 0, (count - written) * 3u);
        return rows;
    }

private:
    // In the order the objects must go: the bitmap deselected, then deleted,
    // the memory context deleted, the screen context released.
    void Release() {
        if (m_previous != nullptr) ::SelectObject(m_memory, m_previous);
        if (m_bitmap != nullptr) ::DeleteObject(m_bitmap);
        if (m_memory != nullptr) ::DeleteDC(m_memory);
        if (m_screen != nullptr) ::ReleaseDC(nullptr, m_screen);
        m_previous = nullptr;
        m_bitmap = nullptr;
        m_memory = nullptr;
        m_screen = nullptr;
    }

    HDC m_screen = nullptr;
    HDC m_memory = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint8_t> m_bgrx;
};

}  // namespace

std::unique_ptr<ScreenGrab> OpenScreen(Session, std::unique_ptr<ScreenGrab> previous) {
    std::unique_ptr<GdiScreenGrab> grab(dynamic_cast<GdiScreenGrab*>(previous.get()));
    if (grab) {
        previous.release();
    } else {
        grab = std::make_unique<GdiScreenGrab>();
    }
    if (!grab->Begin()) return nullptr;
    return grab;
}

}  // namespace window_system
}  // namespace tarsel
