#include "platform/x11/X11MonitorChoice.h"

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

} // namespace platform::x11
