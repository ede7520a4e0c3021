#pragma once
// A box the program moves again and again while a lock is up (the NT-style
// lock's box hops every few seconds, for hours). Qt asks the server back
// where a top-level window really is each time the server reports it moved,
// and then asks for its frame: five round trips, each waking two threads,
// for a window whose place the program has just chosen. An override-redirect
// window has no frame and sits where it was put, so the one report that puts
// it exactly where the program asked is handed to Qt as it stands; every
// other report (another client's move, a reparenting) takes Qt's usual way.
// The box also lets the pointer through (an empty input shape): hopping under
// a resting pointer, it would otherwise bring crossing events each time, and
// Qt answers those with pointer-device queries. It takes no clicks anyway,
// and keys reach it through the input focus, which the shape leaves alone.

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QRect>
#include <QWindow>

#include <xcb/xcb.h>

#include <map>
#include <set>

class QWidget;

namespace platform::x11 {

class OwnMoves : public QAbstractNativeEventFilter {
public:
    ~OwnMoves() override;

    // Moves a shown top-level widget to topLeft (Qt's logical pixels).
    void Move(QWidget *window, QPoint topLeft);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Awaited {
        QPointer<QWindow> window;
        QRect device; // where the server is to report it, in device pixels
    };
    bool TakeOwnReport(const xcb_generic_event_t *event);

    std::map<xcb_window_t, Awaited> m_awaited;
    std::set<xcb_window_t> m_passThrough;
    bool m_installed = false;
};

// Whether a ConfigureNotify is the server's own report (not sent by a client)
// of a window of the root placed exactly at `device`, as only an
// override-redirect window is.
bool IsReportOfPlacement(const xcb_configure_notify_event_t &event, xcb_window_t window, QRect device);

} // namespace platform::x11
