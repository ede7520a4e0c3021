#pragma once
// The backup destination box: shows the destination folder for confirmation
// or editing and runs the copy. Loaded fresh for each use.

#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QGroupBox>
#include <QPushButton>

class frmBackupDest : public Form {
    Q_OBJECT
public:
    frmBackupDest();

    static const QString kFloppyDescription;
    static const QString kDesktopDescription;

    void onOkClick();
    void onCancelClick();

    QGroupBox *fraDestination;
    QLabel *lblDescription;
    TextBox *txtDestination;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
};
