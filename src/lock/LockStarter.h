#pragma once
// The one way a lock comes up, whatever started it: the command line, the
// Protection Modes screen or the tray menu.

class Form;
class QWidget;

enum class LockStyle { Normal, NtStyle };

// Brings the lock up. The Normal lock is shown modally over owner when one
// is given; the NT-style lock always runs its own modal states. Returns when
// the lock window is gone (for a modal show) or at once (otherwise).
void ShowLock(LockStyle style, QWidget *owner = nullptr);

// A lock started by hand from a screen: places the lock's restart entry
// ("Gardlock.exe /d" or "/n"), hides the screen and brings the lock up.
void StartLockByHand(LockStyle style, Form &opener);
