#pragma once
// The part of "&Verify" that every password prompt shares: read the stored
// password afresh and compare exactly; on a mismatch ring the bell, append an
// intruder record and empty the box. What follows a mismatch (a mark on the
// window, message boxes) stays with each prompt.

#include <QString>

class QLineEdit;
class QWidget;

enum class VerifyOutcome {
    Match,       // the typed text is the password
    Recorded,    // wrong: bell, record appended, box emptied
    NotRecorded, // wrong: bell, but the record could not be written; the box keeps its text
    NoChange,    // no password was set (the empty one was written now) or the
                 // file cannot be read: the prompt stays as it was and says nothing
};

VerifyOutcome VerifyPasswordBox(QLineEdit *box, const QString &heading);

// The two message boxes that follow a recorded wrong password at most
// prompts: a critical box, then "Gardlock 2001" saying it was logged.
void ShowAccessDenied(QWidget *owner, const QString &text, const QString &title, const QString &loggedText);
