#pragma once
// Password Settings: sets the first password, or changes it after checking
// the old one; a wrong old password is logged.

#include "rules/WrongPasswordCount.h"
#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QFrame>
#include <QPushButton>

class KeyboardNotes;
class NavigationBar;

class frmPassword : public Form {
    Q_OBJECT
public:
    frmPassword();

    void onApplyClick();
    void onCancelClick();
    void onOkenablerTimer();
    void onInformationClick();

    NavigationBar *navBar;
    TextBox *txtpass3; // old
    TextBox *txtpass1; // new
    TextBox *txtpass2; // confirmation
    KeyboardNotes *m_keyboard;
    WrongPasswordCount m_wrongPasswords; // of the old password
    QLabel *lblOld;
    QFrame *linOld;
    QPushButton *cmdApply;
    QPushButton *cmdCancel;
    QTimer *tmrOkenabler;
    LinkLabel *imgInformation;

protected:
    void onLoad() override;
    // Leaving the page in any way empties its boxes: typed passwords never
    // wait in a hidden window for whoever comes next.
    void hideEvent(QHideEvent *event) override;
    void onUnload() override;
};
