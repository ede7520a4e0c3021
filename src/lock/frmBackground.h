#pragma once
// The NT-style lock's black full-screen background. It owns the box and the
// prompt and keeps the shell hidden for as long as it exists. It covers every
// monitor; the picture fills the primary one.

#include "lock/LockWindow.h"
#include "ui/Form.h"

#include <memory>

class InputHeldNotice;
class LayoutSwitchChord;
class LockSignalGuard;
class PictureBox;
class QTimer;

class frmBackground : public Form {
    Q_OBJECT
public:
    frmBackground();
    ~frmBackground() override;

protected:
    void onLoad() override;
    void onUnload() override;
    // A close request never unlocks: only the password does.
    bool acceptsCloseRequest() const override { return false; }

private:
    void onShellTimer();
    void FollowDesktop();

    PictureBox *picBackground;
    QTimer *tmrShell;
    InputHeldNotice *m_notHeld;
    DesktopFollower m_desktop;
    std::unique_ptr<LockSignalGuard> m_signalGuard;
    // Alt+Shift switches the layout at the box and at the prompt alike.
    std::unique_ptr<LayoutSwitchChord> m_layoutChord;
};
