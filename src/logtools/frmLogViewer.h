#pragma once
// The Log Viewer, so far as a navigation page: its bar and its exit button.

#include "ui/Form.h"

#include <QPushButton>

class NavigationBar;

class frmLogViewer : public Form {
    Q_OBJECT
public:
    frmLogViewer();

    void onExitClick();

    NavigationBar *navBar;
    QPushButton *cmdExit;
};
