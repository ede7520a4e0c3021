#pragma once
// The keyboard and pointer the front reads on the lock surface, handed to Qt
// as its own platforms hand theirs: keys to the focused window, the pointer
// to the window under it (or to the one a button was pressed in, until the
// last button is let go). Positions come in buffer pixels; Qt scales them.

#include "core/LockDisplayProtocol.h"

#include <QPoint>
#include <QPointer>
#include <QWindow>

namespace platform::sessionlock {

class SessionLockScreen;

class InputRelay {
public:
    explicit InputRelay(SessionLockScreen &screen) : m_screen(screen) {}

    void Key(const protocol::display::Message &key);
    void Pointer(const protocol::display::Message &pointer);
    void Button(const protocol::display::Message &button);
    void Axis(const protocol::display::Message &axis);

private:
    // The window the pointer's events go to, and the position inside it.
    QWindow *PointerWindow(QPointF &local) const;
    void FollowPointer();

    SessionLockScreen &m_screen;
    QPoint m_position;
    Qt::MouseButtons m_buttons;
    Qt::KeyboardModifiers m_modifiers;
    QPointer<QWindow> m_pressed; // where the buttons held now were pressed
    QPointer<QWindow> m_under;   // told the pointer entered it
};

} // namespace platform::sessionlock
