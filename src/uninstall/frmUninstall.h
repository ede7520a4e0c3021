#pragma once
// The uninstall guard ("/u"): the software may be removed only by someone who
// knows the password. It removes and starts nothing itself; an uninstaller
// learns the outcome from the exit status.

#include "core/ExitStatus.h"
#include "rules/WrongPasswordCount.h"
#include "ui/Form.h"

class GuessWait;
class KeyboardNotes;
class QLabel;
class QPushButton;
class QTimer;
class TextBox;

class frmUninstall : public Form {
    Q_OBJECT
public:
    // Exit statuses: the right password was given; "&Cancel" asked for the
    // log-off instead.
    static constexpr int kUninstallAllowed = 0;
    static constexpr int kUninstallCancelled = exit_status::kUninstallCancelled;

    frmUninstall();

    // Events, in the order of the screen's table.
    void onUninstallClick();
    void onCancelClick();

    QLabel *lblHeading;
    QLabel *lblExplanation;
    QLabel *lblPassword;
    TextBox *txtPassword;
    QPushButton *cmdUninstall;
    QPushButton *cmdCancel;
    QLabel *lblDecoration;
    QLabel *lblWait;

protected:
    void onLoad() override;
    // Only the password or "&Cancel" end the guard.
    bool acceptsCloseRequest() const override { return false; }
    void showEvent(QShowEvent *event) override;

private:
    // The keys are held on whichever of the program's windows is in front (the
    // guard or its message box); the grab follows it and retries until the
    // window manager has mapped the window, as the locks' shell timer does.
    QTimer *tmrKeys;
    GuessWait *m_wait;
    WrongPasswordCount m_wrongPasswords;
    KeyboardNotes *m_keyboard;
};
