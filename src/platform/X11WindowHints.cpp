#include "platform/X11WindowHints.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

xcb_atom_t Intern(xcb_connection_t *conn, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

void SkipTaskBar(QWidget *window)
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *conn = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Qt keeps states it did not set itself when it maps the window.
    const xcb_atom_t state = Intern(conn, "_NET_WM_STATE");
    const xcb_atom_t skip = Intern(conn, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    xcb_change_property(conn, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
    xcb_flush(conn);
}

} // namespace platform
