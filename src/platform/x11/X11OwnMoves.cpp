#include "platform/x11/X11OwnMoves.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <xcb/shape.h>

namespace platform::x11 {

bool IsReportOfPlacement(const xcb_configure_notify_event_t &event, xcb_window_t window, QRect device)
{
    // The high bit of the type marks an event a client sent.
    return (event.response_type & 0x80) == 0 && event.event == window && event.window == window &&
           event.override_redirect && event.x == device.x() && event.y == device.y() &&
           event.width == device.width() && event.height == device.height();
}

namespace {

void LetPointerThrough(xcb_window_t window)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn)
        return;
    const xcb_query_extension_reply_t *shape = xcb_get_extension_data(conn, &xcb_shape_id);
    if (!shape || !shape->present)
        return;
    xcb_shape_rectangles(conn, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, window, 0, 0, 0,
                         nullptr);
}

// The server keeps what the window shows where the box covers it, and puts
// it back itself when the box hops away: no Expose, so the program paints
// nothing for a hop.
void KeepContents(xcb_window_t window)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn)
        return;
    const std::uint32_t keep[] = {XCB_BACKING_STORE_WHEN_MAPPED};
    xcb_change_window_attributes(conn, window, XCB_CW_BACKING_STORE, keep);
}

bool PlaceOnServer(xcb_window_t window, QRect device)
{
    xcb_connection_t *conn = QtConnection();
    if (!conn)
        return false;
    const std::uint32_t place[] = {std::uint32_t(device.x()), std::uint32_t(device.y())};
    xcb_configure_window(conn, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    xcb_flush(conn);
    return true;
}

} // namespace

OwnMoves::OwnMoves(Placer placer) : m_placer(placer ? std::move(placer) : Placer(PlaceOnServer)) {}

OwnMoves::~OwnMoves()
{
    if (m_installed)
        if (QCoreApplication *application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
}

bool OwnMoves::Move(QWidget *window, QPoint topLeft)
{
    const QRect target(topLeft, window->size());
    QWindow *handle = window->windowHandle();
    // Qt's own way also follows a window onto another monitor; a box that
    // stays on its monitor needs none of that.
    if (handle && window->isVisible() && window->isWindow() &&
        (window->windowFlags() & Qt::X11BypassWindowManagerHint) && handle->screen() &&
        handle->screen()->geometry().contains(target)) {
        if (!m_installed && QCoreApplication::instance()) {
            QCoreApplication::instance()->installNativeEventFilter(this);
            m_installed = true;
        }
        const auto xid = static_cast<xcb_window_t>(handle->winId());
        if (m_passThrough.insert(xid).second)
            LetPointerThrough(xid);
        // The windows it hops over: those that own it.
        for (QWidget *owner = window->parentWidget(); owner; owner = owner->parentWidget())
            if (owner->isWindow() && owner->windowHandle())
                if (const auto ownerId = static_cast<xcb_window_t>(owner->winId()); m_kept.insert(ownerId).second)
                    KeepContents(ownerId);
        const qreal ratio = window->devicePixelRatioF();
        const QRect device(qRound(target.x() * ratio), qRound(target.y() * ratio), qRound(target.width() * ratio),
                           qRound(target.height() * ratio));
        // Qt's own move also rewrites the size hints, a property the server
        // reports back, which an override-redirect window has no use for:
        // the box is moved here and Qt told where it now is.
        if (m_placer(xid, device)) {
            m_awaited[xid] = {handle, device};
            handle->handle()->QPlatformWindow::setGeometry(device);
            QWindowSystemInterface::handleGeometryChange<QWindowSystemInterface::SynchronousDelivery>(handle, device);
            return true;
        }
    }
    window->move(topLeft);
    return false;
}

bool OwnMoves::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_awaited.empty() || eventType != "xcb_generic_event_t")
        return false;
    return TakeOwnReport(static_cast<const xcb_generic_event_t *>(message));
}

bool OwnMoves::TakeOwnReport(const xcb_generic_event_t *event)
{
    const auto type = event->response_type & 0x7f;
    if (type == XCB_REPARENT_NOTIFY) {
        m_awaited.erase(reinterpret_cast<const xcb_reparent_notify_event_t *>(event)->window);
        return false;
    }
    if (type != XCB_CONFIGURE_NOTIFY)
        return false;
    const auto &configure = *reinterpret_cast<const xcb_configure_notify_event_t *>(event);
    const auto it = m_awaited.find(configure.window);
    if (it == m_awaited.end() || configure.event != configure.window)
        return false;
    const Awaited awaited = it->second;
    // One report per move: whatever comes after it is someone else's doing.
    m_awaited.erase(it);
    // Qt already knows the place it reports.
    return awaited.window && IsReportOfPlacement(configure, configure.window, awaited.device);
}

} // namespace platform::x11
