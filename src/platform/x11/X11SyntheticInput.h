#pragma once
// Keys and clicks another client sends with XSendEvent (the event's
// send_event flag) are dropped while a lock holds the keyboard, before Qt
// sees them: any client of the display could otherwise type into the lock,
// guessing without a keyboard, or press its buttons. Keys and clicks of the
// devices (XTEST's included, which nothing tells apart from a keyboard's)
// pass; the keys the supervisor caught reach the lock another way
// (X11KeyReplay.h).

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

namespace platform::x11 {

// A key press or release, or a button press or release, that a client sent.
bool IsSyntheticInput(const xcb_generic_event_t *event);

// A filter on Qt's xcb events, installed on the application while started.
class SyntheticInputFilter : public QAbstractNativeEventFilter {
public:
    void Start();
    void Stop();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    bool m_started = false;
};

} // namespace platform::x11
