#include "uninstall/frmUninstall.h"

#include "rules/IntruderLog.h"
#include "ui/KeyboardNotes.h"
#include "ui/PasswordPrompt.h"
#include "rules/PasswordStore.h"
#include "platform/funct.h"
#include "ui/ScreenKit.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>

using namespace ui;

frmUninstall::frmUninstall() : Form(CaptionOnlyWindow())
{
    setObjectName("frmUninstall");
    setWindowTitle(QStringLiteral("Gardlock 2001 Uninstall"));
    setAutoFillBackground(true);
    // The guard's own area, and below it one line for the keyboard notes.
    m_keyboard = new KeyboardNotes(this, Verdana(8));
    setFixedSize(Twips(5415), Twips(3720) + m_keyboard->LineHeight() + 4);
    m_keyboard->Place(QPoint(Twips(240), Twips(3720)));

    // Drawn first so that everything else lies over it.
    lblDecoration = Caption(QStringLiteral("uninstall"), this, Verdana(36, true), kLighterGrey);
    // Tall enough for the type's descent; it stands on the same baseline.
    lblDecoration->setGeometry(Twips(1500), Twips(2820), Twips(3840), Twips(840));
    lblDecoration->setAlignment(Qt::AlignRight | Qt::AlignBottom);

    lblHeading = Caption(QStringLiteral("UNINSTALL"), this, Verdana(9.75, true));
    lblHeading->setGeometry(Twips(240), Twips(180), Twips(4935), Twips(300));

    lblExplanation = Caption(QStringLiteral("Before this application can be uninstalled, you must supply "
                                            "a password. Use the same password that you used to unlock "
                                            "this system while locked with Gardlock 2001."),
                             this, Verdana(8));
    lblExplanation->setWordWrap(true);
    lblExplanation->setGeometry(Twips(240), Twips(540), Twips(4935), Twips(900));

    lblPassword = Caption(QStringLiteral("Password:"), this, Verdana(9.75, true));
    lblPassword->setGeometry(Twips(240), Twips(1560), Twips(4935), Twips(300));

    txtPassword = new TextBox(this, 15, QChar('-'));
    txtPassword->setObjectName("txtPassword");
    QFont boxFont(QStringLiteral("MS Sans Serif"));
    boxFont.setPointSizeF(12);
    txtPassword->setFont(boxFont);
    txtPassword->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    txtPassword->setGeometry(Twips(240), Twips(1890), Twips(4935), Twips(420));

    cmdUninstall = new QPushButton(QStringLiteral("&Uninstall"), this);
    cmdUninstall->setObjectName("cmdUninstall");
    cmdUninstall->setIcon(QApplication::style()->standardIcon(QStyle::SP_TrashIcon));
    cmdUninstall->setDefault(true);
    cmdUninstall->setGeometry(Twips(2040), Twips(2520), Twips(1500), Twips(420));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setGeometry(Twips(3675), Twips(2520), Twips(1500), Twips(420));

    // The wait between wrong passwords, under the buttons.
    lblWait = Caption(QString(), this, Verdana(8));
    lblWait->setObjectName("lblWait");
    lblWait->setGeometry(Twips(240), Twips(3030), Twips(4935), Twips(240));
    m_wait = new GuessWait(cmdUninstall, lblWait);

    setTabOrder(txtPassword, cmdUninstall);
    setTabOrder(cmdUninstall, cmdCancel);
    // Enter anywhere in the box presses the default button.
    connect(txtPassword, &QLineEdit::returnPressed, cmdUninstall, &QPushButton::click);
    connect(cmdUninstall, &QPushButton::clicked, this, &frmUninstall::onUninstallClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmUninstall::onCancelClick);

    tmrKeys = NewTimer(this, 50, false, [] { DisableSystemKeys(); });
}

void frmUninstall::onLoad()
{
    CentreOnScreen();
    DisableSystemKeys();
    SetScreenSaverRunning(true);
    // The task bar and the rest of the shell stay as they are.
    tmrKeys->start();
}

void frmUninstall::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    txtPassword->setFocus();
}

void frmUninstall::onUninstallClick()
{
    // Too soon after wrong passwords: nothing is checked and the box keeps its text.
    if (!m_wait->MayCheck())
        return;
    const QString typed = txtPassword->text();
    switch (CheckPassword(typed)) {
    case PasswordCheck::CreatedEmpty:
    case PasswordCheck::Unavailable:
        // No password (the empty one now exists), or a file that cannot be
        // read: nothing compared, nothing recorded, nothing said.
        return;
    case PasswordCheck::Match:
        m_wait->Counted(true);
        tmrKeys->stop();
        EnableSystemKeys();
        SetScreenSaverRunning(false);
        Unload();
        EndProgram(kUninstallAllowed);
        return;
    case PasswordCheck::Mismatch:
        break;
    }
    m_wait->Counted(false);
    // The messages come before the record here; the intruder command does
    // not wait for them.
    Beep();
    const QDateTime moment = QDateTime::currentDateTime();
    WrongPasswordBeforeRecord(m_wrongPasswords, moment);
    ShowAccessDenied(this, QStringLiteral("Password is incorrect."), QStringLiteral("Access Denied!"),
                     QStringLiteral("This unauthorized access has been logged."));
    if (!AppendIntruderRecord(headings::kUninstall, typed, moment))
        return; // the record is lost; the box keeps its text
    txtPassword->clear();
}

// The log-off ends every program of the session; this one does not wait for it.
void frmUninstall::onCancelClick()
{
    ForceLogOff();
    EndProgram(kUninstallCancelled);
}
