#include "lock/PasswordPrompt.h"

#include "lock/IntruderLog.h"
#include "lock/PasswordStore.h"
#include "ui/WindowServices.h"

#include <QLineEdit>

VerifyOutcome VerifyPasswordBox(QLineEdit *box, const QString &heading)
{
    const QString typed = box->text();
    switch (CheckPassword(typed)) {
    case PasswordCheck::CreatedEmpty:
    case PasswordCheck::Unavailable:
        return VerifyOutcome::NoChange;
    case PasswordCheck::Match:
        return VerifyOutcome::Match;
    case PasswordCheck::Mismatch:
        break;
    }
    Beep();
    if (!AppendIntruderRecord(heading, typed))
        return VerifyOutcome::NotRecorded;
    box->clear();
    return VerifyOutcome::Recorded;
}

void ShowAccessDenied(QWidget *owner, const QString &text, const QString &title, const QString &loggedText)
{
    MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Critical, title, owner);
    MsgBox(loggedText, platform::MsgButtons::OK, platform::MsgIcon::Exclamation, kAppTitle, owner);
}
