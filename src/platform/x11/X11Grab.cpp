#include "platform/x11/X11Grab.h"

namespace platform::x11 {

Grab::Grab(Connection &connection, std::function<QWindow *()> chooser, std::function<void(QWindow *)> focus)
    : m_conn(connection), m_chooser(std::move(chooser)), m_focus(std::move(focus))
{
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
}

void Grab::OnEvent(const xcb_generic_event_t *event)
{
    if (!m_held)
        return;
    const std::uint8_t type = event->response_type & 0x7f;
    // The server drops a grab whose window stops being viewable.
    if (type == XCB_UNMAP_NOTIFY) {
        auto *e = reinterpret_cast<const xcb_unmap_notify_event_t *>(event);
        if (e->window == m_xid)
            m_held = false;
    } else if (type == XCB_DESTROY_NOTIFY) {
        auto *e = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        if (e->window == m_xid)
            m_held = false;
    } else if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        auto *e = reinterpret_cast<const xcb_focus_in_event_t *>(event);
        if (e->event == m_xid && e->mode == XCB_NOTIFY_MODE_UNGRAB)
            m_held = false;
    }
}

void Grab::Hold()
{
    QWindow *window = m_chooser();
    if (!window)
        return;
    if (m_held && window == m_window)
        return; // held on the right window: nothing to ask the server
    const auto xid = static_cast<xcb_window_t>(window->winId());
    // Hear an ungrab (and unmap) of the grab window on this connection.
    m_conn.SelectEvents(xid, XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    m_conn.Flush();
    m_focus(window);
    // Both on Qt's connection; each answers whether the server granted it.
    const bool keyboard = window->setKeyboardGrabEnabled(true);
    const bool pointer = keyboard && window->setMouseGrabEnabled(true);
    m_window = window;
    m_xid = xid;
    m_held = keyboard && pointer;
    m_conn.DispatchQueued();
}

void Grab::Release()
{
    QWindow *window = m_window ? m_window.data() : m_chooser();
    if (window && window->handle()) {
        window->setKeyboardGrabEnabled(false);
        window->setMouseGrabEnabled(false);
    }
    m_held = false;
    m_window = nullptr;
    m_xid = 0;
}

} // namespace platform::x11
