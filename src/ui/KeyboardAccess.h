#pragma once
// Keyboard and screen-reader access shared by every window: the Tab order
// that follows the screen, the control Escape stands for, and how links
// present themselves to assistive tools.

#include <QList>

class QWidget;

namespace ui {

// The window's controls that Tab can reach, top to bottom and, within a row,
// left to right. A control counts as on the row of the one before it when it
// starts above that one's middle.
QList<QWidget *> ScreenOrder(QWidget *window);

// Sets the Tab order to ScreenOrder(). The control that had the focus, or
// would have had it first, keeps it.
void OrderTabsByScreenPosition(QWidget *window);

// Gives every control Tab reaches that has no name of its own (a text box,
// a list) the text of the label that stands just left of it or just above
// it, as a reader of the screen would pair them.
void NameControlsFromLabels(QWidget *window);

// The window's "Cancel" or "Close" button (or close link) that Escape clicks;
// null when it has none that is shown and enabled.
QWidget *EscapeControl(QWidget *window);

// Presents LinkLabel to assistive tools as a link with a press action.
void InstallLinkAccessibility();

} // namespace ui
