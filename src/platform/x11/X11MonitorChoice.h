#pragma once
// Which monitor is "the screen" a lock lays out its picture and boxes on.
// Plain data: no X header, so it can be tested without a display.

#include <QRect>

#include <vector>

namespace platform::x11 {

struct MonitorArea {
    QRect area;
    bool primary = false;
};

// The monitor marked primary, else the first listed; monitors are clipped to
// the root and those wholly outside it are passed over. The whole root when
// none is left.
QRect ChoosePrimary(const std::vector<MonitorArea> &monitors, QRect root);

// An area in the server's device pixels as Qt's scaled coordinates for the
// given device pixel ratio, rounded outwards: a window covering the result
// covers the whole area.
QRect ToLogical(QRect device, double ratio);

} // namespace platform::x11
