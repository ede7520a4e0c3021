#pragma once
// The shell helpers under the names the screens use (the fixed sequences
// the locks run over them are rules/ShellSequences.h).

#include <QPoint>
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
void HopLockBox(QWidget *window, QPoint topLeft);
// The root window, the primary monitor, and a counter of their changes.
QRect DesktopArea();
QRect PrimaryArea();
unsigned long DesktopGeneration();

// Launcher and session.
long OpenDocument(const QString &target);
void ForceLogOff();
// Ends the whole program at once; callers return right after it.
void EndProgram(int exitCode = 0);
