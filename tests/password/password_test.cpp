// Password Settings: the first-run form, the Apply rules, the change sequence
// and its refusals, Cancel and the navigation.

#include "rules/IntruderLog.h"
#include "rules/PasswordStore.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "password/frmPasswordCancelled.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QTest>

using namespace testing_support;
using platform::MsgIcon;

namespace {

class PasswordSettingsTest : public SandboxTest {
protected:
    void StorePassword(const QByteArray &fileBytes) { WriteBytes(PasswordFilePath(), fileBytes); }
    frmPassword &Open()
    {
        frmPassword &form = Forms::Get<frmPassword>();
        form.show();
        return form;
    }
    static void Type(frmPassword &form, const QString &old, const QString &set, const QString &confirm)
    {
        form.txtpass3->setText(old);
        form.txtpass1->setText(set);
        form.txtpass2->setText(confirm);
    }
};

TEST_F(PasswordSettingsTest, FirstRunFormHidesTheOldPasswordForMissingAndEmptyFiles)
{
    for (const bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile ? "zero-byte file" : "no file");
        QFile::remove(PasswordFilePath());
        if (emptyFile)
            StorePassword({});
        frmPassword &form = Open();
        EXPECT_TRUE(form.txtpass3->isHidden());
        EXPECT_TRUE(form.lblOld->isHidden());
        EXPECT_TRUE(form.linOld->isHidden());
        EXPECT_TRUE(form.txtpass1->isVisible());
        EXPECT_TRUE(form.txtpass2->isVisible());
        form.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(PasswordSettingsTest, StoredEmptyPasswordShowsTheOldBoxAndAcceptsItEmpty)
{
    StorePassword("\"\"\r\n");
    frmPassword &form = Open();
    EXPECT_TRUE(form.txtpass3->isVisible());
    Type(form, "", "secret", "secret");
    form.onApplyClick();
    EXPECT_EQ(ReadPassword().text, "secret");
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(PasswordSettingsTest, ApplyIsEnabledOnlyForEqualNonEmptyTexts)
{
    struct Case {
        const char *old, *set, *confirm;
        bool enabled;
    } cases[] = {
        {"", "", "", false},           {"", "abc", "", false},    {"", "", "abc", false},
        {"", "abc", "abc", true},      {"", "abc", "ABC", false}, {"", "abc", "abd", false},
        {"wrong", "abc", "abc", true}, {"x", "", "", false},
    };
    frmPassword &form = Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.set) + " / " + c.confirm);
        // Start from the opposite state, so that only the timer's tick can pass the case.
        form.cmdApply->setEnabled(!c.enabled);
        Type(form, c.old, c.set, c.confirm);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.cmdApply->isEnabled() == c.enabled; }, 5000));
    }
}

// Counts the enabled-state changes a widget goes through.
class EnabledChanges : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            ++count;
        return false;
    }
};

TEST_F(PasswordSettingsTest, OkEnablerWritesTheStateOnlyWhenItChanges)
{
    frmPassword &form = Open();
    form.tmrOkenabler->stop();
    EnabledChanges changes;
    form.cmdApply->installEventFilter(&changes);
    for (int i = 0; i < 5; ++i)
        form.onOkenablerTimer();
    EXPECT_EQ(changes.count, 0);
    Type(form, "", "pw", "pw");
    for (int i = 0; i < 5; ++i)
        form.onOkenablerTimer();
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(form.cmdApply->isEnabled());
}

TEST_F(PasswordSettingsTest, HiddenItsTimerHoldsBackAndApplyIsRightWheneverItShows)
{
    frmPassword &form = Forms::Get<frmPassword>(); // loaded, not shown
    EXPECT_EQ(TimerInterval(form.tmrOkenabler), 3);
    EXPECT_TRUE(form.tmrOkenabler->isActive());
    EXPECT_FALSE(TimerTicking(form.tmrOkenabler));

    form.show();
    EXPECT_TRUE(TimerTicking(form.tmrOkenabler));
    Type(form, "", "pw", "pw");
    ASSERT_EVENTUALLY(form.cmdApply->isEnabled(), 5000);

    // Hiding empties the boxes: Apply goes with them, not a tick later.
    form.hide();
    EXPECT_FALSE(TimerTicking(form.tmrOkenabler));
    EXPECT_FALSE(form.cmdApply->isEnabled());

    // Boxes filled while hidden: nothing ticks until it shows, then at once.
    form.txtpass1->setText("again");
    form.txtpass2->setText("again");
    QTest::qWait(4 * kTimerResolutionMs);
    EXPECT_FALSE(form.cmdApply->isEnabled());
    form.show();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(form.cmdApply->isEnabled());
    EXPECT_TRUE(TimerTicking(form.tmrOkenabler));
}

TEST_F(PasswordSettingsTest, BoxesTakeAtMostFifteenCharactersAndMaskThem)
{
    frmPassword &form = Open();
    for (TextBox *box : {form.txtpass3, form.txtpass1, form.txtpass2}) {
        box->setFocus();
        QTest::keyClicks(box, "1234567890123456");
        EXPECT_EQ(box->text(), "123456789012345");
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
        EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), '-');
    }
}

// Notes, at every message box, whether the intruder log exists yet.
class LogWatchingDialogs : public RecordingDialogs {
public:
    QList<bool> logExisted;
    platform::MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title,
                                   platform::MsgButtons buttons, platform::MsgIcon icon) override
    {
        logExisted << QFile::exists(IntruderLogPath());
        return RecordingDialogs::MessageBox(owner, text, title, buttons, icon);
    }
};

TEST_F(PasswordSettingsTest, WrongOldPasswordBeepsShowsTwoBoxesThenLogsTheOldBoxText)
{
    LogWatchingDialogs watching;
    platform::Services with = testing_support::RecorderServices();
    with.dialogs = &watching;
    platform::install(with);
    StorePassword("\"right\"\r\n");
    frmPassword &form = Open();
    Type(form, "Right", "newpass", "newpass");
    form.onApplyClick();
    ResetRecorders();

    ASSERT_EQ(watching.events,
              QStringList({"beep", "box:Old Password is incorrect.", "box:This action has been logged."}));
    EXPECT_EQ(watching.boxes[0].title, "Cannot change password settings!");
    EXPECT_EQ(watching.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(watching.boxes[1].title, "Gardlock 2001");
    EXPECT_EQ(watching.boxes[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(watching.logExisted, QList<bool>({false, false}));

    const QList<QByteArray> lines = ReadBytes(IntruderLogPath()).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], headings::kPasswordChange.toLatin1() + "\r");
    EXPECT_TRUE(lines[1].startsWith("Right On ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(".\r"));
    EXPECT_EQ(lines[2], "\r");
    EXPECT_EQ(ReadPassword().text, "right");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.txtpass1->text(), "newpass");
}

TEST_F(PasswordSettingsTest, MismatchedNewPasswordsWriteNothing)
{
    StorePassword("\"old\"\r\n");
    frmPassword &form = Open();
    Type(form, "old", "abc", "abd");
    form.onApplyClick();
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_EQ(dialogs().boxes[0].text, "New password cannot be set because the passwords do not match.");
    EXPECT_EQ(dialogs().boxes[0].title, "Password Settings Error!");
    EXPECT_EQ(ReadPassword().text, "old");
    EXPECT_FALSE(QFile::exists(IntruderLogPath()));
}

TEST_F(PasswordSettingsTest, PasswordsTheFileCannotCarryAreRefusedBeforeAnythingIsWritten)
{
    struct Case {
        QString password;
        bool stored; // a password file existed before
    } cases[] = {
        {"ab\"cd", true},
        {"ab\"cd", false},
        {QString::fromUtf8("дом"), true},
        {QString::fromUtf8("日本"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        ResetRecorders();
        Forms::DestroyAll();
        QFile::remove(PasswordFilePath());
        if (c.stored)
            StorePassword("\"old\"\r\n");
        frmPassword &form = Open();
        Type(form, c.stored ? "old" : "", c.password, c.password);
        form.onApplyClick();
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_EQ(dialogs().boxes[0].text, PasswordEntryProblem(c.password));
        EXPECT_FALSE(dialogs().boxes[0].text.isEmpty());
        EXPECT_EQ(QFile::exists(PasswordFilePath()), c.stored);
        if (c.stored) {
            EXPECT_EQ(ReadBytes(PasswordFilePath()), "\"old\"\r\n");
        }
        EXPECT_TRUE(form.isVisible());
    }
}

TEST_F(PasswordSettingsTest, WindowsCharactersOutsideAsciiAreAccepted)
{
    frmPassword &form = Open();
    const QString password = QString::fromUtf8("café€");
    Type(form, "", password, password);
    form.onApplyClick();
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(ReadPassword().text, password);
}

TEST_F(PasswordSettingsTest, FirstPasswordIsStoredAndProtectionModesFollowWithoutAMessage)
{
    frmPassword &form = Open();
    ASSERT_TRUE(form.txtpass3->isHidden());
    Type(form, "", "first", "first");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.cmdApply->isEnabled(); }, 5000));
    QTest::keyClick(form.txtpass2, Qt::Key_Return);

    EXPECT_EQ(ReadBytes(PasswordFilePath()), "\"first\"\r\n");
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Forms::IsLoaded<frmPassword>());
    ASSERT_TRUE(Forms::IsLoaded<frmProtection>());
    EXPECT_TRUE(Forms::Get<frmProtection>().isVisible());
    EXPECT_EQ(shell().calls, QStringList({"EnableSystemKeys", "ShowTrayArea", "ShowTaskBar"}));
    // The next opening loads afresh and now asks for the old password.
    EXPECT_TRUE(Open().txtpass3->isVisible());
}

TEST_F(PasswordSettingsTest, UnreadablePasswordFileLeavesEverythingAsItWas)
{
    // A folder where the file should be cannot be read, not even by root.
    ASSERT_TRUE(QDir().mkpath(PasswordFilePath()));
    ASSERT_EQ(ReadPassword().status, PasswordStatus::Unreadable);
    frmPassword &form = Open();
    EXPECT_TRUE(form.txtpass3->isVisible()); // it exists: not the first-run form
    Type(form, "", "new", "new");
    form.onApplyClick();
    EXPECT_TRUE(QFileInfo(PasswordFilePath()).isDir());
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(dialogs().beeps, 0);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(PasswordSettingsTest, CancelAndNavigationLeaveNoTypedPasswordBehind)
{
    StorePassword("\"old\"\r\n");
    frmPassword &form = Open();
    Type(form, "old", "half", "typed");
    form.cmdCancel->click();
    EXPECT_FALSE(form.isVisible());
    frmPasswordCancelled &cancelled = Forms::Get<frmPasswordCancelled>();
    EXPECT_TRUE(cancelled.isVisible());

    cancelled.navBar->lblHome->clicked();
    EXPECT_FALSE(cancelled.isVisible());
    frmMain &main = Forms::Get<frmMain>();
    EXPECT_TRUE(main.isVisible());
    main.lblPasswordSettings->clicked();
    EXPECT_TRUE(form.isVisible());
    for (TextBox *box : {form.txtpass3, form.txtpass1, form.txtpass2})
        EXPECT_TRUE(box->text().isEmpty());

    // Leaving by the navigation bar empties them too, so nobody coming back
    // can set a new password with the old one still typed in.
    Type(form, "old", "new", "new");
    form.navBar->lblProtect->clicked();
    EXPECT_FALSE(form.isVisible());
    for (TextBox *box : {form.txtpass3, form.txtpass1, form.txtpass2})
        EXPECT_TRUE(box->text().isEmpty());
    form.show();
    QTest::qWait(20); // the Apply enabler has run
    EXPECT_FALSE(form.cmdApply->isEnabled());
}

TEST_F(PasswordSettingsTest, CancelledPageExitRemovesTheIconAndEnds)
{
    AddTrayIcon();
    ASSERT_EQ(TrayIconCount(), 1);
    Forms::Get<frmPasswordCancelled>().cmdExit->click();
    EXPECT_EQ(TrayIconCount(), 0);
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

TEST_F(PasswordSettingsTest, NavigationBarOfBothPages)
{
    struct Case {
        const char *label;
        std::function<bool()> targetShown;
    } cases[] = {
        {"Home", [] { return Forms::IsLoaded<frmMain>() && Forms::Get<frmMain>().isVisible(); }},
        {"View log",
         [] { return Forms::IsLoaded<frmLogViewer>() && Forms::Get<frmLogViewer>().isVisible(); }},
        {"Protect Desktop",
         [] { return Forms::IsLoaded<frmProtection>() && Forms::Get<frmProtection>().isVisible(); }},
    };
    for (const bool onCancelled : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.label) + (onCancelled ? " from the cancelled page" : ""));
            Forms::DestroyAll();
            Form *page = onCancelled ? static_cast<Form *>(&Forms::Get<frmPasswordCancelled>())
                                     : static_cast<Form *>(&Forms::Get<frmPassword>());
            page->show();
            NavigationBar *bar = page->findChild<NavigationBar *>();
            LinkLabel *link = std::string(c.label) == "Home"       ? bar->lblHome
                              : std::string(c.label) == "View log" ? bar->lblViewLog
                                                                   : bar->lblProtect;
            QTest::mouseClick(link, Qt::LeftButton);
            EXPECT_FALSE(page->isVisible());
            EXPECT_TRUE(c.targetShown());
        }
        // The page's own name and Help change no page.
        Forms::DestroyAll();
        Form *page = onCancelled ? static_cast<Form *>(&Forms::Get<frmPasswordCancelled>())
                                 : static_cast<Form *>(&Forms::Get<frmPassword>());
        page->show();
        NavigationBar *bar = page->findChild<NavigationBar *>();
        QTest::mouseClick(bar->lblPasswordSettings, Qt::LeftButton);
        QTest::mouseClick(bar->lblHelp, Qt::LeftButton);
        EXPECT_TRUE(page->isVisible());
    }
    EXPECT_EQ(launcher().opened, QStringList({"index.htm", "index.htm"}));
}

TEST_F(PasswordSettingsTest, InformationIconExplainsThePassword)
{
    Open().imgInformation->clicked();
    Information &info = Forms::Get<Information>();
    EXPECT_TRUE(info.isVisible());
    EXPECT_EQ(info.windowTitle(), "Important Information");
    EXPECT_EQ(info.lblHeading->text(), "Password Settings");
    EXPECT_TRUE(info.txtText->toPlainText().startsWith("The password is CASE-sensive."));
}

} // namespace
