#pragma once
// The image browser: walks drives and folders, filters by picture type,
// previews the clicked file and hands its path to one of Options' path boxes.

#include "options/FileControls.h"
#include "ui/Form.h"
#include "ui/WindowServices.h"

class QComboBox;
class QLabel;
class QPushButton;

class frmImageBrowser : public Form {
    Q_OBJECT
public:
    frmImageBrowser();

    // Events, in the order of the screen's table.
    void onPatternComboClick();
    void onDriveListChange();
    void onDirListChange();
    void onFileListClick();
    void onAccept1Click();
    void onAccept2Click();
    void onCancelClick();

    // The file pattern of a pattern-list entry: the text between its first
    // "(" and its first ")"; the empty text when there is no such pair.
    static QString PatternOf(const QString &entry);

    DriveListBox *DriveList;
    DirListBox *DirList;
    FileListBox *FileList;
    QComboBox *PatternCombo;
    PictureBox *FileImage;
    QLabel *lblNote;
    QPushButton *cmdAccept1; // Normal lock
    QPushButton *cmdAccept2; // NT-style lock
    QPushButton *cmdCancel;
    QLabel *lblChosenPath; // hidden: the chosen full path
    QLabel *lblBrowse[3];

protected:
    void onLoad() override;
};
