#pragma once
// Keeps the lock window, the windows that own it and the program's windows
// they own above every other window, mapped, where the program put them and
// focused. It decides from the root watch's model and from focus events,
// so a tick in which nothing happened sends nothing to the server.

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RootWatch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <map>
#include <vector>

class QWindow;

namespace platform::x11 {

class StackKeeper : public QObject {
public:
    StackKeeper(Connection &connection, RootWatch &rootWatch);

    // The window layer: remember the window and its owners, then Maintain().
    void Keep(QWidget *window);
    // Undoes whatever other clients did to the kept windows since the last call.
    void Maintain();
    // The program placed the window itself, past Qt (its Move event is not
    // the program's): it belongs there now. The server's report of the move
    // finds it in place.
    void Placed(QWidget *window);
    // Stops keeping anything (the shell is being restored).
    void Stop();

    // The window Keep() was last called for, if it is still shown.
    QWindow *LayeredWindow() const;
    // Moves the input focus to the window (this connection, current time).
    void Focus(QWindow *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Guard {
        QPointer<QWidget> widget;
        xcb_window_t xid = 0;
        xcb_window_t top = 0; // its ancestor among the root's children
        bool topKnown = false;
        QRect expected; // where the program put it, in device pixels
        bool focused = false;
    };

    void OnEvent(const xcb_generic_event_t *event);
    std::vector<QWidget *> ProtectedWindows() const;
    Guard &GuardFor(QWidget *widget);
    xcb_window_t TopOf(Guard &guard);
    static QRect DeviceGeometry(const QWidget *widget);

    Connection &m_conn;
    RootWatch &m_root;
    std::vector<QPointer<QWidget>> m_chain; // the layered window, then its owners
    std::map<xcb_window_t, Guard> m_guards;
    unsigned long m_seenGeneration = 0;
    bool m_dirty = true;
    QElapsedTimer m_sinceFocusTry;
    QTimer m_focusRetry; // a focus try held back by the pause between tries
};

} // namespace platform::x11
