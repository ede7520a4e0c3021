// Options: the tray setting's load rules, the check box, Save and None, the
// way to the image browser and back, navigation losing an unsaved path, and
// a settings store that cannot be written.

#include "options/EditTextNT.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "platform/autostart/RegStuff.h"
#include "platform/storage/Settings.h"
#include "options/Options.h"
#include "options/frmImageBrowser.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Sandbox.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace testing_support;

namespace {

class OptionsTest : public SandboxTest {
protected:
    void TearDown() override
    {
        DeleteTrayIcon();
        SandboxTest::TearDown();
    }
    Options &Open()
    {
        Options &form = Forms::Get<Options>();
        form.show();
        return form;
    }
    // Lets a deferred unload finish.
    static void Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString StoreFile() const { return configHome() + "/DW2001.conf"; }
    bool Stored(const char *key) const
    {
        return QSettings(StoreFile(), QSettings::IniFormat).contains(QString("Options/") + key);
    }
    static bool TrayEntry() { return HasStartupEntry(StartupList::Run, startup_commands::kTrayIcon); }
    QString Picture(const QString &name, QColor colour) const
    {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = driveC() + "/" + name;
        EXPECT_TRUE(image.save(path));
        return path;
    }
};

TEST_F(OptionsTest, TraySettingLoadRules)
{
    struct Case {
        const char *name;
        const char *stored; // null: no value at all
        bool ticked;
        const char *after; // null: still no value
        bool entry;
    } cases[] = {
        {"missing", nullptr, false, nullptr, false},
        {"Disabled", "Disabled", false, "Disabled", false},
        {"lower case", "disabled", true, "Enabled", true},
        {"upper case", "DISABLED", true, "Enabled", true},
        {"Enabled", "Enabled", true, "Enabled", true},
        {"garbage", "sure, why not", true, "Enabled", true},
        {"empty", "", true, "Enabled", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.stored) {
            ASSERT_TRUE(settings::Write(settings::TrayIcon, c.stored));
        }
        Options &form = Open();
        EXPECT_EQ(form.chkTrayIcon->isChecked(), c.ticked);
        EXPECT_EQ(Stored("TrayIcon"), c.after != nullptr);
        if (c.after) {
            EXPECT_EQ(settings::Read(settings::TrayIcon), c.after);
            EXPECT_EQ(form.lblTrayState->text(), c.after);
        }
        EXPECT_EQ(TrayEntry(), c.entry);
        EXPECT_TRUE(form.lblTrayState->isHidden());
    }
}

TEST_F(OptionsTest, TickingPlacesTheRunEntryAndUntickingRemovesItWithoutTouchingTheIcon)
{
    Options &form = Open();
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Enabled");
    EXPECT_TRUE(TrayEntry());
    EXPECT_EQ(TrayIconCount(), 0);
    QTest::mouseClick(form.lblLoadNow, Qt::LeftButton);
    EXPECT_EQ(TrayIconCount(), 1);
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Disabled");
    EXPECT_FALSE(TrayEntry());
    EXPECT_EQ(TrayIconCount(), 1);
    // Other run entries are not this box's business.
    ASSERT_TRUE(AddRunStartup(startup_commands::RestartEntry(LockKind::Normal)));
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    EXPECT_TRUE(HasStartupEntry(StartupList::Run, startup_commands::RestartEntry(LockKind::Normal)));
    QTest::mouseClick(form.lblUnloadNow, Qt::LeftButton);
    QTest::mouseClick(form.lblUnloadNow, Qt::LeftButton);
    EXPECT_EQ(TrayIconCount(), 0);
    EXPECT_TRUE(dialogs().boxes.empty());
}

// A choice that did not take is told in a message box; nothing else changes.
TEST_F(OptionsTest, ATrayEntryThatCannotBeWrittenIsTold)
{
    Options &form = Open();
    QDir().mkpath(configHome());
    WriteBytes(StartupFolder(), "not a folder");
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_TRUE(dialogs().boxes[0].text.contains("could not be set to load with your session"));
    EXPECT_TRUE(dialogs().boxes[0].text.contains(StartupFolder()));
    EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(settings::Read(settings::TrayIcon), "Enabled"); // the setting itself was stored
    EXPECT_EQ(TrayIconCount(), 0);
    // Unticking: there is no entry, so nothing failed.
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    EXPECT_EQ(dialogs().boxes.size(), 1u);
}

TEST_F(OptionsTest, SaveAndNoneWriteOnlyTheirOwnFrame)
{
    struct Case {
        const char *name;
        QLineEdit *Options::*box;
        QPushButton *Options::*save;
        QPushButton *Options::*none;
        settings::Setting mine, other;
    } cases[] = {
        {"Normal", &Options::txtNormalPath, &Options::cmdNormalSave, &Options::cmdNormalNone,
         settings::Background1, settings::Background2},
        {"NT style", &Options::txtNtPath, &Options::cmdNtSave, &Options::cmdNtNone, settings::Background2,
         settings::Background1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(settings::Write(c.other, "C:\\other.bmp"));
        Options &form = Open();
        // Stored exactly as typed, with no check that it names a picture.
        (form.*c.box)->setText("  C:\\no such folder\\x.gif ");
        EXPECT_EQ(settings::Read(c.mine), "");
        QTest::mouseClick(form.*c.save, Qt::LeftButton);
        EXPECT_EQ(settings::Read(c.mine), "  C:\\no such folder\\x.gif ");
        QTest::mouseClick(form.*c.none, Qt::LeftButton);
        EXPECT_EQ((form.*c.box)->text(), "");
        EXPECT_TRUE(Stored(c.mine.key));
        EXPECT_EQ(settings::Read(c.mine), "");
        EXPECT_EQ(settings::Read(c.other), "C:\\other.bmp");
        form.Unload();
        Settle();
        EXPECT_EQ((Open().*c.box)->text(), "");
        Forms::Get<Options>().Unload();
        Settle();
        ASSERT_TRUE(settings::Write(c.other, ""));
    }
}

TEST_F(OptionsTest, NavigationUnloadsOptionsAndLosesAnUnsavedPath)
{
    struct Case {
        Page target;
        std::function<bool()> shown;
    } cases[] = {
        {Page::Home, [] { return Forms::IsLoaded<frmMain>() && Forms::Get<frmMain>().isVisible(); }},
        {Page::PasswordSettings,
         [] { return Forms::IsLoaded<frmPassword>() && Forms::Get<frmPassword>().isVisible(); }},
        {Page::ViewLog,
         [] { return Forms::IsLoaded<frmLogViewer>() && Forms::Get<frmLogViewer>().isVisible(); }},
        {Page::ProtectDesktop,
         [] { return Forms::IsLoaded<frmProtection>() && Forms::Get<frmProtection>().isVisible(); }},
    };
    ASSERT_TRUE(settings::Write(settings::Background1, "C:\\old.bmp"));
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.target));
        Options &form = Open();
        EXPECT_EQ(form.txtNormalPath->text(), "C:\\old.bmp");
        form.txtNormalPath->setText("C:\\new.bmp");
        form.navBar->Navigate(c.target);
        Settle();
        EXPECT_FALSE(Forms::IsLoaded<Options>());
        EXPECT_TRUE(c.shown());
        EXPECT_EQ(settings::Read(settings::Background1), "C:\\old.bmp");
        Forms::DestroyAll();
        Settle();
    }
    EXPECT_TRUE(session().endings.empty());

    Options &form = Open();
    QTest::mouseClick(form.navBar->lblHelp, Qt::LeftButton);
    EXPECT_EQ(launcher().opened, QStringList{"index.htm"});
    EXPECT_TRUE(form.isVisible());
}

TEST_F(OptionsTest, BrowseShowsTheFramesAcceptButtonPathAndPreview)
{
    const QString red = Picture("red.bmp", Qt::red);
    ASSERT_TRUE(settings::Write(settings::Background1, red));
    ASSERT_TRUE(settings::Write(settings::Background2, "C:\\nothing here.bmp"));
    Options &form = Open();

    QTest::mouseClick(form.cmdNormalBrowse, Qt::LeftButton);
    frmImageBrowser *browser = Forms::IfLoaded<frmImageBrowser>();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_FALSE(browser->IsModalShowing());
    EXPECT_TRUE(browser->cmdAccept1->isVisible());
    EXPECT_FALSE(browser->cmdAccept2->isVisible());
    EXPECT_EQ(browser->lblChosenPath->text(), red);
    EXPECT_TRUE(browser->FileImage->HasPicture());

    // The NT-style frame's path names nothing: the preview stays, silently.
    const QImage shown = browser->FileImage->Picture();
    QTest::mouseClick(form.cmdNtBrowse, Qt::LeftButton);
    EXPECT_EQ(Forms::IfLoaded<frmImageBrowser>(), browser);
    EXPECT_FALSE(browser->cmdAccept1->isVisible());
    EXPECT_TRUE(browser->cmdAccept2->isVisible());
    EXPECT_EQ(browser->lblChosenPath->text(), "C:\\nothing here.bmp");
    EXPECT_EQ(browser->FileImage->Picture(), shown);

    // A folder in the box: the same.
    form.txtNtPath->setText(driveC());
    QTest::mouseClick(form.cmdNtBrowse, Qt::LeftButton);
    EXPECT_EQ(browser->FileImage->Picture(), shown);
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_EQ(dialogs().beeps, 0);

    // An empty box empties the preview.
    form.txtNtPath->clear();
    QTest::mouseClick(form.cmdNtBrowse, Qt::LeftButton);
    EXPECT_FALSE(browser->FileImage->HasPicture());
}

TEST_F(OptionsTest, AcceptFillsOnlyItsOwnBoxAndSavesNothing)
{
    struct Case {
        const char *name;
        QPushButton *frmImageBrowser::*accept;
        QLineEdit *Options::*filled;
        QLineEdit *Options::*untouched;
    } cases[] = {
        {"first", &frmImageBrowser::cmdAccept1, &Options::txtNormalPath, &Options::txtNtPath},
        {"second", &frmImageBrowser::cmdAccept2, &Options::txtNtPath, &Options::txtNormalPath},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Options &form = Open();
        form.txtNormalPath->setText("normal");
        form.txtNtPath->setText("nt");
        QTest::mouseClick(c.accept == &frmImageBrowser::cmdAccept1 ? form.cmdNormalBrowse : form.cmdNtBrowse,
                          Qt::LeftButton);
        frmImageBrowser &browser = Forms::Get<frmImageBrowser>();
        browser.lblChosenPath->setText("C:\\\\chosen.bmp");
        QTest::mouseClick(browser.*c.accept, Qt::LeftButton);
        Settle();
        EXPECT_FALSE(Forms::IsLoaded<frmImageBrowser>());
        EXPECT_EQ((form.*c.filled)->text(), "C:\\\\chosen.bmp");
        EXPECT_NE((form.*c.untouched)->text(), "C:\\\\chosen.bmp");
        EXPECT_FALSE(Stored("Background1"));
        EXPECT_FALSE(Stored("Background2"));
    }
}

TEST_F(OptionsTest, AcceptAfterOptionsWentAwayFillsAFreshHiddenOptions)
{
    ASSERT_TRUE(settings::Write(settings::Background2, "C:\\saved.bmp"));
    Options &form = Open();
    form.txtNtPath->setText("unsaved");
    QTest::mouseClick(form.cmdNormalBrowse, Qt::LeftButton);
    form.navBar->Navigate(Page::Home);
    Settle();
    ASSERT_FALSE(Forms::IsLoaded<Options>());
    frmImageBrowser &browser = Forms::Get<frmImageBrowser>();
    EXPECT_TRUE(browser.isVisible());
    browser.lblChosenPath->setText("C:\\Windows\\sky.bmp");
    browser.onAccept1Click();
    Options *fresh = Forms::IfLoaded<Options>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->isVisible());
    EXPECT_EQ(fresh->txtNormalPath->text(), "C:\\Windows\\sky.bmp");
    EXPECT_EQ(fresh->txtNtPath->text(), "C:\\saved.bmp");
}

TEST_F(OptionsTest, CancelInTheBrowserLeavesThePathBox)
{
    Picture("sky.bmp", Qt::blue);
    Options &form = Open();
    form.txtNormalPath->setText("kept");
    QTest::mouseClick(form.cmdNormalBrowse, Qt::LeftButton);
    frmImageBrowser &browser = Forms::Get<frmImageBrowser>();
    browser.lblChosenPath->setText("C:\\\\sky.bmp");
    QTest::mouseClick(browser.cmdCancel, Qt::LeftButton);
    Settle();
    EXPECT_FALSE(Forms::IsLoaded<frmImageBrowser>());
    EXPECT_EQ(form.txtNormalPath->text(), "kept");
}

TEST_F(OptionsTest, EditTextOpensTheEditorCloseIsRefusedAndExitEndsTheProgram)
{
    Options &form = Open();
    QTest::mouseClick(form.lblEditText, Qt::LeftButton);
    EditTextNT *editor = Forms::IfLoaded<EditTextNT>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->IsModalShowing());
    EXPECT_TRUE(form.isVisible());

    form.close(); // the window manager's close is refused
    Settle();
    EXPECT_TRUE(Forms::IsLoaded<Options>());

    QTest::mouseClick(form.lblLoadNow, Qt::LeftButton);
    ASSERT_EQ(TrayIconCount(), 1);
    QTest::mouseClick(form.cmdExit, Qt::LeftButton);
    EXPECT_EQ(TrayIconCount(), 0);
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

TEST_F(OptionsTest, SettingsStoreThatCannotBeWrittenLeavesAWorkingScreen)
{
    // A folder where the settings file should be: nothing can be read or written.
    ASSERT_TRUE(QDir().mkpath(StoreFile()));
    Options &form = Open();
    EXPECT_EQ(form.txtNormalPath->text(), "");
    EXPECT_FALSE(form.chkTrayIcon->isChecked());
    form.txtNormalPath->setText("C:\\sky.bmp");
    QTest::mouseClick(form.cmdNormalSave, Qt::LeftButton);
    QTest::mouseClick(form.chkTrayIcon, Qt::LeftButton);
    EXPECT_TRUE(TrayEntry());
    // Each choice that did not take is told; the screen goes on working.
    ASSERT_EQ(dialogs().boxes.size(), 2u);
    EXPECT_TRUE(dialogs().boxes[0].text.contains("background picture could not be saved"));
    EXPECT_TRUE(dialogs().boxes[1].text.contains("tray icon setting could not be saved"));
    EXPECT_EQ(settings::Read(settings::Background1), "");
    EXPECT_TRUE(QFileInfo(StoreFile()).isDir());
    form.navBar->Navigate(Page::Home);
    Settle();
    EXPECT_EQ(Open().txtNormalPath->text(), "");
}

} // namespace
