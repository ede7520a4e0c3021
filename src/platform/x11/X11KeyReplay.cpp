#include "platform/x11/X11KeyReplay.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyTranslation.h"

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

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

} // namespace

void ReplayKeys(const std::vector<protocol::CaughtKey> &keys)
{
    QWindow *window = Target();
    const Keymap keymap = keys.empty() || !window ? nullptr : ServerKeymap(QtConnection());
    if (!keymap)
        return;
    for (const protocol::CaughtKey &caught : keys) {
        const TranslatedKey key = TranslateKey(keymap.get(), caught.code, caught.state);
        QWindowSystemInterface::handleExtendedKeyEvent(window, caught.time,
                                                       caught.press ? QEvent::KeyPress : QEvent::KeyRelease,
                                                       key.key, key.modifiers, caught.code, key.keysym,
                                                       caught.state, key.text);
    }
    // Delivered now, after whatever Qt had queued before them: the lock has
    // them before anything the server sends from here on.
    QWindowSystemInterface::flushWindowSystemEvents();
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
