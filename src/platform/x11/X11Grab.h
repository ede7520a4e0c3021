#pragma once
// The keyboard and pointer grab that keeps every key and click away from the
// rest of the desktop while a lock is up (window-manager bindings such as
// Alt+Tab and Alt+Ctrl+T included).
//
// Both grabs are taken on the root window, on Qt's own connection, with
// owner events: a key still reaches the focused lock window, and a key that
// arrives while the focus is anywhere else is reported to the root window,
// which no other program can receive. The root window never stops being
// viewable, so no window of the lock coming or going, and nothing another
// client does to the lock's windows, can drop the grab: it lasts from Hold()
// to Release(). The program's own connection only watches for it being lost.

#include "platform/x11/X11Connection.h"

#include <QPointer>
#include <QWindow>

#include <functional>

namespace platform::x11 {

class Grab {
public:
    // chooser: the lock window that should have the input focus now (may be null).
    // focus: moves the input focus to a window.
    Grab(Connection &connection, std::function<QWindow *()> chooser, std::function<void(QWindow *)> focus);

    // Takes whichever grab is not held yet, and gives the focus to the chosen
    // window when that changed; sends nothing when both hold and the focus is
    // where it belongs.
    void Hold();
    void Release();
    bool Held() const { return m_keyboard && m_pointer; }
    // Between Hold() and Release(): a grab lost meanwhile is to be taken again.
    bool Wanted() const { return m_active; }

private:
    void OnEvent(const xcb_generic_event_t *event);

    Connection &m_conn;
    std::function<QWindow *()> m_chooser;
    std::function<void(QWindow *)> m_focus;
    QPointer<QWindow> m_focused;
    bool m_active = false; // between Hold() and Release()
    bool m_watching = false;
    bool m_keyboard = false;
    bool m_pointer = false;
};

} // namespace platform::x11
