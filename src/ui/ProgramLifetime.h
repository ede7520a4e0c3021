#pragma once
// The program lives while it shows something: a window, the tray icon or a
// lock. A window that hides itself when it was the last of them ends the
// program, as unloading the last screen does.

namespace ui {

// Starts watching windows hide (once; later calls do nothing).
void WatchLastWindow();

// Whether anything of the program is shown: a visible window, the tray icon
// or a lock another process shows for it.
bool ProgramShowsSomething();

// A lock another process shows for this one (a front's, on Wayland) begins
// or ends: the program lives while one is up, though none of its windows is.
void LockShownElsewhere(bool shown);

// Checks once the current event is handled (a screen that hides itself and
// shows the next in the same handler keeps the program) and ends it with
// status 0 when nothing is shown. Inside a modal run the check waits for the
// run to end, as its caller usually shows what comes next.
void EndIfNothingShown();

// Drops a check not yet made (screens destroyed wholesale, as tests do).
void ForgetEndCheck();

} // namespace ui
