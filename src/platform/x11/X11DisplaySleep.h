#pragma once
// Whether the X display sleeps, for a lock that rests meanwhile: the screen
// saver's state through its notify (MIT-SCREEN-SAVER), and the monitors'
// power through DPMS, which has no change event in this server's libraries
// and is asked only when a caller's tick is due anyway, at most every
// kPowerAskMs (each ask is a round trip, so a wake-up).

#include "platform/x11/X11Connection.h"

#include <QElapsedTimer>

namespace platform::x11 {

class DisplaySleep {
public:
    // Starts following the saver and reports it to platform::displayActivity().
    explicit DisplaySleep(Connection &connection);

    // Whether the monitors are powered down (DPMS enabled and not On).
    bool MonitorsOff();

    static constexpr int kPowerAskMs = 10000;

private:
    void OnEvent(const xcb_generic_event_t *event);

    Connection &m_conn;
    int m_saverEventBase = -1;
    bool m_hasDpms = false;
    bool m_monitorsOff = false;
    QElapsedTimer m_sinceAsked;
};

} // namespace platform::x11
