#include "platform/x11/X11RootCover.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <fcntl.h>

namespace platform::x11 {

namespace {

// Wider and taller than any root window a resize could make, so the cover
// never needs to follow the screen.
constexpr std::uint16_t kCoverSide = 32767;

class RootCover : public LockCover {
public:
    ~RootCover() override { Close(); }

    bool Prepare() override
    {
        if (m_conn && !xcb_connection_has_error(m_conn))
            return true;
        Close();
        int screenNumber = 0;
        xcb_connection_t *conn = xcb_connect(nullptr, &screenNumber);
        if (!conn || xcb_connection_has_error(conn)) {
            if (conn)
                xcb_disconnect(conn);
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(conn);
            return false;
        }
        // Relaunched locks are started from this process: they must not inherit the connection.
        ::fcntl(xcb_get_file_descriptor(conn), F_SETFD, FD_CLOEXEC);
        m_conn = conn;
        m_root = it.data->root;
        m_window = xcb_generate_id(conn);
        const std::uint32_t values[] = {it.data->black_pixel, 1};
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, kCoverSide, kCoverSide, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_flush(conn);
        return !xcb_connection_has_error(conn);
    }

    void Show() override
    {
        if (!Prepare())
            return;
        const std::uint32_t top[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(m_conn, m_window, XCB_CONFIG_WINDOW_STACK_MODE, top);
        xcb_map_window(m_conn, m_window);
        xcb_flush(m_conn);
    }

    void Hide() override
    {
        if (!m_conn)
            return;
        xcb_unmap_window(m_conn, m_window);
        xcb_flush(m_conn);
    }

    bool GrabKeyboard() override
    {
        if (!Prepare())
            return false;
        Drain();
        auto *reply = xcb_grab_keyboard_reply(
            m_conn,
            xcb_grab_keyboard(m_conn, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr);
        const bool held = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        return held;
    }

    bool GrabPointer() override
    {
        if (!Prepare())
            return false;
        Drain();
        constexpr std::uint16_t kButtons = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
        auto *reply = xcb_grab_pointer_reply(m_conn,
                                             xcb_grab_pointer(m_conn, 0, m_root, kButtons,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                              XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                             nullptr);
        const bool held = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        return held;
    }

    void ReleaseGrabs() override
    {
        if (!m_conn)
            return;
        xcb_ungrab_keyboard(m_conn, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(m_conn, XCB_CURRENT_TIME);
        // A round trip: when it answers, the server has let go.
        std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
    }

    void Close() override
    {
        if (m_conn)
            xcb_disconnect(m_conn);
        m_conn = nullptr;
        m_root = m_window = 0;
    }

    bool DisplayGone() override
    {
        if (!m_conn)
            return !Prepare();
        std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
        return xcb_connection_has_error(m_conn) != 0;
    }

private:
    // Nothing is selected, so only errors of unchecked requests arrive; they
    // are dropped rather than left to pile up.
    void Drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn))
            std::free(event);
    }

    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = 0;
};

} // namespace

std::unique_ptr<LockCover> CreateRootCover()
{
    return std::make_unique<RootCover>();
}

} // namespace platform::x11
