#pragma once
// Log backup: explains the feature and offers two destinations, the floppy
// drive "A:\" and the desktop folder; the outcome of the last copy shows as
// one bold red line.

#include "ui/Form.h"

#include <QLabel>
#include <QPushButton>

class frmLogBackup : public Form {
    Q_OBJECT
public:
    frmLogBackup();

    void onFloppyClick();
    void onDesktopClick();
    void onExitClick();

    // The outcome of the last copy, as frmBackupDest reports it.
    void ShowSuccess();
    void ShowFailure();

    QPushButton *cmdFloppy;
    QPushButton *cmdDesktop;
    QPushButton *cmdExit;
    QLabel *lblDone;   // "Backup process done. Click the 'Exit' button."
    QLabel *lblFailed; // "There was an error creating the backup. Backup Aborted!"
};
