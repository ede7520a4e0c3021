#pragma once
// The keyboard and pointer grab that keeps window-manager bindings (Alt+Tab,
// Ctrl+Alt+Del, Super) from firing while a lock is up. The grab is taken on
// Qt's own connection through QWindow, so keys still reach the focused
// widget; this connection only watches for the grab being lost.

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <QWindow>

#include <functional>

namespace platform::x11 {

class Grab {
public:
    // chooser: the window the grab belongs on now (may be null).
    // focus: moves the input focus to a window before a grab is tried.
    Grab(Connection &connection, std::function<QWindow *()> chooser, std::function<void(QWindow *)> focus);

    // Takes the grab, or retries one that failed or was lost; free when it is held.
    void Hold();
    void Release();

private:
    void OnEvent(const xcb_generic_event_t *event);

    Connection &m_conn;
    std::function<QWindow *()> m_chooser;
    std::function<void(QWindow *)> m_focus;
    QPointer<QWindow> m_window;
    xcb_window_t m_xid = 0;
    bool m_held = false;
};

} // namespace platform::x11
