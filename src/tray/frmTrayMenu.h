#pragma once
// The hidden window that owns the tray icon: it receives the icon's mouse
// events and opens the popup menu on a right-button release.

#include "ui/Form.h"
#include "ui/modTrayIcon.h"

#include <QMenu>

class frmTrayMenu : public Form, public TrayIconOwner {
    Q_OBJECT
public:
    frmTrayMenu();

    // The shell's callback: the mouse event's message number.
    void onMouseMove(quint32 number) override;
    QMenu *trayMenu() override { return mnuPopup; }
    void onNormalLockClick();
    void onNtLockClick();
    void onMainClick();
    void onAboutClick();
    void onQuickMenuClick(int index);

    bool IsBusy() const { return m_busy; }

    QMenu *mnuPopup;
    QAction *mnuNormalLock;
    QAction *mnuNTlock;
    QAction *mnuSeparator1;
    QAction *mnuMain;
    QAction *mnuSeparator2;
    QAction *mnuAbout;
    QAction *mnuQuickMenu[1];

private:
    // Set while a notification is handled: the open menu keeps receiving
    // notifications, which must not open a second menu inside the first.
    bool m_busy = false;
};
