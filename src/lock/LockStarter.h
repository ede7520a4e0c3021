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

// Places a lock's restart entry ("Gardlock.exe /d" or "/n"), which brings
// the lock back after a restart. When it cannot be written the lock comes up
// all the same and says so on its screen; one line goes to stderr. False
// then.
bool PlaceRestartEntry(const QString &entry);

// Removes the lock's restart entry once the right password ended it. An
// entry left behind only brings the lock up again at the next log-in, where
// the password opens it; the program ends right after, with no screen to say
// so on, so a failure is one line on stderr.
void RemoveRestartEntry(LockKind style);

// A lock started by hand from a screen: places the lock's restart entry
// (PlaceRestartEntry), hides the screen and brings the lock up. On Qt's
// Wayland platform the lock is a new front's, and the right password ends
// this process as well; where that front cannot lock, the entry goes again
// and the screen comes back with its reason.
// When the display cannot be locked it says why in a message box over the
// screen and does nothing else (false).
bool StartLockByHand(LockKind style, Form &opener);
