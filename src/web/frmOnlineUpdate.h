#pragma once
// The update check window. For now it has its controls and closes on
// "&OK" or "&Cancel"; the version download itself is still to come.

#include "ui/Form.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

class frmOnlineUpdate : public Form {
    Q_OBJECT
public:
    frmOnlineUpdate();

    void onOkClick();
    void onCancelClick();

    QLabel *lblStatusHeading;
    QLabel *lblStatus;
    QLabel *lblWait;
    QLabel *lblResult;
    QProgressBar *prgDownload;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
};
