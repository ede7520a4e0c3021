#include "tray/frmTrayMenu.h"

#include "lock/LockStarter.h"
#include "platform/funct.h"
#include "ui/Pages.h"
#include "ui/modTrayIcon.h"

#include "ui/WindowServices.h"

frmTrayMenu::frmTrayMenu()
{
    setWindowTitle(QStringLiteral("Task Bar Icon Menu"));
    mnuPopup = new QMenu(QStringLiteral("Popup"), this);
    mnuNormalLock = mnuPopup->addAction(QStringLiteral("Normal Lock"));
    mnuNTlock = mnuPopup->addAction(QStringLiteral("NT Style Lock"));
    mnuSeparator1 = mnuPopup->addSeparator();
    mnuMain = mnuPopup->addAction(QStringLiteral("Main Screen"));
    mnuSeparator2 = mnuPopup->addSeparator();
    mnuAbout = mnuPopup->addAction(QStringLiteral("About"));
    mnuQuickMenu[0] = mnuPopup->addAction(QStringLiteral("Exit"));

    // Queued, so that the menu has closed and its notification is finished
    // before a lock takes over.
    const auto later = Qt::QueuedConnection;
    connect(mnuNormalLock, &QAction::triggered, this, &frmTrayMenu::onNormalLockClick, later);
    connect(mnuNTlock, &QAction::triggered, this, &frmTrayMenu::onNtLockClick, later);
    connect(mnuMain, &QAction::triggered, this, &frmTrayMenu::onMainClick, later);
    connect(mnuAbout, &QAction::triggered, this, &frmTrayMenu::onAboutClick, later);
    connect(
        mnuQuickMenu[0], &QAction::triggered, this, [this] { onQuickMenuClick(0); }, later);
}

void frmTrayMenu::onMouseMove(quint32 number)
{
    if (m_busy)
        return;
    m_busy = true;
    if (number == WM_RBUTTONUP)
        ShowPopupMenu(*mnuPopup);
    m_busy = false;
}

void frmTrayMenu::onNormalLockClick()
{
    StartLockByHand(LockKind::Normal, *this);
}

void frmTrayMenu::onNtLockClick()
{
    StartLockByHand(LockKind::NtStyle, *this);
}

void frmTrayMenu::onMainClick()
{
    pages::Load(Page::Home).show();
}

void frmTrayMenu::onAboutClick()
{
    pages::Load(Page::About).show();
}

void frmTrayMenu::onQuickMenuClick(int)
{
    DeleteTrayIcon();
    EndProgram();
}
