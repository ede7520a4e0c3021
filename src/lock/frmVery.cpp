#include "lock/frmVery.h"

#include "rules/IntruderLog.h"
#include "lock/LockWindow.h"
#include "ui/KeyboardNotes.h"
#include "ui/PasswordPrompt.h"
#include "ui/ReadOnlyAccessible.h"
#include "lock/frmBackground.h"
#include "lock/LockStarter.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "ui/WindowServices.h"

#include <QLabel>
#include <QPushButton>

frmVery::frmVery() : Form(kLockWindowFlags)
{
    setObjectName("frmVery");
    setWindowTitle(QStringLiteral("Start Logon"));
    lblCaption = new CaptionBar(this);
    lblCaption->SetText(QStringLiteral("Start Logon"));
    auto *client = new QWidget(this);
    // The prompt's own client area, and below it one line for the keyboard notes.
    const QSize prompt(Twips(4290), Twips(2145));
    m_keyboard = new KeyboardNotes(client, font());
    client->setGeometry(LayOutBox(this, lblCaption, prompt + QSize(0, m_keyboard->LineHeight() + 4)));
    m_keyboard->Place(QPoint(16, prompt.height()));

    lblPassword = new QLabel(QStringLiteral("Password:"), client);
    lblPassword->setFont(QFont(QStringLiteral("Verdana"), 9, QFont::Bold));
    lblPassword->setGeometry(16, 16, 200, 18);

    txtPassword = new TextBox(client, 15, QChar('-'));
    txtPassword->setObjectName("txtPassword");
    ReadOnlyForAssistiveTools(txtPassword);
    // A context menu would take the grab for itself and give it up on closing.
    txtPassword->setContextMenuPolicy(Qt::NoContextMenu);
    txtPassword->setFont(QFont(QStringLiteral("MS Sans Serif"), 12));
    txtPassword->setStyleSheet("color: rgb(255, 0, 0);");
    txtPassword->setGeometry(16, 40, client->width() - 32, 30);

    cmdVerify = new QPushButton(QStringLiteral("&Verify"), client);
    cmdVerify->setObjectName("cmdVerify");
    cmdVerify->setDefault(true);
    cmdVerify->setGeometry(prompt.width() - 16 - 2 * 80 - 8, prompt.height() - 16 - 26, 80, 26);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), client);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setGeometry(prompt.width() - 16 - 80, prompt.height() - 16 - 26, 80, 26);

    // The wait between wrong passwords, between the box and the buttons.
    lblWait = new QLabel(client);
    lblWait->setObjectName("lblWait");
    lblWait->setGeometry(16, 76, client->width() - 32, 18);
    m_wait = new GuessWait(cmdVerify, lblWait);

    setTabOrder(txtPassword, cmdVerify);
    setTabOrder(cmdVerify, cmdCancel);
    connect(txtPassword, &QLineEdit::returnPressed, cmdVerify, &QPushButton::click);
    connect(cmdVerify, &QPushButton::clicked, this, &frmVery::onVerifyClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &frmVery::onCancelClicked);

    // The box's layer timer, given to the prompt too: in the prompt state
    // nothing else would keep it above other windows.
    tmrLayer = NewTimer(this, 1, true, [this] { onLayerTimer(); }, TimerPace::DisplayChanges);
}

void frmVery::onLoad()
{
    FollowDesktop();
    m_wait->Show(); // a wait begun at an earlier prompt still runs
}

// Centred at load, and again when the monitors change, so that the prompt
// never stays where no monitor shows it.
void frmVery::FollowDesktop()
{
    if (m_desktop.Changed())
        CentreOnPrimary(this);
}

void frmVery::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    txtPassword->setFocus();
}

void frmVery::onVerifyClicked()
{
    // The message boxes after a wrong password slow a typing program too, but
    // the count holds whether or not they are answered.
    const std::optional<VerifyOutcome> outcome = VerifyPasswordBox(txtPassword, headings::kLock, m_wrongPasswords, *m_wait);
    if (!outcome)
        return; // too soon after wrong passwords: nothing checked, the box keeps its text
    switch (*outcome) {
    case VerifyOutcome::NoChange:
        // No password (the empty one now exists) or an unreadable file: stay locked.
        return;
    case VerifyOutcome::NotRecorded:
        return; // the record is lost; the box keeps its text and nothing is shown
    case VerifyOutcome::Recorded:
        ShowAccessDenied(this, QStringLiteral("Password is incorrect."), QStringLiteral("Access Denied!"),
                         QStringLiteral("This unauthorized access has been logged."));
        return;
    case VerifyOutcome::Match:
        RemoveRestartEntry(LockKind::NtStyle);
        RunRestoringSteps();
        Unload();
        Forms::Unload<frmBackground>();
        EndProgram(0);
        return;
    }
}

// ShowNtStyleLock brings the box back once the prompt is gone.
void frmVery::onCancelClicked()
{
    Unload();
}

void frmVery::onLayerTimer()
{
    FollowDesktop();
    SetWindowLayer(this, true);
}

void frmVery::paintEvent(QPaintEvent *event)
{
    Form::paintEvent(event);
    PaintWindowEdge(this);
}

void frmVery::onUnload()
{
    tmrLayer->stop();
}
