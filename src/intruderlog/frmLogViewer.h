#pragma once
// The Log Viewer: shows the intruder log, refreshes and clears it, opens the
// print dialog and the backup screen, and can itself be locked. While locked
// it shows a notice instead of the log and asks for the program's password
// before it shows the log again; the locked state lives in the settings
// store ("ViewLog", "Status") and so outlives the program.

#include "rules/WrongPasswordCount.h"
#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QPushButton>

class KeyboardNotes;
class LogView;
class NavigationBar;

class frmLogViewer : public Form {
    Q_OBJECT
public:
    frmLogViewer();

    // The texts the log view can hold besides the log.
    static const QString kEmptyText;
    static const QString kLockedNotice;

    // Events, in the order the screen handles them.
    void onRefreshClick();
    void onClearLogClick();
    void onBackupClick();
    void onPrintClick();
    void onLockScreenClick();
    void onUnlockScreenClick();
    void onExitClick();       // "Click here to exit the program": removes the tray icon first
    void onExitAtOnceClick(); // "Click here to exit."
    void onInformationClick();

    // Whether the screen shows the locked arrangement.
    bool IsLocked() const { return lblUnlockScreen->isVisibleTo(this); }

    NavigationBar *navBar;
    LogView *rtbLog; // the log view: plain text, read-only
    QPushButton *cmdClearLog;
    QPushButton *cmdRefresh;
    QPushButton *cmdBackup;
    QPushButton *cmdPrint;
    LinkLabel *lblLockScreen;
    LinkLabel *lblUnlockScreen;
    QLabel *lblPassword;
    TextBox *txtPassword;
    KeyboardNotes *m_keyboard;
    QPushButton *cmdExit;       // on top: removes the tray icon, then ends the program
    QPushButton *cmdExitAtOnce; // the same place, underneath: ends the program at once
    LinkLabel *imgInformation;
    QLabel *lblExplanation;

protected:
    void onLoad() override;
    void onUnload() override;

private:
    WrongPasswordCount m_wrongPasswords; // at the viewer's own lock

    // Hands the whole log file to the log view. False when it cannot be read
    // (no log file); the view keeps its text then.
    bool LoadLogFile();
    void SetLogText(const QString &text);
    void ShowUnlockedArrangement();
    QList<QPushButton *> LogButtons() const { return {cmdClearLog, cmdRefresh, cmdBackup, cmdPrint}; }
};
