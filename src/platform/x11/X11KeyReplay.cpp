#include "platform/x11/X11KeyReplay.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/plain/X11KeyEvents.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstdlib>

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
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    SendKeyEvents(conn, screen ? screen->root : 0, xcb_window_t(window->winId()), keys);
    xcb_flush(conn);
}

} // namespace

void ReplayKeys(const std::vector<protocol::CaughtKey> &keys)
{
    // At once, right after the grab: keys typed from now on come after these.
    if (!keys.empty())
        Send(Target(), keys);
}

std::uint32_t KeyWindow()
{
    QWindow *window = Target();
    xcb_connection_t *conn = QtConnection();
    if (!window || !conn)
        return 0;
    // A round trip: the window's map, still queued here, is done when it answers.
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    return std::uint32_t(window->winId());
}

} // namespace platform::x11
