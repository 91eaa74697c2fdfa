// The screen copy on X11: the client rectangle read from the root window, as a
// screen device context would give it (covering windows included). MIT-SHM
// when the server takes our segment, a plain GetImage otherwise.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>

#include "capture/pixel_rows.h"
#include "capture/window_system.h"
#include "capture/x11/x11_connection.h"
#include "capture/x11/xcb_handles.h"
#include "util/posix/sigpipe_guard.h"
#include "log/logger.h"

namespace tarsel {
namespace window_system {

namespace {

using x11::WaitReply;
using x11::X11Connection;
using x11::XcbError;
using x11::XcbReply;

// A shared-memory segment attached on both sides. It is marked for removal as
// soon as both have attached, so nothing outlives a crash of either.
class ShmSegment {
public:
    ShmSegment(std::shared_ptr<X11Connection> x, size_t size) : m_x(std::move(x)) {
        ScopedSigpipeGuard guard;
        m_size = size;
        m_id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (m_id < 0) return;
        void* address = shmat(m_id, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(m_id, IPC_RMID, nullptr);
            return;
        }
        m_address = static_cast<uint8_t*>(address);
        xcb_connection_t* c = m_x->Get();
        m_segment = xcb_generate_id(c);
        XcbError error = x11::CheckRequest(c, xcb_shm_attach_checked(c, m_segment, m_id, 0));
        m_serverAttached = error == nullptr && !m_x->IsLost();
        shmctl(m_id, IPC_RMID, nullptr);
    }

    ~ShmSegment() {
        ScopedSigpipeGuard guard;
        if (m_serverAttached) {
            xcb_shm_detach(m_x->Get(), m_segment);
            xcb_flush(m_x->Get());
        }
        if (m_address != nullptr) shmdt(m_address);
    }

    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    bool IsAttached() const { return m_serverAttached; }
    size_t Size() const { return m_size; }
    xcb_shm_seg_t Segment() const { return m_segment; }
    const uint8_t* Data() const { return m_address; }

private:
    std::shared_ptr<X11Connection> m_x;
    size_t m_size = 0;
    int m_id = -1;
    uint8_t* m_address = nullptr;
    xcb_shm_seg_t m_segment = 0;
    bool m_serverAttached = false;
};

struct Rect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// Keeps its shared-memory segment from one capture to the next: making one
// costs both processes a mapping and a page fault per page of it.
class X11ScreenGrab final : public ScreenGrab {
public:
    explicit X11ScreenGrab(std::shared_ptr<X11Connection> x) : m_x(std::move(x)) {}

    const X11Connection* Connection() const { return m_x.get(); }

    bool CreateTarget(int32_t width, int32_t height) override {
        if (width < 1 || height < 1) return false;
        m_width = width;
        m_height = height;
        return true;
    }

    int Copy(int32_t x, int32_t y) override {
        ScopedSigpipeGuard guard;
        m_copied = false;
        m_pixels = nullptr;
        m_image.reset();
        m_source = ClipToRoot(Rect{x, y, m_width, m_height});
        if (m_source.width <= 0 || m_source.height <= 0) {
            m_copied = true;  // nothing of it is on the screen: all black
            return 1;
        }
        m_copied = CopyShm() || CopyGetImage();
        return m_copied ? 1 : 0;
    }

    int ReadRows(uint8_t* bgr) override {
        if (!m_copied) return 0;
        const size_t targetStride = static_cast<size_t>(m_width) * 3u;
        const bool covered = m_source.x == m_origin.x && m_source.y == m_origin.y &&
                             m_source.width == m_width && m_source.height == m_height;
        if (!covered) std::memset(bgr, 0, targetStride * static_cast<size_t>(m_height));
        if (m_source.width <= 0 || m_source.height <= 0) return m_height;
        if (m_pixels == nullptr || !m_x->IsDirectPixelFormat(m_depth, m_visual)) return 0;
        const size_t sourceStride = static_cast<size_t>(m_source.width) * 4u;
        const size_t dx = static_cast<size_t>(m_source.x - m_origin.x);
        const size_t dy = static_cast<size_t>(m_source.y - m_origin.y);
        if (covered) {
            ConvertBgrxToBgr(m_pixels, bgr, static_cast<size_t>(m_width) * m_height);
            return m_height;
        }
        for (int32_t row = 0; row < m_source.height; ++row) {
            ConvertBgrxToBgr(m_pixels + static_cast<size_t>(row) * sourceStride,
                             bgr + (dy + static_cast<size_t>(row)) * targetStride + dx * 3u,
                             static_cast<size_t>(m_source.width));
        }
        return m_height;
    }

private:
    Rect ClipToRoot(Rect wanted) {
        m_origin = wanted;
        xcb_connection_t* c = m_x->Get();
        auto root = WaitReply<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, m_x->Root()),
                                                        xcb_get_geometry_reply);
        if (!root) return Rect{};
        const int64_t left = std::max<int64_t>(wanted.x, 0);
        const int64_t top = std::max<int64_t>(wanted.y, 0);
        const int64_t right = std::min<int64_t>(int64_t{wanted.x} + wanted.width, root->width);
        const int64_t bottom = std::min<int64_t>(int64_t{wanted.y} + wanted.height, root->height);
        if (right <= left || bottom <= top) return Rect{};
        return Rect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                    static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
    }

    bool CopyShm() {
        if (!m_x->HasShm() || m_shmRefused) return false;
        const size_t size = static_cast<size_t>(m_source.width) * m_source.height * 4u;
        if (!m_segment || m_segment->Size() < size) {
            m_segment.reset();  // detached before its successor is made
            m_segment = std::make_unique<ShmSegment>(m_x, size);
        }
        if (!m_segment->IsAttached()) {
            // A server may advertise MIT-SHM and still refuse our segment (another
            // host, another IPC namespace); this copy falls back to GetImage.
            Logger::GetInstance().Log(DEBUG, "[ScreenCapturer] MIT-SHM attach refused, using GetImage");
            m_segment.reset();
            m_shmRefused = true;
            return false;
        }
        xcb_connection_t* c = m_x->Get();
        XcbError error;
        auto reply = WaitReply<xcb_shm_get_image_reply_t>(
            c,
            xcb_shm_get_image(c, m_x->Root(), static_cast<int16_t>(m_source.x),
                              static_cast<int16_t>(m_source.y),
                              static_cast<uint16_t>(m_source.width),
                              static_cast<uint16_t>(m_source.height), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment->Segment(), 0),
            xcb_shm_get_image_reply, &error);
        if (!reply || error) return false;
        if (reply->size < size) return false;
        m_depth = reply->depth;
        m_visual = reply->visual;
        m_pixels = m_segment->Data();
        return true;
    }

    bool CopyGetImage() {
        xcb_connection_t* c = m_x->Get();
        XcbError error;
        m_image = WaitReply<xcb_get_image_reply_t>(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_x->Root(),
                          static_cast<int16_t>(m_source.x), static_cast<int16_t>(m_source.y),
                          static_cast<uint16_t>(m_source.width),
                          static_cast<uint16_t>(m_source.height), ~0u),
            xcb_get_image_reply, &error);
        if (!m_image || error) return false;
        const size_t size = static_cast<size_t>(m_source.width) * m_source.height * 4u;
        if (static_cast<size_t>(xcb_get_image_data_length(m_image.get())) < size) return false;
        m_depth = m_image->depth;
        m_visual = m_image->visual;
        m_pixels = xcb_get_image_data(m_image.get());
        return true;
    }

    std::shared_ptr<X11Connection> m_x;
    int32_t m_width = 0;
    int32_t m_height = 0;
    Rect m_origin;
    Rect m_source;
    bool m_copied = false;
    std::unique_ptr<ShmSegment> m_segment;
    bool m_shmRefused = false;
    XcbReply<xcb_get_image_reply_t> m_image;
    const uint8_t* m_pixels = nullptr;
    uint8_t m_depth = 0;
    xcb_visualid_t m_visual = 0;
};

}  // namespace

std::unique_ptr<ScreenGrab> OpenScreen(Session session, std::unique_ptr<ScreenGrab> previous) {
    std::shared_ptr<X11Connection> x = x11::SessionConnection(session);
    if (!x) return nullptr;
    auto* recycled = dynamic_cast<X11ScreenGrab*>(previous.get());
    if (recycled != nullptr && recycled->Connection() == x.get()) return previous;
    previous.reset();
    return std::make_unique<X11ScreenGrab>(std::move(x));
}

}  // namespace window_system
}  // namespace tarsel
