#pragma once
// The Normal lock: one borderless black window over every monitor with the
// background picture, the clock and a small panel asking for the password on
// the primary one.
// Only the right password ends it (and with it the program).

#include "lock/LockWindow.h"
#include "lock/LockWrongPasswordCount.h"
#include "rules/SecondClock.h"
#include "ui/Form.h"

#include <memory>

class ClockLabel;
class GuessWait;
class InputHeldNotice;
class KeyboardNotes;
class LayoutSwitchChord;
class LockSignalGuard;
class PictureBox;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class TextBox;

class frmNormalLock : public Form {
    Q_OBJECT
public:
    frmNormalLock();
    ~frmNormalLock() override;

protected:
    void onLoad() override;
    void onUnload() override;
    // A close request never unlocks: only the password does.
    bool acceptsCloseRequest() const override { return false; }
    void showEvent(QShowEvent *event) override;

private:
    void onVerifyClicked();
    void onClockTimer();
    void onShellTimer();
    void onLayerTimer();
    void onNoticeTimer1();
    void onNoticeTimer2();
    void FollowDesktop();

    PictureBox *picBackground;
    ClockLabel *lblClockBlack;
    ClockLabel *lblClockWhite;
    QFrame *fraPanel;
    QLabel *imgPanel;
    QLabel *lblPwrd;
    TextBox *txtPassword;
    QPushButton *cmdVerify;
    QLabel *lblInvalid;
    QLabel *lblWait;
    GuessWait *m_wait;
    LockWrongPasswordCount m_wrongPasswords;
    KeyboardNotes *m_keyboard;

    QTimer *tmrClock;
    QTimer *tmrShell;
    QTimer *tmrLayer;
    InputHeldNotice *m_notHeld;
    QTimer *tmrNotice1;
    QTimer *tmrNotice2;
    DesktopFollower m_desktop;
    SecondClock m_clock;

    std::unique_ptr<LockSignalGuard> m_signalGuard;
    std::unique_ptr<LayoutSwitchChord> m_layoutChord;
};
