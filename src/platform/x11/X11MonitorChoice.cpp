#include "platform/x11/X11MonitorChoice.h"

#include <cmath>

namespace platform::x11 {

QRect ChoosePrimary(const std::vector<MonitorArea> &monitors, QRect root)
{
    QRect first;
    for (const MonitorArea &monitor : monitors) {
        const QRect shown = monitor.area.intersected(root);
        if (shown.isEmpty())
            continue;
        if (monitor.primary)
            return shown;
        if (first.isEmpty())
            first = shown;
    }
    return first.isEmpty() ? root : first;
}

QRect ToLogical(QRect device, double ratio)
{
    if (ratio == 1.0 || !(ratio > 0))
        return device;
    const int left = int(std::floor(device.x() / ratio));
    const int top = int(std::floor(device.y() / ratio));
    const int right = int(std::ceil((device.x() + device.width()) / ratio));
    const int bottom = int(std::ceil((device.y() + device.height()) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

} // namespace platform::x11
