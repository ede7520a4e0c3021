#pragma once
// The print dialog of the Log Viewer: pick one of the installed printers,
// open its properties, enter a number of copies (1 to 9) and print the
// intruder log as plain text under a two-line heading.

#include "platform/Printing.h"
#include "ui/Form.h"
#include "ui/WindowServices.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

class frmPrtDlg : public Form {
    Q_OBJECT
public:
    frmPrtDlg();

    static const QString kPrintersKey; // "System\CurrentControlSet\Control\Print\Printers"

    // Events, in the order the screen handles them.
    void onPrintersClick(); // a name chosen from the list
    void onPropertiesClick();
    void onCopiesGotFocus();
    // A key typed into txtCopies; false when it is refused (it never reaches the box).
    bool onCopiesKeyPress(QKeyEvent *event);
    void onScrollChange(int value);
    void onOkClick();
    void onCancelClick();

    // The printer value read: "" when the key cannot be opened,
    // "--Not String--" when the value is missing, not a string, or longer than
    // its 256-byte buffer; else the value.
    static QString RegistryStringRead(platform::RegistryRoot root, const QString &key,
                                      const QString &valueName);
    // The leading number of a text, as the original's Val() reads it: an
    // empty or non-numeric text reads as 0.
    static long CopiesValue(const QString &text);

    QGroupBox *fraPrinter;
    QComboBox *cbxPrinters;
    QPushButton *cmdPropert;
    QLabel *lblStatus;
    QLabel *lblPort;
    QGroupBox *fraPrint;
    QRadioButton *optAll;
    QGroupBox *fraCopies;
    TextBox *txtCopies;
    QScrollBar *VScroll1;
    QPushButton *CmdOK;
    QPushButton *cmdCancel;

    QString defaultPrinterName; // the current printer's name when the dialog loaded
    QString logText;            // the log as it was when the dialog loaded

protected:
    void onLoad() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
