#include "lock/frmBackground.h"

#include "lock/InputHeldNotice.h"
#include "rules/LockGuard.h"
#include "lock/LockWindow.h"
#include "platform/supervision/LockSupervision.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "platform/storage/Settings.h"
#include "ui/LayoutSwitchChord.h"
#include "ui/WindowServices.h"

frmBackground::frmBackground() : Form(kLockWindowFlags)
{
    setObjectName("frmBackground");
    setWindowTitle(QStringLiteral("Background"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, QColor(0, 0, 0));
    setPalette(black);

    picBackground = new PictureBox(this);
    picBackground->setObjectName("picBackground");

    tmrShell = NewTimer(this, 3, true, [this] { onShellTimer(); }, TimerPace::DisplayChanges);
    m_notHeld = new InputHeldNotice(this);
}

frmBackground::~frmBackground() = default;

void frmBackground::onLoad()
{
    m_signalGuard = std::make_unique<LockSignalGuard>();
    m_layoutChord = std::make_unique<LayoutSwitchChord>();
    RunHidingSteps();
    FollowDesktop();
    // Relaunched after a crash at load, the lock stays black: its picture may be what crashed it.
    if (!platform::lockSupervision().PicturesAllowed())
        return;
    // A missing or unreadable picture leaves the background plain black.
    picBackground->LoadPicture(settings::Read(settings::Background2));
}

void frmBackground::onShellTimer()
{
    FollowDesktop();
    RunHidingSteps();
    m_notHeld->Check();
}

// Maximized: the window manager is bypassed, so the window takes the whole
// root itself, again whenever a monitor or the root changes.
void frmBackground::FollowDesktop()
{
    if (!m_desktop.Changed())
        return;
    setGeometry(DesktopArea());
    picBackground->setGeometry(PrimaryInsideDesktop());
}

void frmBackground::onUnload()
{
    tmrShell->stop();
    RunRestoringSteps();
    SetScreenSaverRunning(false);
    m_signalGuard.reset();
    m_layoutChord.reset();
    platform::lockSupervision().LockEnded();
}
