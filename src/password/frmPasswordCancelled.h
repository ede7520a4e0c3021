#pragma once
// The page shown when the password settings were cancelled: the navigation
// bar and an exit button.

#include "ui/Form.h"

#include <QPushButton>

class NavigationBar;

class frmPasswordCancelled : public Form {
    Q_OBJECT
public:
    frmPasswordCancelled();

    void onExitClick();

    NavigationBar *navBar;
    QPushButton *cmdExit;

protected:
    void onUnload() override;
};
