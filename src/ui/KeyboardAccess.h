#pragma once
// Keyboard and screen-reader access shared by every window: the Tab order
// that follows the screen, the control Escape stands for, and how links
// present themselves to assistive tools.

#include <QList>

class QPushButton;
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

// The window's "Cancel" or "Close" button (or close link) that Escape clicks,
// or, in a window with neither, its "OK" button (a window that only informs
// is closed by it). Null when that control is hidden or disabled, and on the
// pages with a navigation bar: their "Cancel" leads to another page, it does
// not close a dialog.
QWidget *EscapeControl(QWidget *window);

// The window's default button, shown and enabled; null when it has none.
QPushButton *DefaultButton(QWidget *window);

// Where the focus goes when a window opens and the screen put it nowhere
// itself: a window without a text box opens at its default button (it is
// read, then closed), any other at the first control of its Tab order.
void PlaceOpeningFocus(QWidget *window);

// What Enter does when no control took it: a focused button is pressed, as
// Space presses it. False when there is no such button.
bool PressFocusedButton(QWidget *window);

// Presents LinkLabel to assistive tools as a link with a press action.
void InstallLinkAccessibility();

} // namespace ui
