#pragma once
// A box the program moves again and again while a lock is up (the NT-style
// lock's box hops every few seconds, for hours). Qt asks the server back
// where a top-level window really is each time the server reports it moved,
// and then asks for its frame: five round trips, each waking two threads,
// for a window whose place the program has just chosen. An override-redirect
// window has no frame and sits where it was put, so the box is moved here on
// Qt's connection (without the size hints Qt would write and the server
// report back) and Qt is told its new place at once; the one report that
// puts it exactly there is then dropped, and every other report (another
// client's move, a reparenting) takes Qt's usual way. The windows that own
// the box keep their pixels in the server (backing store), so a hop exposes
// nothing the program would have to paint again.
// The box also lets the pointer through (an empty input shape): hopping under
// a resting pointer, it would otherwise bring crossing events each time, and
// Qt answers those with pointer-device queries. It takes no clicks anyway,
// and keys reach it through the input focus, which the shape leaves alone.

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QRect>
#include <QWindow>

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <set>

class QWidget;

namespace platform::x11 {

class OwnMoves : public QAbstractNativeEventFilter {
public:
    // Puts the window at `device` (device pixels) on the server; false when
    // it cannot. The default sends the move on Qt's own connection.
    using Placer = std::function<bool(xcb_window_t window, QRect device)>;
    explicit OwnMoves(Placer placer = {});
    ~OwnMoves() override;

    // Moves a shown top-level widget to topLeft (Qt's logical pixels). True
    // when it was moved this way (the widget's Move event then comes as the
    // window system's, spontaneous), false when Qt moved it.
    bool Move(QWidget *window, QPoint topLeft);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Awaited {
        QPointer<QWindow> window;
        QRect device; // where the server is to report it, in device pixels
    };
    bool TakeOwnReport(const xcb_generic_event_t *event);

    Placer m_placer;
    std::map<xcb_window_t, Awaited> m_awaited;
    std::set<xcb_window_t> m_passThrough;
    std::set<xcb_window_t> m_kept; // owners whose pixels the server keeps
    bool m_installed = false;
};

// Whether a ConfigureNotify is the server's own report (not sent by a client)
// of a window of the root placed exactly at `device`, as only an
// override-redirect window is.
bool IsReportOfPlacement(const xcb_configure_notify_event_t &event, xcb_window_t window, QRect device);

} // namespace platform::x11
