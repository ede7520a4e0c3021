#pragma once
// The editor of the NT-style lock's four texts, laid out as a copy of the
// lock box: the caption drawn as a title bar and the three lines under it.

#include "ui/Form.h"

struct NtLockTexts;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class EditTextNT : public Form {
    Q_OBJECT
public:
    EditTextNT();

protected:
    void onLoad() override;

private:
    void onDefaultClicked();
    void onClearClicked();
    void onCancelClicked();
    void onSaveClicked();

    void PutTexts(const NtLockTexts &texts);
    NtLockTexts BoxTexts() const;

    QLabel *lblHeading;
    QLabel *lblExplanation;
    QLineEdit *txtCaption;
    QLabel *imgIcon;
    QLineEdit *txtLine1;
    QPlainTextEdit *txtLine2;
    QPlainTextEdit *txtLine3;
    QPushButton *cmdDefault;
    QPushButton *cmdClear;
    QPushButton *cmdCancel;
    QPushButton *cmdSave;
};
