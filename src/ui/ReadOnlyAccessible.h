#pragma once
// A lock's password box as assistive tools see it: a password text they can
// read (its length, masked, and where the cursor is) but never write. Qt's
// own interface for a text box offers editable text, through which any
// program on the accessibility bus could type into the lock and guess at it
// without a keyboard.

class QLineEdit;

// Call before anything asks for the box's accessible interface (in the
// window's constructor).
void ReadOnlyForAssistiveTools(QLineEdit *box);
