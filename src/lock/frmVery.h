#pragma once
// The NT-style lock's "Start Logon" prompt: the password, "&Verify" and
// "&Cancel" (back to the box).

#include "lock/LockWindow.h"
#include "lock/LockWrongPasswordCount.h"
#include "ui/Form.h"

class GuessWait;
class KeyboardNotes;
class QLabel;
class QPushButton;
class QTimer;
class TextBox;

class frmVery : public Form {
    Q_OBJECT
public:
    frmVery();

protected:
    void onLoad() override;
    void onUnload() override;
    // A close request never unlocks: only the password does.
    bool acceptsCloseRequest() const override { return false; }
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onVerifyClicked();
    void onCancelClicked();
    void onLayerTimer();
    void FollowDesktop();

    CaptionBar *lblCaption;
    QLabel *lblPassword;
    TextBox *txtPassword;
    QPushButton *cmdVerify;
    QPushButton *cmdCancel;
    QLabel *lblWait;
    GuessWait *m_wait;
    LockWrongPasswordCount m_wrongPasswords;
    KeyboardNotes *m_keyboard;
    QTimer *tmrLayer;
    DesktopFollower m_desktop;
};
