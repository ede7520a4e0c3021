#pragma once
// The monitors as the X server has them (RandR), not as Qt last heard of
// them: Qt follows neither monitors set by hand (`xrandr --setmonitor`) nor
// every change of the root's size. Read when first asked and again after the
// server announced a change; a caller that polls Generation() makes no round
// trip until then.

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorChoice.h"

#include <QRect>

#include <cstdint>

namespace platform::x11 {

class Monitors {
public:
    explicit Monitors(Connection &connection);

    QRect Desktop();
    QRect Primary();
    // Moves on every announced change; hands over events already read first.
    unsigned long Generation();

private:
    void ReadIfStale();
    void OnEvent(const xcb_generic_event_t *event);

    Connection &m_conn;
    bool m_hasMonitors = false; // RandR 1.5 or later
    std::uint8_t m_randrEventBase = 0;
    bool m_stale = true;
    QRect m_desktop;
    QRect m_primary;
    unsigned long m_generation = 1;
};

} // namespace platform::x11
