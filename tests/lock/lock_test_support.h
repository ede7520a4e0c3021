#pragma once
// Shared by the lock tests: the expected step sequences and small probes.

#include "platform/DisplayActivity.h"
#include "support/Recorders.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include <csignal>

namespace locktest {

inline const QStringList kHidingSteps{"DisableSystemKeys", "ScreenSaverRunning(true)",
                                      "HideTaskBar",       "HideTrayArea",
                                      "HideTaskTabs",      "HideStartButton"};
inline const QStringList kRestoringSteps{"EnableSystemKeys", "ShowTaskBar", "ShowTrayArea", "ShowTaskTabs",
                                         "ShowStartButton"};

// The handling a signal has right now.
inline void (*HandlerOf(int signal))(int)
{
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

// Live (not yet deleted) top-level widgets with this object name.
inline int LiveWindowsNamed(const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name)
            ++count;
    return count;
}

// The display reports a change another program made (a window over the
// lock, a panel mapped again): the locks' shell and layer timers tick on it,
// and on nothing else. True, to be asked again and again while waiting.
inline bool DisplayChanges()
{
    platform::displayActivity().ReportChange();
    return true;
}

} // namespace locktest
