#include "lock/frmNormalLock.h"

#include "ui/ClockLabel.h"
#include "rules/GeneralDate.h"
#include "lock/InputHeldNotice.h"
#include "rules/IntruderLog.h"
#include "rules/LockGuard.h"
#include "lock/LockWindow.h"
#include "ui/KeyboardNotes.h"
#include "ui/LayoutSwitchChord.h"
#include "ui/PasswordPrompt.h"
#include "ui/ReadOnlyAccessible.h"
#include "platform/supervision/LockSupervision.h"
#include "lock/LockStarter.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "platform/storage/Settings.h"
#include "ui/WindowServices.h"

#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

#include <array>
#include <utility>

namespace {

// The panel's built-in picture: a grey bevel that frames the password controls.
QPixmap PanelPicture(QSize size)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient shade(0, 0, 0, size.height());
    shade.setColorAt(0, QColor(224, 224, 224));
    shade.setColorAt(1, QColor(160, 160, 160));
    painter.fillRect(pixmap.rect(), shade);
    painter.setPen(Qt::white);
    painter.drawLine(0, 0, size.width() - 1, 0);
    painter.drawLine(0, 0, 0, size.height() - 1);
    painter.setPen(QColor(96, 96, 96));
    painter.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
    painter.drawLine(size.width() - 1, 0, size.width() - 1, size.height() - 1);
    return pixmap;
}

// The clock labels are only 12 pixels high: the largest font whose general
// date fits the label's width.
QFont ClockFont(const QFont &base, int width)
{
    const QString widest = GeneralDate(QDateTime(QDate(2026, 12, 28), QTime(12, 58, 58)));
    QFont font = base;
    for (int pixels = 11; pixels > 7; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(widest) <= width)
            break;
    }
    return font;
}

} // namespace

frmNormalLock::frmNormalLock() : Form(kLockWindowFlags)
{
    setObjectName("frmNormalLock");
    setWindowTitle(QStringLiteral("Desktop status: Locked"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    picBackground = new PictureBox(this);
    picBackground->setObjectName("picBackground");

    QFont small = font();
    small.setPixelSize(10);

    // Drawn again every second for as long as the lock is up: labels that
    // draw their glyphs with no text layout, and only the ones that changed.
    lblClockBlack = new ClockLabel(QStringLiteral("02/09/2001"), this);
    lblClockWhite = new ClockLabel(QStringLiteral("02/09/2001"), this);
    lblClockBlack->setObjectName("lblClockBlack");
    lblClockWhite->setObjectName("lblClockWhite");
    // Colours through the palette, not a style sheet, whose rules each
    // redraw would go through.
    for (auto [clock, colour] : {std::pair{lblClockBlack, Qt::black}, std::pair{lblClockWhite, Qt::white}}) {
        clock->resize(Twips(1935), Twips(180));
        clock->setFont(ClockFont(small, clock->width()));
        QPalette palette = clock->palette();
        palette.setColor(QPalette::WindowText, colour);
        clock->setPalette(palette);
    }
    lblClockBlack->move(0, Twips(45));
    lblClockWhite->move(0, Twips(30));

    fraPanel = new QFrame(this);
    fraPanel->setObjectName("fraPanel");
    fraPanel->setGeometry(0, Twips(285), Twips(2010), Twips(480));
    fraPanel->setAutoFillBackground(true);
    QPalette grey = fraPanel->palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    fraPanel->setPalette(grey);

    imgPanel = new QLabel(fraPanel);
    imgPanel->setGeometry(fraPanel->rect());
    imgPanel->setPixmap(PanelPicture(fraPanel->size()));

    lblPwrd = new QLabel(QStringLiteral("Pwrd:"), fraPanel);
    lblPwrd->setFont(small);
    lblPwrd->setGeometry(Twips(60), Twips(150), Twips(540), Twips(225));

    txtPassword = new TextBox(fraPanel, 15, QChar('l'));
    txtPassword->setObjectName("txtPassword");
    ReadOnlyForAssistiveTools(txtPassword);
    // A context menu would take the grab for itself and give it up on closing.
    txtPassword->setContextMenuPolicy(Qt::NoContextMenu);
    txtPassword->setFont(small);
    txtPassword->setGeometry(Twips(615), Twips(150), Twips(540), Twips(225));
    txtPassword->setTextMargins(0, 0, 0, 0);

    cmdVerify = new QPushButton(QStringLiteral("&Verify"), fraPanel);
    cmdVerify->setObjectName("cmdVerify");
    cmdVerify->setFont(small);
    cmdVerify->setGeometry(Twips(1215), Twips(135), Twips(705), Twips(285));
    cmdVerify->setDefault(true);
    cmdVerify->setCursor(Qt::PointingHandCursor);

    lblInvalid = new QLabel(QStringLiteral("Invalid!"), fraPanel);
    lblInvalid->setObjectName("lblInvalid");
    QFont tiny = small;
    tiny.setPixelSize(9);
    lblInvalid->setFont(tiny);
    lblInvalid->setStyleSheet("color: red; background: white;");
    lblInvalid->move(Twips(600), 0);
    lblInvalid->setFixedHeight(Twips(150));
    lblInvalid->adjustSize();
    lblInvalid->hide();

    // Under the panel (whose 134 pixels would not hold it) and the keyboard
    // notes; on black, which any background picture leaves readable.
    lblWait = new QLabel(this);
    lblWait->setObjectName("lblWait");
    lblWait->setFont(small);
    lblWait->setStyleSheet("color: white; background: black;");
    lblWait->setAlignment(Qt::AlignCenter);
    lblWait->resize(QFontMetrics(small).horizontalAdvance(GuessWait::LongestLine()) + 8, Twips(225));
    m_wait = new GuessWait(cmdVerify, lblWait);

    // The layout and Caps Lock, just below the panel: a password typed in
    // the wrong one is refused with no other sign of why.
    m_keyboard = new KeyboardNotes(this, small);
    m_keyboard->SetColours(QStringLiteral("white"), QStringLiteral("black"));

    // Enter in the box presses the default button.
    connect(txtPassword, &QLineEdit::returnPressed, cmdVerify, &QPushButton::click);
    connect(cmdVerify, &QPushButton::clicked, this, &frmNormalLock::onVerifyClicked);

    tmrClock = NewTimer(this, 3, true, [this] { onClockTimer(); }, TimerPace::Seconds);
    tmrShell = NewTimer(this, 3, true, [this] { onShellTimer(); }, TimerPace::DisplayChanges);
    tmrLayer = NewTimer(this, 1, true, [this] { onLayerTimer(); }, TimerPace::DisplayChanges);
    tmrNotice1 = NewTimer(this, 10, false, [this] { onNoticeTimer1(); });
    tmrNotice2 = NewTimer(this, 1, false, [this] { onNoticeTimer2(); });
    m_notHeld = new InputHeldNotice(this);
}

frmNormalLock::~frmNormalLock() = default;

void frmNormalLock::onLoad()
{
    m_signalGuard = std::make_unique<LockSignalGuard>();
    m_layoutChord = std::make_unique<LayoutSwitchChord>();
    FollowDesktop();
    RunHidingSteps();
    // Relaunched after a crash at load, the lock stays black: its picture may be what crashed it.
    if (!platform::lockSupervision().PicturesAllowed())
        return;
    // A missing or unreadable picture simply leaves the screen black.
    if (!picBackground->LoadPicture(settings::Read(settings::Background1)))
        return;
}

void frmNormalLock::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    txtPassword->setFocus();
}

void frmNormalLock::onVerifyClicked()
{
    const std::optional<VerifyOutcome> outcome = VerifyPasswordBox(txtPassword, headings::kLock, m_wrongPasswords, *m_wait);
    if (!outcome)
        return; // too soon after wrong passwords: nothing checked, the box keeps its text
    // The notice is due whether or not the record could be written.
    switch (*outcome) {
    case VerifyOutcome::NoChange:
        // No password (the empty one now exists) or an unreadable file: stay locked.
        return;
    case VerifyOutcome::Match:
        RemoveRestartEntry(LockKind::Normal);
        Unload();
        EndProgram(0);
        return;
    case VerifyOutcome::Recorded:
    case VerifyOutcome::NotRecorded:
        tmrNotice1->start();
        return;
    }
}

void frmNormalLock::onClockTimer()
{
    // The text changes once a second; other ticks cost a clock read.
    if (!m_clock.Tick())
        return;
    // Both labels first, then painted straight away: one paint and one
    // flush for the two, and no request posted to the event loop.
    const QString &text = m_clock.Text();
    const QRect black = lblClockBlack->SetTextUnpainted(text).translated(lblClockBlack->pos());
    const QRect white = lblClockWhite->SetTextUnpainted(text).translated(lblClockWhite->pos());
    const std::array<ClockLabel *, 2> shadowFirst{lblClockBlack, lblClockWhite};
    ClockLabel::RepaintStack(shadowFirst, black | white);
}

void frmNormalLock::onShellTimer()
{
    RunHidingSteps();
    m_notHeld->Check();
}

void frmNormalLock::onLayerTimer()
{
    FollowDesktop();
    SetWindowLayer(this, true);
}

// The window covers the whole root; the picture, the panel and the clock are
// laid out on the primary monitor. Again whenever a monitor or the root
// changes.
void frmNormalLock::FollowDesktop()
{
    if (!m_desktop.Changed())
        return;
    setGeometry(DesktopArea());
    const QRect screen = PrimaryInsideDesktop();
    picBackground->setGeometry(screen);
    fraPanel->move(screen.x() + int((screen.width() - fraPanel->width()) / 1.01), screen.y() + Twips(285));
    const int clockLeft = screen.x() + screen.width() - lblClockWhite->width();
    lblClockBlack->move(clockLeft, screen.y() + Twips(45));
    lblClockWhite->move(clockLeft, screen.y() + Twips(30));
    m_keyboard->Place(QPoint(fraPanel->x(), fraPanel->y() + fraPanel->height() + 2));
    lblWait->move(fraPanel->x() + fraPanel->width() - lblWait->width(),
                  fraPanel->y() + fraPanel->height() + 4 + m_keyboard->LineHeight());
}

void frmNormalLock::onNoticeTimer1()
{
    lblInvalid->show();
    tmrNotice2->start();
    tmrNotice1->stop();
}

void frmNormalLock::onNoticeTimer2()
{
    lblInvalid->show();
    tmrNotice2->stop();
}

void frmNormalLock::onUnload()
{
    // No tick may hide the shell again once it is restored.
    for (QTimer *timer : {tmrClock, tmrShell, tmrLayer, tmrNotice1, tmrNotice2})
        timer->stop();
    RunRestoringSteps();
    SetScreenSaverRunning(false);
    m_signalGuard.reset();
    m_layoutChord.reset();
    platform::lockSupervision().LockEnded();
}
