// Log printing: the print dialog over a fake print system (printer list,
// current printer, registry values, properties, jobs) and the "printing..."
// window.

#include "support/FakePrintSystem.h"

#include "rules/IntruderLog.h"
#include "intruderlog/frmLogViewer.h"
#include "intruderlog/frmPrinting.h"
#include "intruderlog/frmPrtDlg.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace testing_support;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::RegistryRoot;

namespace {

const QString kKey = QStringLiteral("System\\CurrentControlSet\\Control\\Print\\Printers");
const QString kHeading = QStringLiteral("Gardlock 2001\n____________________\n");

class PrintTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        printers.printers = {"laser", "inkjet", "pdf"};
        printers.current = "inkjet";
        printers.SetValue(RegistryRoot::CurrentConfig, kKey, "Default", "inkjet");
        printers.SetValue(RegistryRoot::LocalMachine, kKey + "\\laser", "Port", "socket://10.0.0.9");
        printers.SetValue(RegistryRoot::LocalMachine, kKey + "\\inkjet", "Port", "usb://Maker/Ink");
        printers.existingKeys << kKey + "\\pdf"; // a printer without a port value
        InstallPrinters();
    }
    void TearDown() override
    {
        SandboxTest::TearDown();
        platform::install(testing_support::RecorderServices());
    }
    // The recorders' services with this fixture's printers; again after any
    // ResetRecorders().
    void InstallPrinters()
    {
        platform::Services with = testing_support::RecorderServices();
        with.printers = &printers;
        platform::install(with);
    }

    frmPrtDlg &Open()
    {
        frmPrtDlg &dialog = Forms::Get<frmPrtDlg>();
        dialog.show();
        return dialog;
    }
    void WriteLog(const QByteArray &bytes) { WriteBytes(IntruderLogPath(), bytes); }
    // Chooses a name from the list, as a click in the drop-down does.
    static void Choose(frmPrtDlg &dialog, const QString &name)
    {
        const int index = dialog.cbxPrinters->findText(name);
        ASSERT_GE(index, 0);
        dialog.cbxPrinters->setCurrentIndex(index);
        Q_EMIT dialog.cbxPrinters->activated(index);
    }
    // Presses OK on a valid number; the "printing..." window is inspected
    // and then closed, as its timer would.
    void PrintWithOk(frmPrtDlg &dialog, std::function<void(frmPrinting &)> inspect = {})
    {
        bool shown = false;
        WhenModal<frmPrinting>([&](frmPrinting &window) {
            shown = true;
            EXPECT_FALSE(Forms::IsLoaded<frmPrtDlg>()); // the dialog goes first
            EXPECT_TRUE(printers.jobs.empty());         // nothing printed while it stands
            if (inspect)
                inspect(window);
        });
        dialog.CmdOK->click();
        EXPECT_TRUE(shown);
    }

    FakePrintSystem printers;
};

TEST_F(PrintTest, DialogCarriesItsControlsAndStartingValues)
{
    frmPrtDlg &dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), "Printer Settings - Gardlock 2001");
    EXPECT_EQ(dialog.fraPrinter->title(), "Printer");
    EXPECT_EQ(dialog.fraPrint->title(), "Print");
    EXPECT_EQ(dialog.fraCopies->title(), "Copies");
    EXPECT_TRUE(dialog.cbxPrinters->isEditable());
    EXPECT_EQ(dialog.cmdPropert->text(), "&Properties");
    EXPECT_EQ(dialog.CmdOK->text(), "&OK");
    EXPECT_EQ(dialog.cmdCancel->text(), "&Cancel");
    EXPECT_FALSE(dialog.CmdOK->isDefault());
    EXPECT_FALSE(dialog.cmdCancel->isDefault());
    EXPECT_EQ(dialog.optAll->text(), "All");
    EXPECT_TRUE(dialog.optAll->isChecked());
    EXPECT_EQ(dialog.txtCopies->text(), "1");
    EXPECT_EQ(dialog.txtCopies->maxLength(), 9);
    EXPECT_EQ(dialog.VScroll1->minimum(), -9);
    EXPECT_EQ(dialog.VScroll1->maximum(), -1);
    EXPECT_EQ(dialog.VScroll1->value(), -1);
    EXPECT_EQ(dialog.VScroll1->orientation(), Qt::Vertical);
    EXPECT_EQ(dialog.lblStatus->text(), "Default printer; Ready");
    QStringList texts;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text();
    for (const char *text :
         {"Printer Settings", "Read the settings below and make any changes that you want.",
          "Name:", "Status:", "Port:", "Number of copies:"})
        EXPECT_TRUE(texts.contains(text)) << text;
}

TEST_F(PrintTest, LoadListsThePrintersAndNamesTheCurrentOneWithItsPort)
{
    frmPrtDlg &dialog = Open();
    QStringList listed;
    for (int i = 0; i < dialog.cbxPrinters->count(); ++i)
        listed << dialog.cbxPrinters->itemText(i);
    EXPECT_EQ(listed, QStringList({"laser", "inkjet", "pdf"}));
    EXPECT_EQ(dialog.cbxPrinters->currentText(), "inkjet");
    EXPECT_EQ(dialog.lblPort->text(), "usb://Maker/Ink");
    EXPECT_EQ(dialog.defaultPrinterName, "inkjet");
}

TEST_F(PrintTest, WithoutACurrentPrinterTheBoxShowsTheRegistrysDefault)
{
    struct Case {
        const char *why;
        std::function<void(FakePrintSystem &)> arrange;
        QString text, port;
    } cases[] = {
        {"default value present",
         [](FakePrintSystem &p) { p.SetValue(RegistryRoot::CurrentConfig, kKey, "Default", "gone"); }, "gone",
         ""},
        {"default value missing", [](FakePrintSystem &p) { p.values.clear(); }, "--Not String--", ""},
        {"no key at all",
         [](FakePrintSystem &p) {
             p.values.clear();
             p.existingKeys.clear();
         },
         "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        Forms::DestroyAll();
        printers.current.clear();
        c.arrange(printers);
        frmPrtDlg &dialog = Open();
        EXPECT_EQ(dialog.cbxPrinters->currentText(), c.text);
        EXPECT_EQ(dialog.lblPort->text(), c.port);
        EXPECT_EQ(dialog.cbxPrinters->count(), 3);
    }
}

TEST_F(PrintTest, RegistryStringReadFollowsThePartsRules)
{
    printers.SetValue(RegistryRoot::LocalMachine, "k", "fits", QString(255, 'p'));
    printers.SetValue(RegistryRoot::LocalMachine, "k", "too long", QString(256, 'p'));
    EXPECT_EQ(frmPrtDlg::RegistryStringRead(RegistryRoot::LocalMachine, "k", "fits"), QString(255, 'p'));
    EXPECT_EQ(frmPrtDlg::RegistryStringRead(RegistryRoot::LocalMachine, "k", "too long"), "--Not String--");
    EXPECT_EQ(frmPrtDlg::RegistryStringRead(RegistryRoot::LocalMachine, "k", "absent"), "--Not String--");
    EXPECT_EQ(frmPrtDlg::RegistryStringRead(RegistryRoot::LocalMachine, "no key", "Port"), "");
}

TEST_F(PrintTest, ChoosingAPrinterMakesItCurrentAndUpdatesStatusAndPort)
{
    frmPrtDlg &dialog = Open();
    Choose(dialog, "laser");
    EXPECT_EQ(printers.current, "laser");
    EXPECT_EQ(dialog.lblStatus->text(), "Ready");
    EXPECT_EQ(dialog.lblPort->text(), "socket://10.0.0.9");
    Choose(dialog, "pdf");
    EXPECT_EQ(dialog.lblPort->text(), "--Not String--");
    Choose(dialog, "inkjet"); // the one that was current when the dialog opened
    EXPECT_EQ(dialog.lblStatus->text(), "Default printer; Ready");
    EXPECT_EQ(dialog.lblPort->text(), "usb://Maker/Ink");
}

TEST_F(PrintTest, ATypedNameThatIsNoPrinterLeavesTheCurrentOne)
{
    frmPrtDlg &dialog = Open();
    dialog.cbxPrinters->setEditText("nosuch");
    dialog.onPrintersClick();
    EXPECT_EQ(printers.current, "inkjet");
    EXPECT_EQ(dialog.lblStatus->text(), "Ready");
    EXPECT_EQ(dialog.lblPort->text(), "");
}

TEST_F(PrintTest, TheChosenPrinterStaysCurrentForTheRestOfTheRun)
{
    Choose(Open(), "laser");
    Forms::Get<frmPrtDlg>().cmdCancel->click();
    EXPECT_FALSE(Forms::IsLoaded<frmPrtDlg>());
    frmPrtDlg &again = Open();
    EXPECT_EQ(again.cbxPrinters->currentText(), "laser");
    EXPECT_EQ(again.defaultPrinterName, "laser");
    EXPECT_EQ(again.lblStatus->text(), "Default printer; Ready");
}

TEST_F(PrintTest, PropertiesOpensTheCurrentPrinterNotTheTextInTheBox)
{
    frmPrtDlg &dialog = Open();
    dialog.cbxPrinters->setEditText("laser"); // typed, not chosen
    QTest::mouseClick(dialog.cmdPropert, Qt::LeftButton);
    EXPECT_EQ(printers.propertiesShown, QStringList{"inkjet"});
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(PrintTest, PropertiesOfAPrinterThatCannotBeOpenedSaySo)
{
    printers.current = "vanished";
    frmPrtDlg &dialog = Open();
    dialog.onPropertiesClick();
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].text, "Fail opening printer!");
    EXPECT_EQ(dialogs().boxes[0].title, " Properties");
    EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs().boxes[0].buttons, MsgButtons::OK);
}

TEST_F(PrintTest, TheCopiesBoxSelectsItsTextWhenItGetsTheFocus)
{
    frmPrtDlg &dialog = Open();
    dialog.activateWindow();
    dialog.txtCopies->setText("123");
    dialog.txtCopies->deselect();
    dialog.CmdOK->setFocus();
    dialog.txtCopies->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.txtCopies->selectedText() == "123"; }, 2000));
}

TEST_F(PrintTest, OnlyDigitsAndBackspaceReachTheCopiesBox)
{
    struct Case {
        Qt::Key key;
        QString typed;
        QString after;
        bool refused;
    } cases[] = {
        {Qt::Key_5, "5", "15", false},       {Qt::Key_0, "0", "10", false},
        {Qt::Key_A, "a", "1", true},         {Qt::Key_Minus, "-", "1", true},
        {Qt::Key_Space, " ", "1", true},     {Qt::Key_Return, "\r", "1", true},
        {Qt::Key_Enter, "\r", "1", true},    {Qt::Key_Backspace, "\b", "", false},
        {Qt::Key_Escape, "\x1b", "1", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Forms::DestroyAll();
        ResetRecorders();
        InstallPrinters();
        frmPrtDlg &dialog = Open();
        dialog.txtCopies->setFocus();
        dialog.txtCopies->setCursorPosition(1);
        QTest::keyClick(dialog.txtCopies, c.key);
        EXPECT_EQ(dialog.txtCopies->text(), c.after);
        if (c.refused) {
            ASSERT_EQ(dialogs().boxes.size(), 1u);
            EXPECT_EQ(dialogs().boxes[0].text, "Only numbers accepted");
            EXPECT_EQ(dialogs().boxes[0].title, QString::fromUtf8(" ¡Error!"));
            EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::Critical);
        } else {
            EXPECT_TRUE(dialogs().boxes.empty());
        }
        EXPECT_TRUE(printers.jobs.empty());
        EXPECT_TRUE(Forms::IsLoaded<frmPrtDlg>());
    }
}

TEST_F(PrintTest, TheSpinnerWritesIntoTheBoxOneWayOnly)
{
    frmPrtDlg &dialog = Open();
    const auto up = [&] { dialog.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub); };
    const auto down = [&] { dialog.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd); };
    up();
    up();
    EXPECT_EQ(dialog.txtCopies->text(), "3");
    down();
    EXPECT_EQ(dialog.txtCopies->text(), "2");
    for (int i = 0; i < 20; ++i)
        up();
    EXPECT_EQ(dialog.txtCopies->text(), "9");

    Forms::DestroyAll();
    frmPrtDlg &fresh = Open();
    fresh.txtCopies->setText("7");
    EXPECT_EQ(fresh.VScroll1->value(), -1); // typing leaves the spinner where it is
    fresh.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(fresh.txtCopies->text(), "2");
}

TEST_F(PrintTest, CopiesValueReadsTheLeadingNumber)
{
    struct Case {
        const char *text;
        long value;
    } cases[] = {{"1", 1},
                 {"9", 9},
                 {"10", 10},
                 {"0", 0},
                 {"", 0},
                 {"abc", 0},
                 {" 3", 3},
                 {"3abc", 3},
                 {"-2", -2},
                 {"007", 7},
                 {"999999999", 999999999}};
    for (const Case &c : cases)
        EXPECT_EQ(frmPrtDlg::CopiesValue(c.text), c.value) << c.text;
}

TEST_F(PrintTest, AnInvalidNumberOfCopiesKeepsTheDialogAndPrintsNothing)
{
    for (const char *copies : {"0", "10", "", "123456789"}) {
        SCOPED_TRACE(copies);
        Forms::DestroyAll();
        ResetRecorders();
        InstallPrinters();
        frmPrtDlg &dialog = Open();
        dialog.txtCopies->setText(copies);
        dialog.CmdOK->setFocus();
        QTest::mouseClick(dialog.CmdOK, Qt::LeftButton);
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_EQ(dialogs().boxes[0].text,
                  "You entered an invalid number of copies.\nEnter a number between 1-9");
        EXPECT_EQ(dialogs().boxes[0].title, "Invalid number of copies");
        EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(Forms::IsLoaded<frmPrtDlg>());
        EXPECT_EQ(dialog.focusWidget(), dialog.txtCopies);
        EXPECT_FALSE(Forms::IsLoaded<frmPrinting>());
        EXPECT_TRUE(printers.jobs.empty());
    }
}

TEST_F(PrintTest, OkPrintsTheHeadingAndTheLogAsItIsAfterThePrintingWindow)
{
    WriteLog("first\r\n");
    frmPrtDlg &dialog = Open();
    EXPECT_EQ(dialog.logText, "first\r\n");
    // A record appended while the dialog is open is in the print.
    ASSERT_TRUE(AppendIntruderRecord(headings::kLock, "late"));
    dialog.txtCopies->setText("3");
    PrintWithOk(dialog, [](frmPrinting &window) {
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.windowTitle().isEmpty());
        EXPECT_EQ(window.lblStatus->text(), "Status:");
        EXPECT_EQ(window.lblPrinting->text(), "printing...");
        EXPECT_EQ(window.cmdCancel->text(), "&Cancel");
        EXPECT_FALSE(window.cmdCancel->isEnabled());
        EXPECT_EQ(window.Timer1->interval(), 3000);
        EXPECT_TRUE(window.Timer1->isActive());
        EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    });
    ASSERT_EQ(printers.jobs.size(), 1u);
    EXPECT_EQ(printers.jobs[0].printer, "inkjet");
    EXPECT_TRUE(printers.jobs[0].text.startsWith(kHeading + "first\r\n" + headings::kLock + "\r\nlate On "));
    EXPECT_TRUE(printers.jobs[0].text.endsWith(".\r\n\r\n\n"));
    EXPECT_EQ(printers.jobs[0].copies, 3);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Forms::IsLoaded<frmPrinting>());
}

TEST_F(PrintTest, WithoutALogFileTheJobCarriesTheHeadingOnly)
{
    frmPrtDlg &dialog = Open();
    EXPECT_TRUE(dialog.logText.isEmpty());
    PrintWithOk(dialog);
    ASSERT_EQ(printers.jobs.size(), 1u);
    EXPECT_EQ(printers.jobs[0].text, kHeading + "\n");
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(PrintTest, AJobTheSpoolerRefusesBringsThePrinterServiceMessage)
{
    for (const bool noPrinter : {false, true}) {
        SCOPED_TRACE(noPrinter ? "no printer installed" : "the spooler refuses");
        Forms::DestroyAll();
        ResetRecorders();
        InstallPrinters();
        if (noPrinter) {
            printers.printers.clear();
            printers.current.clear();
        } else {
            printers.printSucceeds = false;
        }
        PrintWithOk(Open());
        EXPECT_TRUE(printers.jobs.empty());
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_EQ(dialogs().boxes[0].title, "Corvane Printer Service");
        EXPECT_EQ(dialogs().boxes[0].icon, MsgIcon::Exclamation);
        const QStringList lines = dialogs().boxes[0].text.split('\n');
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0], "The log file cannot be printed because the printer is not ready.");
        EXPECT_TRUE(lines[1].startsWith("Please check if your printer is turned on."));
        EXPECT_TRUE(lines[1].endsWith("contact the software developer (support@corvane-technologies.example) "
                                      "of this program."));
        EXPECT_EQ(lines[2], "Support E-mail: support@corvane-technologies.example");
    }
}

TEST_F(PrintTest, CancelPrintsNothing)
{
    QTest::mouseClick(Open().cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(Forms::IsLoaded<frmPrtDlg>());
    EXPECT_FALSE(Forms::IsLoaded<frmPrinting>());
    EXPECT_TRUE(printers.jobs.empty());
}

TEST_F(PrintTest, FromTheViewerThePrintingWindowIsOwnedByIt)
{
    frmLogViewer &viewer = Forms::Get<frmLogViewer>();
    viewer.show();
    WhenModal<frmPrtDlg>([&](frmPrtDlg &dialog) {
        dialog.txtCopies->setText("1");
        PrintWithOk(dialog, [&](frmPrinting &window) { EXPECT_EQ(window.parentWidget(), &viewer); });
    });
    viewer.onPrintClick();
    EXPECT_EQ(printers.jobs.size(), 1u);
    EXPECT_TRUE(viewer.isVisible());
}

TEST_F(PrintTest, ThePrintingWindowStandsForThreeSecondsAndCannotBeClosed)
{
    frmPrinting &window = Forms::Get<frmPrinting>();
    QElapsedTimer shown;
    shown.start();
    QTimer::singleShot(500, [&] {
        EXPECT_FALSE(window.close()); // a close request from the window system is refused
        EXPECT_TRUE(window.isVisible());
    });
    window.ShowModal(nullptr); // returns when the timer has unloaded it
    EXPECT_GE(shown.elapsed(), 3000);
    EXPECT_LT(shown.elapsed(), 6000);
    EXPECT_FALSE(Forms::IsLoaded<frmPrinting>());
}

} // namespace
