#pragma once
// Hints to the window manager about one of the program's own windows.

class QWidget;

namespace platform::x11 {

// Asks that the window get no button of its own in the task bar. Call before
// the window is first shown; does nothing without an X11 display.
void SkipTaskBar(QWidget *window);

} // namespace platform::x11
