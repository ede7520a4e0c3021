#include "platform/x11/X11KeyReplay.h"

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstring>

namespace platform::x11 {

namespace {

// The window Qt gives keys to now: the focused one, else the modal one, else
// the last visible top-level (a lock shown a moment ago, before the window
// manager gave it the focus; Qt hands its keys to its focus widget still).
QWindow *Target()
{
    if (QWindow *focused = QGuiApplication::focusWindow())
        return focused;
    if (QWindow *modal = QGuiApplication::modalWindow())
        return modal;
    QWindow *top = nullptr;
    for (QWindow *window : QGuiApplication::topLevelWindows())
        if (window->isVisible() && window->handle())
            top = window;
    return top;
}

void Send(QWindow *window, const std::vector<protocol::CaughtKey> &keys)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn || !window)
        return;
    const xcb_window_t target = xcb_window_t(window->winId());
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    for (const protocol::CaughtKey &key : keys) {
        xcb_key_press_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = key.press ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
        event.detail = key.code;
        event.time = key.time;
        event.root = screen ? screen->root : 0;
        event.event = target;
        event.child = XCB_NONE;
        event.state = key.state;
        event.same_screen = 1;
        xcb_send_event(conn, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    }
    xcb_flush(conn);
}

} // namespace

void ReplayKeys(const std::vector<protocol::CaughtKey> &keys)
{
    // At once, right after the grab: keys typed from now on come after these.
    if (!keys.empty())
        Send(Target(), keys);
}

} // namespace platform::x11
