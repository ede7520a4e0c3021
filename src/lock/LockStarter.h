#pragma once
// The one way a lock comes up, whatever started it: the command line, the
// Protection Modes screen or the tray menu.

#include "core/Switches.h"

#include <QString>

class Form;
class QWidget;

// Why this display cannot really be locked (no X11 display, grabs turned
// off, ...), or the empty text when it can. A lock refuses to come up rather
// than only look locked; every path checks this before it places or shows
// anything.
QString LockRefusal();

// Brings the lock up. The Normal lock is shown modally over owner when one
// is given; the NT-style lock always runs its own modal states. Returns when
// the lock window is gone (for a modal show) or at once (otherwise).
void ShowLock(LockKind style, QWidget *owner = nullptr);

// A lock started by hand from a screen: places the lock's restart entry
// ("Gardlock.exe /d" or "/n"), hides the screen and brings the lock up.
// When the display cannot be locked it says why in a message box over the
// screen and does nothing else (false).
bool StartLockByHand(LockKind style, Form &opener);
