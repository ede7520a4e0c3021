#include "platform/x11/X11WindowHints.h"

#include "platform/x11/X11Connection.h"

#include <QWidget>

namespace platform::x11 {

void SkipTaskBar(QWidget *window)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Qt keeps states it did not set itself when it maps the window.
    const xcb_atom_t state = InternAtom(conn, "_NET_WM_STATE");
    const xcb_atom_t skip = InternAtom(conn, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    xcb_change_property(conn, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
    xcb_flush(conn);
}

} // namespace platform::x11
