#include "lock/frmBackground.h"

#include "lock/LockGuard.h"
#include "lock/LockWindow.h"
#include "platform/LockSupervision.h"
#include "platform/funct.h"
#include "platform/storage/Settings.h"
#include "ui/WindowServices.h"

#include <QGuiApplication>
#include <QScreen>

frmBackground::frmBackground() : Form(kLockWindowFlags)
{
    setObjectName("frmBackground");
    setWindowTitle(QStringLiteral("Background"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, QColor(0, 0, 0));
    setPalette(black);
    // Maximized: the window manager is bypassed, so the window takes the screen itself.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());

    picBackground = new PictureBox(this);
    picBackground->setObjectName("picBackground");

    tmrShell = NewTimer(this, 3, true, [this] { onShellTimer(); });
}

frmBackground::~frmBackground() = default;

void frmBackground::onLoad()
{
    m_signalGuard = std::make_unique<LockSignalGuard>();
    RunHidingSteps();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : this->size();
    picBackground->setGeometry(0, 0, size.width(), size.height());
    // Relaunched after a crash at load, the lock stays black: its picture may be what crashed it.
    if (!platform::lockSupervision().PicturesAllowed())
        return;
    // A missing or unreadable picture leaves the background plain black.
    picBackground->LoadPicture(settings::Read(settings::Background2));
}

void frmBackground::onShellTimer()
{
    RunHidingSteps();
}

void frmBackground::onUnload()
{
    tmrShell->stop();
    RunRestoringSteps();
    SetScreenSaverRunning(false);
    m_signalGuard.reset();
    platform::lockSupervision().LockEnded();
}
