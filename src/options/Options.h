#pragma once
// The Options screen: the two lock backgrounds, the tray icon's start with
// the desktop session, and the way into the NT-style lock's text editor.
// It unloads itself on navigation, so a path typed but not saved is lost.

#include "ui/Form.h"

class LinkLabel;
class NavigationBar;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Options : public Form {
    Q_OBJECT
public:
    Options();

    // Events, in the order of the screen's table.
    void onTrayIconClick();
    void onNormalBrowseClick();
    void onNormalSaveClick();
    void onNormalNoneClick();
    void onNtBrowseClick();
    void onNtSaveClick();
    void onNtNoneClick();
    void onEditTextClick();
    void onLoadNowClick();
    void onUnloadNowClick();
    void onExitClick();

    NavigationBar *navBar;
    QGroupBox *fraNormal;
    QLabel *lblNormalLocation;
    QLineEdit *txtNormalPath;
    QPushButton *cmdNormalBrowse;
    QPushButton *cmdNormalSave;
    QPushButton *cmdNormalNone;
    QGroupBox *fraNtStyle;
    QLabel *lblNtLocation;
    QLineEdit *txtNtPath;
    QPushButton *cmdNtBrowse;
    QPushButton *cmdNtSave;
    QPushButton *cmdNtNone;
    QGroupBox *fraTray;
    QCheckBox *chkTrayIcon;
    LinkLabel *lblLoadNow;
    LinkLabel *lblUnloadNow;
    QGroupBox *fraTextEditor;
    LinkLabel *lblEditText;
    QLabel *lblEditNote;
    QPushButton *cmdExit;
    QLabel *lblTrayState; // hidden: the tray setting's current text

protected:
    void onLoad() override;
    // The screen has no close button: it is left by "&Exit" or the
    // navigation bar, never by the window manager's close, which would leave
    // the program running with its pages hidden.
    bool acceptsCloseRequest() const override { return false; }

private:
    void Browse(QLineEdit *pathBox, bool normalLock);
};
