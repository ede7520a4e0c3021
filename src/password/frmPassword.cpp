#include "password/frmPassword.h"

#include "ui/KeyboardNotes.h"
#include "rules/IntruderLog.h"
#include "ui/PasswordPrompt.h"
#include "rules/PasswordStore.h"
#include "password/frmPasswordCancelled.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/Pages.h"
#include "ui/ScreenKit.h"
#include "ui/modTrayIcon.h"

using namespace ui;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

constexpr int kMaxPassword = 15;
const QChar kMask('-');

QLabel *BoxLabel(const QString &text, QWidget *parent, int y)
{
    QLabel *label = Caption(text, parent, Verdana(8, true), kDarkGrey);
    label->setGeometry(200, y + 3, 80, 18);
    return label;
}

} // namespace

frmPassword::frmPassword() : Form(PageWindow())
{
    navBar = BuildNavigationPage(this, QStringLiteral("Password Settings - Gardlock 2001"), QSize(560, 380),
                                 NavPage::PasswordSettings, QStringLiteral("password settings"));
    Caption(QStringLiteral("password"), this, Verdana(20, true), kLighterGrey)->setGeometry(16, 120, 180, 40);
    Caption(QStringLiteral("set"), this, Verdana(20, true), kLighterGrey)->setGeometry(16, 210, 180, 40);

    lblOld = BoxLabel(QStringLiteral("OLD"), this, 112);
    txtpass3 = new TextBox(this, kMaxPassword, kMask);
    txtpass3->setGeometry(290, 112, 180, 24);
    linOld = new QFrame(this);
    linOld->setFrameShape(QFrame::HLine);
    linOld->setFrameShadow(QFrame::Plain);
    QPalette lp = linOld->palette();
    lp.setColor(QPalette::WindowText, kLightGrey);
    linOld->setPalette(lp);
    linOld->setGeometry(200, 152, 270, 1);

    BoxLabel(QStringLiteral("SET"), this, 172);
    txtpass1 = new TextBox(this, kMaxPassword, kMask);
    txtpass1->setGeometry(290, 172, 180, 24);
    BoxLabel(QStringLiteral("CONFIRM"), this, 206);
    txtpass2 = new TextBox(this, kMaxPassword, kMask);
    txtpass2->setGeometry(290, 206, 180, 24);
    // Under the boxes: a new password set with Caps Lock on, or in another
    // layout than the one the lock will be opened in, keeps its owner out.
    m_keyboard = new KeyboardNotes(this, Verdana(8));
    m_keyboard->Place(QPoint(290, 234));

    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdApply->setGeometry(290, 256, 88, 28);
    cmdApply->setDefault(true);
    cmdApply->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(382, 256, 88, 28);

    imgInformation = InformationIcon(this);
    imgInformation->move(16, 326);

    setTabOrder(txtpass3, txtpass1);
    setTabOrder(txtpass1, txtpass2);
    setTabOrder(txtpass2, cmdApply);
    setTabOrder(cmdApply, cmdCancel);

    connect(cmdApply, &QPushButton::clicked, this, &frmPassword::onApplyClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPassword::onCancelClick);
    connect(imgInformation, &LinkLabel::clicked, this, &frmPassword::onInformationClick);
    // Enter presses the default button, as in a dialog.
    for (TextBox *box : {txtpass3, txtpass1, txtpass2})
        connect(box, &QLineEdit::returnPressed, this, [this] {
            if (cmdApply->isEnabled())
                cmdApply->click();
        });
    tmrOkenabler = NewTimer(this, 3, true, [this] { onOkenablerTimer(); });
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

void frmPassword::onLoad()
{
    if (ReadPassword().status == PasswordStatus::NoPassword) {
        // First run: there is no old password to ask for.
        txtpass3->hide();
        lblOld->hide();
        linOld->hide();
        txtpass1->setFocus();
    }
}

void frmPassword::onApplyClick()
{
    StoredPassword stored = ReadPassword();
    if (stored.status == PasswordStatus::Unreadable)
        return; // never replace a password we cannot read

    const auto refuseOldPassword = [this] {
        Beep();
        // The intruder command does not wait for the boxes before the record.
        const QDateTime moment = QDateTime::currentDateTime();
        WrongPasswordBeforeRecord(m_wrongPasswords, moment);
        ShowAccessDenied(this, QStringLiteral("Old Password is incorrect."),
                         QStringLiteral("Cannot change password settings!"),
                         QStringLiteral("This action has been logged."));
        AppendIntruderRecord(headings::kPasswordChange, txtpass3->text(), moment);
    };
    if (stored.ok() && txtpass3->text() != stored.text) {
        refuseOldPassword();
        return;
    }

    // The file cannot carry every text: refuse before anything is written.
    const QString problem = PasswordEntryProblem(txtpass1->text());
    if (!problem.isEmpty()) {
        MsgBox(problem, MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Password Settings Error!"),
               this);
        txtpass1->setFocus();
        return;
    }

    if (!stored.ok()) {
        if (!CreateEmptyPassword())
            return;
        stored = ReadPassword();
        if (!stored.ok())
            return;
        if (txtpass3->text() != stored.text) {
            refuseOldPassword();
            return;
        }
    }

    if (txtpass1->text() != txtpass2->text()) {
        MsgBox(QStringLiteral("New password cannot be set because the passwords do not match."),
               MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Password Settings Error!"), this);
        return;
    }
    if (!WritePassword(txtpass1->text()))
        return;
    Unload();
    pages::Load(Page::ProtectDesktop).show();
}

void frmPassword::hideEvent(QHideEvent *event)
{
    for (TextBox *box : {txtpass3, txtpass1, txtpass2})
        box->clear();
    // The timer is held back while hidden: Apply follows the emptied boxes now.
    onOkenablerTimer();
    Form::hideEvent(event);
}

void frmPassword::onCancelClick()
{
    hide();
    Forms::Get<frmPasswordCancelled>().show();
}

void frmPassword::onOkenablerTimer()
{
    const QString set = txtpass1->text();
    const QString confirm = txtpass2->text();
    const bool required = !set.isEmpty() && !confirm.isEmpty() && set == confirm;
    if (cmdApply->isEnabled() != required)
        cmdApply->setEnabled(required);
}

void frmPassword::onInformationClick()
{
    ShowInformation(QStringLiteral("Important Information"), QStringLiteral("Password Settings"),
                    QStringLiteral("The password is CASE-sensive. You can use up to a maximum of "
                                   "15 characters. You can use any type or combination of "
                                   "characters."));
}

void frmPassword::onUnload()
{
    RunPageRestoringSteps();
}
