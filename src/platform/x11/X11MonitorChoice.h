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

} // namespace platform::x11
