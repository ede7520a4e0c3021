#include "platform/x11/X11Grab.h"

#include <cstdlib>

namespace platform::x11 {

namespace {

constexpr std::uint16_t kPointerEvents =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;

bool Granted(xcb_connection_t *conn, xcb_grab_keyboard_cookie_t cookie)
{
    xcb_grab_keyboard_reply_t *reply = xcb_grab_keyboard_reply(conn, cookie, nullptr);
    const bool ok = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return ok;
}

bool Granted(xcb_connection_t *conn, xcb_grab_pointer_cookie_t cookie)
{
    xcb_grab_pointer_reply_t *reply = xcb_grab_pointer_reply(conn, cookie, nullptr);
    const bool ok = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return ok;
}

} // namespace

Grab::Grab(Connection &connection, std::function<QWindow *()> chooser, std::function<void(QWindow *)> focus)
    : m_conn(connection), m_chooser(std::move(chooser)), m_focus(std::move(focus))
{
    m_conn.AddListener([this](const xcb_generic_event_t *e) { OnEvent(e); });
}

void Grab::OnEvent(const xcb_generic_event_t *event)
{
    if (!m_active)
        return;
    // Only this program can end a grab on the root window; these say it did
    // (a popup of Qt's taking and giving back the grab, say), so the next
    // Hold() takes it again.
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        auto *e = reinterpret_cast<const xcb_focus_in_event_t *>(event);
        if (e->event == m_conn.Root() && e->mode == XCB_NOTIFY_MODE_UNGRAB)
            m_keyboard = false;
    } else if (type == XCB_ENTER_NOTIFY || type == XCB_LEAVE_NOTIFY) {
        auto *e = reinterpret_cast<const xcb_enter_notify_event_t *>(event);
        if (e->event == m_conn.Root() && e->mode == XCB_NOTIFY_MODE_UNGRAB)
            m_pointer = false;
    }
}

void Grab::Hold()
{
    xcb_connection_t *qt = QtConnection();
    if (!qt)
        return;
    m_active = true;
    if (!m_watching) {
        m_conn.SelectEvents(m_conn.Root(), XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_ENTER_WINDOW |
                                               XCB_EVENT_MASK_LEAVE_WINDOW);
        m_conn.Flush();
        m_watching = true;
    }
    const bool keyboardBefore = m_keyboard;
    if (!m_keyboard || !m_pointer) {
        // Both requests go out before either answer is awaited: one round trip.
        const xcb_window_t root = m_conn.Root();
        xcb_grab_keyboard_cookie_t keyboard{};
        xcb_grab_pointer_cookie_t pointer{};
        if (!m_keyboard)
            keyboard = xcb_grab_keyboard(qt, 1, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (!m_pointer)
            pointer = xcb_grab_pointer(qt, 1, root, kPointerEvents, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                       XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
        if (!m_keyboard)
            m_keyboard = Granted(qt, keyboard);
        if (!m_pointer)
            m_pointer = Granted(qt, pointer);
    }
    QWindow *window = m_chooser();
    // Taking the keyboard on the root window tells the focused window it
    // lost the focus (a FocusOut of the grab), and Qt then deactivates it.
    // The supervisor may have given our window the focus before, when
    // setting it again would change nothing and say nothing: it goes to the
    // pointer's window for a moment (ours, the lock covers the screen) and
    // comes back, so Qt hears that it has it.
    const bool tookKeyboard = !keyboardBefore && m_keyboard;
    if (window && (window != m_focused || tookKeyboard)) {
        if (tookKeyboard)
            xcb_set_input_focus(m_conn.Raw(), XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                                XCB_CURRENT_TIME);
        m_focus(window);
        m_focused = window;
    }
    m_conn.DispatchQueued();
}

void Grab::Release()
{
    if (xcb_connection_t *qt = QtConnection(); qt && m_active) {
        xcb_ungrab_keyboard(qt, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(qt, XCB_CURRENT_TIME);
        xcb_flush(qt);
    }
    m_active = false;
    m_keyboard = false;
    m_pointer = false;
    m_focused = nullptr;
}

} // namespace platform::x11
