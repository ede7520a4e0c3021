#include "intruderlog/frmPrtDlg.h"

#include "rules/LogFile.h"
#include "intruderlog/frmPrinting.h"
#include "ui/MakerContacts.h"
#include "ui/ScreenKit.h"

#include <QKeyEvent>

using namespace ui;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::RegistryRoot;
using platform::RegistryString;

const QString frmPrtDlg::kPrintersKey = QStringLiteral("System\\CurrentControlSet\\Control\\Print\\Printers");

namespace {

const QString kDefaultReady = QStringLiteral("Default printer; Ready");
const QString kReady = QStringLiteral("Ready");

QLabel *FieldLabel(const QString &text, QWidget *parent, int left, int top, int width = 60)
{
    QLabel *label = Caption(text, parent, Verdana(8));
    label->setGeometry(left, top, width, 20);
    return label;
}

QString PortKey(const QString &printerName)
{
    return frmPrtDlg::kPrintersKey + "\\" + printerName;
}

} // namespace

frmPrtDlg::frmPrtDlg() : Form(CaptionOnlyWindow() | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setWindowTitle(QStringLiteral("Printer Settings - Gardlock 2001"));
    setFixedSize(440, 330);

    Caption(QStringLiteral("Printer Settings"), this, Verdana(12, true), kNavy)->setGeometry(12, 8, 300, 26);
    Caption(QStringLiteral("Read the settings below and make any changes that you want."), this, Verdana(8),
            kDarkGrey)
        ->setGeometry(12, 36, 416, 20);

    fraPrinter = new QGroupBox(QStringLiteral("Printer"), this);
    fraPrinter->setGeometry(12, 62, 416, 120);
    FieldLabel(QStringLiteral("Name:"), fraPrinter, 12, 26);
    cbxPrinters = new QComboBox(fraPrinter);
    cbxPrinters->setEditable(true);
    cbxPrinters->setInsertPolicy(QComboBox::NoInsert); // typing never adds a printer
    cbxPrinters->setGeometry(76, 24, 220, 24);
    cmdPropert = new QPushButton(QStringLiteral("&Properties"), fraPrinter);
    cmdPropert->setGeometry(306, 22, 98, 28);
    FieldLabel(QStringLiteral("Status:"), fraPrinter, 12, 60);
    lblStatus = Caption(kDefaultReady, fraPrinter, Verdana(8));
    lblStatus->setGeometry(76, 60, 328, 20);
    FieldLabel(QStringLiteral("Port:"), fraPrinter, 12, 86);
    lblPort = Caption(QString(), fraPrinter, Verdana(8));
    lblPort->setGeometry(76, 86, 328, 20);

    fraPrint = new QGroupBox(QStringLiteral("Print"), this);
    fraPrint->setGeometry(12, 190, 150, 84);
    optAll = new QRadioButton(QStringLiteral("All"), fraPrint);
    optAll->setGeometry(12, 30, 120, 22);
    optAll->setChecked(true);

    fraCopies = new QGroupBox(QStringLiteral("Copies"), this);
    fraCopies->setGeometry(172, 190, 256, 84);
    FieldLabel(QStringLiteral("Number of copies:"), fraCopies, 12, 34, 120);
    txtCopies = new TextBox(fraCopies, 9);
    txtCopies->setText(QStringLiteral("1"));
    txtCopies->setGeometry(136, 32, 60, 24);
    VScroll1 = new QScrollBar(Qt::Vertical, fraCopies);
    VScroll1->setRange(-9, -1);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(1);
    VScroll1->setValue(-1);
    VScroll1->setGeometry(198, 28, 18, 32);

    CmdOK = new QPushButton(QStringLiteral("&OK"), this);
    CmdOK->setGeometry(236, 288, 92, 28);
    CmdOK->setAutoDefault(false);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(336, 288, 92, 28);
    cmdCancel->setAutoDefault(false);

    txtCopies->installEventFilter(this);
    connect(cbxPrinters, &QComboBox::activated, this, [this] { onPrintersClick(); });
    connect(cmdPropert, &QPushButton::clicked, this, &frmPrtDlg::onPropertiesClick);
    connect(VScroll1, &QScrollBar::valueChanged, this, &frmPrtDlg::onScrollChange);
    connect(CmdOK, &QPushButton::clicked, this, &frmPrtDlg::onOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrtDlg::onCancelClick);
    KeepMouseMovesLocal(this);
    CentreOnScreen();
}

QString frmPrtDlg::RegistryStringRead(RegistryRoot root, const QString &key, const QString &valueName)
{
    const RegistryString read = platform::printSystem().QueryRegistryString(root, key, valueName);
    switch (read.status) {
    case RegistryString::Status::NoKey:
        return QString();
    case RegistryString::Status::NotString:
        return QStringLiteral("--Not String--");
    case RegistryString::Status::Text:
        break;
    }
    // The value is queried into 256 bytes, its ending NUL included.
    if (read.text.toLocal8Bit().size() + 1 > 256)
        return QStringLiteral("--Not String--");
    return read.text;
}

void frmPrtDlg::onLoad()
{
    platform::PrintSystem &printers = platform::printSystem();
    // The text starts as the registry's default printer, and becomes the
    // current printer's name when the list holds it. It is set once the list
    // is filled: adding to an empty list would put the first name in the box.
    QString text = RegistryStringRead(RegistryRoot::CurrentConfig, kPrintersKey, QStringLiteral("Default"));
    const QString current = printers.CurrentPrinter();
    for (const QString &name : printers.PrinterNames()) {
        cbxPrinters->addItem(name);
        if (name == current)
            text = name;
    }
    defaultPrinterName = current;
    cbxPrinters->setCurrentIndex(cbxPrinters->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    cbxPrinters->setEditText(text);
    lblPort->setText(RegistryStringRead(RegistryRoot::LocalMachine, PortKey(cbxPrinters->currentText()),
                                        QStringLiteral("Port")));
    logText = log_file::ReadLogText().value_or(QString());
}

void frmPrtDlg::onPrintersClick()
{
    platform::PrintSystem &printers = platform::printSystem();
    const QString text = cbxPrinters->currentText();
    for (const QString &name : printers.PrinterNames()) {
        if (name == text) {
            printers.SetCurrentPrinter(name);
            break;
        }
    }
    lblStatus->setText(text == defaultPrinterName ? kDefaultReady : kReady);
    lblPort->setText(RegistryStringRead(RegistryRoot::LocalMachine, PortKey(text), QStringLiteral("Port")));
}

void frmPrtDlg::onPropertiesClick()
{
    platform::PrintSystem &printers = platform::printSystem();
    // The current printer, not the text in the box.
    if (!printers.ShowPrinterProperties(printers.CurrentPrinter(), this))
        MsgBox(QStringLiteral("Fail opening printer!"), MsgButtons::OK, MsgIcon::Critical,
               QStringLiteral(" Properties"), this);
}

void frmPrtDlg::onCopiesGotFocus()
{
    // After the click that gave the focus has placed the cursor.
    QTimer::singleShot(0, txtCopies, &QLineEdit::selectAll);
}

bool frmPrtDlg::onCopiesKeyPress(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return true; // moves the focus; never reaches the box as a character
    QString typed = event->text();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        typed = QString(QChar(0)); // Enter becomes the null key, refused below like any non-digit
    if (typed.isEmpty())
        return true; // keys that type nothing (arrows, Delete, Home) are not key presses
    if (typed == QStringLiteral("\b"))
        return true;
    if (typed.size() == 1 && typed[0] >= '0' && typed[0] <= '9')
        return true;
    MsgBox(QStringLiteral("Only numbers accepted"), MsgButtons::OK, MsgIcon::Critical,
           QStringLiteral(" \u00A1Error!"), this);
    return false;
}

void frmPrtDlg::onScrollChange(int value)
{
    txtCopies->setText(QString::number(-value));
}

long frmPrtDlg::CopiesValue(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = qMin<long>(value * 10 + (text[i].unicode() - '0'), 1000000000L); // only "too many" matters
    return negative ? -value : value;
}

void frmPrtDlg::onOkClick()
{
    const long copies = CopiesValue(txtCopies->text());
    const long maxCopies = -VScroll1->minimum();
    if (copies <= 0 || copies > maxCopies) {
        MsgBox(QStringLiteral("You entered an invalid number of copies.\nEnter a number between 1-9"),
               MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Invalid number of copies"), this);
        txtCopies->setFocus();
        return;
    }

    // The dialog goes before anything is printed; the "printing..." window
    // is owned by the screen the dialog stood on, since the dialog is gone.
    QWidget *owner = parentWidget();
    Unload();
    Forms::Get<frmPrinting>().ShowModal(owner);

    const QString text = QStringLiteral("Gardlock 2001\n") + QString(20, QChar('_')) + QStringLiteral("\n") +
                         log_file::ReadLogText().value_or(QString()) + QStringLiteral("\n");
    // The number of copies the user entered and the dialog validated is the
    // number printed.
    if (!platform::printSystem().PrintText(text, int(copies))) {
        MsgBox(QStringLiteral(
                   "The log file cannot be printed because the printer is not ready.\nPlease check if "
                   "your printer is turned on. If your printer is on, the printer drivers maybe "
                   "corrupted or the printer drivers were not installed correctly. If this problem "
                   "persists contact the software developer (") +
                   maker::kSupportEmail + QStringLiteral(") of this program.\nSupport E-mail: ") +
                   maker::kSupportEmail,
               MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Corvane Printer Service"), owner);
    }
}

void frmPrtDlg::onCancelClick()
{
    Unload();
}

bool frmPrtDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtCopies) {
        if (event->type() == QEvent::FocusIn)
            onCopiesGotFocus();
        if (event->type() == QEvent::KeyPress && !onCopiesKeyPress(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return Form::eventFilter(watched, event);
}
