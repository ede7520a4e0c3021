#include "platform/x11/X11SyntheticInput.h"

#include <QCoreApplication>

namespace platform::x11 {

bool IsSyntheticInput(const xcb_generic_event_t *event)
{
    // The server sets the high bit of the type in every event a client sent.
    if (!(event->response_type & 0x80))
        return false;
    switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
        return true;
    default:
        return false;
    }
}

void SyntheticInputFilter::Start()
{
    if (m_started || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_started = true;
}

void SyntheticInputFilter::Stop()
{
    if (!m_started)
        return;
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
    m_started = false;
}

bool SyntheticInputFilter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    return eventType == "xcb_generic_event_t" && IsSyntheticInput(static_cast<const xcb_generic_event_t *>(message));
}

} // namespace platform::x11
