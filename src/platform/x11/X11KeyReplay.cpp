#include "platform/x11/X11KeyReplay.h"

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstring>

namespace platform::x11 {

namespace {

constexpr int kFocusWaitMs = 1000;
constexpr int kFocusPollMs = 5;

QWindow *Target()
{
    if (QWindow *focused = QGuiApplication::focusWindow())
        return focused;
    return nullptr;
}

QWindow *TopVisible()
{
    QWindow *top = nullptr;
    for (QWindow *window : QGuiApplication::topLevelWindows())
        if (window->isVisible() && window->handle())
            top = window;
    return top;
}

void Send(QWindow *window, const std::vector<supervision::CaughtKey> &keys)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn || !window)
        return;
    const xcb_window_t target = xcb_window_t(window->winId());
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    for (const supervision::CaughtKey &key : keys) {
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

void SendWhenFocused(std::vector<supervision::CaughtKey> keys, int waitedMs)
{
    QWindow *window = Target();
    if (!window && waitedMs < kFocusWaitMs) {
        QTimer::singleShot(kFocusPollMs, qApp, [keys = std::move(keys), waitedMs] {
            SendWhenFocused(keys, waitedMs + kFocusPollMs);
        });
        return;
    }
    Send(window ? window : TopVisible(), keys);
}

} // namespace

void ReplayKeys(const std::vector<supervision::CaughtKey> &keys)
{
    if (!keys.empty())
        SendWhenFocused(keys, 0);
}

} // namespace platform::x11
