#pragma once
// The shell helpers under the names the screens use, and the two fixed
// sequences every lock runs: the hiding steps and the restoring steps.

#include <QRect>
#include <QString>

class QWidget;

// Shell lockdown.
void HideTaskBar();
void ShowTaskBar();
void HideStartButton();
void ShowStartButton();
void HideTrayArea();
void ShowTrayArea();
void HideTaskTabs();
void ShowTaskTabs();
void DisableSystemKeys();
void EnableSystemKeys();
void SetScreenSaverRunning(bool running);
void SetWindowLayer(QWidget *window, bool flag);
// The root window, the primary monitor, and a counter of their changes.
QRect DesktopArea();
QRect PrimaryArea();
unsigned long DesktopGeneration();

// Launcher and session.
long OpenDocument(const QString &target);
void ForceLogOff();
// Ends the whole program at once; callers return right after it.
void EndProgram(int exitCode = 0);

// DisableSystemKeys, the direct screen-saver switch, HideTaskBar,
// HideTrayArea, HideTaskTabs, HideStartButton: in that order.
void RunHidingSteps();
// EnableSystemKeys, ShowTaskBar, ShowTrayArea, ShowTaskTabs, ShowStartButton.
void RunRestoringSteps();
// The partial restore of a navigation page's unload, so that leaving a
// screen never leaves the shell hidden: EnableSystemKeys, ShowTrayArea,
// ShowTaskBar; the main screen adds ShowStartButton.
void RunPageRestoringSteps();
