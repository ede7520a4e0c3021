#pragma once
// The part of "&Verify" that every password prompt shares: the typed text
// tried against the stored password (rules/PasswordAttempt.h); on a mismatch
// the bell rings and, once recorded, the box is emptied. What follows a
// mismatch (a mark on the window, message boxes) stays with each prompt.

#include "rules/PasswordAttempt.h"

#include <QObject>
#include <QString>

#include <optional>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QTimer;
class QWidget;

VerifyOutcome VerifyPasswordBox(QLineEdit *box, const QString &heading, WrongPasswordCount &count);

// The wait that the process's guess count (PasswordGuesses(), see
// GuessThrottle.h) puts between wrong passwords, shown at one prompt: while
// it runs the prompt's check button is disabled, so Enter and clicks do
// nothing and the box keeps what was typed, and a line says how long is
// left. Both come back by themselves when the wait is over.
class GuessWait : public QObject {
    Q_OBJECT
public:
    // The line is hidden whenever no wait runs.
    GuessWait(QAbstractButton *check, QLabel *line);

    // Whether a check may run now; when not, the wait is shown and nothing
    // may be read, compared or recorded.
    bool MayCheck();
    // The outcome of a check that ran: counts it and shows any wait it starts.
    void Counted(bool right);
    // Shows the wait running now, if any (a prompt opened while one runs).
    void Show();
    // The line at its longest, to size its box by.
    static QString LongestLine();

private:
    static QString LineFor(qint64 seconds);

    QAbstractButton *m_check;
    QLabel *m_line;
    QTimer *m_tick;
};

// VerifyPasswordBox held to the guess count: while a wait runs nothing
// happens at all (no outcome); a wrong password counts, the right one clears
// the count.
std::optional<VerifyOutcome> VerifyPasswordBox(QLineEdit *box, const QString &heading, WrongPasswordCount &count,
                                               GuessWait &wait);

// The two message boxes that follow a recorded wrong password at most
// prompts: a critical box, then "Gardlock 2001" saying it was logged.
void ShowAccessDenied(QWidget *owner, const QString &text, const QString &title, const QString &loggedText);
