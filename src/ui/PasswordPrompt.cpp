#include "ui/PasswordPrompt.h"

#include "rules/GuessThrottle.h"
#include "ui/WindowServices.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

VerifyOutcome VerifyPasswordBox(QLineEdit *box, const QString &heading, WrongPasswordCount &count)
{
    const VerifyOutcome outcome = TryPassword(box->text(), heading, count, [] { Beep(); });
    if (outcome == VerifyOutcome::Recorded)
        box->clear();
    return outcome;
}

GuessWait::GuessWait(QAbstractButton *check, QLabel *line)
    : QObject(check), m_check(check), m_line(line), m_tick(new QTimer(this))
{
    // Not a lock timer: it fires once for each second shown and exactly when
    // the wait ends, so the button is back the moment a check may run.
    m_tick->setSingleShot(true);
    m_tick->setTimerType(Qt::PreciseTimer);
    connect(m_tick, &QTimer::timeout, this, &GuessWait::Show);
    m_line->hide();
}

QString GuessWait::LineFor(qint64 seconds)
{
    return seconds == 1 ? QStringLiteral("Please wait 1 second before trying again.")
                        : QStringLiteral("Please wait %1 seconds before trying again.").arg(seconds);
}

QString GuessWait::LongestLine()
{
    return LineFor(std::chrono::duration_cast<std::chrono::seconds>(GuessThrottle::kLongestWait).count());
}

bool GuessWait::MayCheck()
{
    Show();
    return PasswordGuesses().MayCheck();
}

void GuessWait::Counted(bool right)
{
    if (right)
        PasswordGuesses().Right();
    else
        PasswordGuesses().Wrong();
    Show();
}

void GuessWait::Show()
{
    const qint64 left = PasswordGuesses().Remaining().count();
    m_check->setEnabled(left == 0);
    m_line->setVisible(left > 0);
    if (left == 0) {
        m_tick->stop();
        return;
    }
    const qint64 seconds = (left + 999) / 1000;
    m_line->setText(LineFor(seconds));
    // Again when the number shown drops by one, the last time when the wait ends.
    m_tick->start(int(left - (seconds - 1) * 1000));
}

std::optional<VerifyOutcome> VerifyPasswordBox(QLineEdit *box, const QString &heading, WrongPasswordCount &count,
                                               GuessWait &wait)
{
    if (!wait.MayCheck())
        return std::nullopt;
    const VerifyOutcome outcome = VerifyPasswordBox(box, heading, count);
    if (outcome != VerifyOutcome::NoChange)
        wait.Counted(outcome == VerifyOutcome::Match);
    return outcome;
}

void ShowAccessDenied(QWidget *owner, const QString &text, const QString &title, const QString &loggedText)
{
    MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Critical, title, owner);
    MsgBox(loggedText, platform::MsgButtons::OK, platform::MsgIcon::Exclamation, kAppTitle, owner);
}
