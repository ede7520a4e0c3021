// The main screen: first run, links, hover highlight, the tray link, the
// single-instance guard and the exit.

#include "rules/PasswordStore.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "platform/ProcessFacts.h"
#include "platform/instance/InstanceGuard.h"
#include "options/Options.h"
#include "mainscreen/frmAbout.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/Information.h"
#include "ui/MakerContacts.h"
#include "ui/NavigationBar.h"
#include "ui/frmRequest.h"
#include "ui/modTrayIcon.h"
#include "updates/frmOnlineUpdate.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>

using namespace testing_support;
using platform::MsgIcon;

namespace {

class MainScreenTest : public SandboxTest {
protected:
    void TearDown() override
    {
        DeleteTrayIcon();
        SandboxTest::TearDown();
    }
    frmMain &Open()
    {
        frmMain &form = Forms::Get<frmMain>();
        form.show();
        return form;
    }
    template <class T> static bool Shown() { return Forms::IsLoaded<T>() && Forms::Get<T>().isVisible(); }
};

TEST_F(MainScreenTest, StartWithoutPasswordFileWelcomesAndOpensTheFirstRunForm)
{
    frmMain &main = Open();
    QTest::mouseClick(main.lblStart, Qt::LeftButton);
    EXPECT_FALSE(main.isVisible());
    ASSERT_TRUE(Shown<frmPassword>());
    EXPECT_TRUE(Forms::Get<frmPassword>().txtpass3->isHidden());
    EXPECT_EQ(Forms::Get<frmPassword>().parentWidget(), &main);
    ASSERT_TRUE(Shown<Information>());
    Information &info = Forms::Get<Information>();
    EXPECT_EQ(info.windowTitle(), "Welcome to Gardlock 2001");
    EXPECT_EQ(info.lblHeading->text(), "Welcome!");
    EXPECT_TRUE(info.txtText->toPlainText().startsWith("Welcome to Gardlock 2001. This is the first time"));
    EXPECT_TRUE(info.txtText->toPlainText().endsWith("click the one that says 'Password Settings'."));
    EXPECT_TRUE(dialogs().boxes.empty());
    EXPECT_FALSE(Forms::IsLoaded<frmProtection>());
}

TEST_F(MainScreenTest, NextWithoutPasswordFileExplainsInTwoLinesAndShowsNoWelcome)
{
    frmMain &main = Open();
    main.cmdNext->click();
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    const RecordedBox &box = dialogs().boxes[0];
    EXPECT_EQ(box.title, "Password Settings");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
    EXPECT_EQ(box.text, QString("You have not set a password.\nYou must set a password now in order to use "
                                "and apply the protection features this program has. Click the OK "
                                "button to set a password now."));
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(Shown<frmPassword>());
    EXPECT_FALSE(Forms::IsLoaded<Information>());
    EXPECT_EQ(dialogs().beeps, 0);
}

TEST_F(MainScreenTest, AnEmptyPasswordFileCountsAsSetForStartAndNext)
{
    WriteBytes(PasswordFilePath(), {});
    for (const bool viaStart : {true, false}) {
        SCOPED_TRACE(viaStart ? "Start" : "Next");
        Forms::DestroyAll();
        frmMain &main = Open();
        if (viaStart)
            QTest::mouseClick(main.lblStart, Qt::LeftButton);
        else
            main.cmdNext->click();
        EXPECT_FALSE(main.isVisible());
        EXPECT_TRUE(Shown<frmProtection>());
        EXPECT_FALSE(Forms::IsLoaded<frmPassword>());
    }
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(MainScreenTest, TheFirstRunCheckKeepsNothingOfThePasswordFile)
{
    WriteBytes(PasswordFilePath(), "\"s3cret\"\r\n");
    frmMain &main = Open();
    main.cmdNext->click();
    EXPECT_TRUE(Shown<frmProtection>());
    for (QWidget *child : main.findChildren<QWidget *>()) {
        QString held;
        if (auto *edit = qobject_cast<QTextEdit *>(child))
            held = edit->toPlainText();
        else if (auto *line = qobject_cast<QLineEdit *>(child))
            held = line->text();
        else if (auto *label = qobject_cast<QLabel *>(child))
            held = label->text();
        EXPECT_FALSE(held.contains("s3cret")) << child->metaObject()->className();
    }
}

TEST_F(MainScreenTest, LinksAndTheirIconsHideThisScreenAndShowTheirTarget)
{
    // No password file: the Protection Modes links never run the first-run check.
    struct Case {
        const char *name;
        std::function<LinkLabel *(frmMain &)> link;
        std::function<bool()> shown;
    } cases[] = {
        {"Password Settings", [](frmMain &m) { return m.lblPasswordSettings; },
         [] { return Shown<frmPassword>(); }},
        {"its icon", [](frmMain &m) { return m.imgPasswordSettings; }, [] { return Shown<frmPassword>(); }},
        {"Protection Modes", [](frmMain &m) { return m.lblProtectionModes; },
         [] { return Shown<frmProtection>(); }},
        {"its icon", [](frmMain &m) { return m.imgProtectionModes; }, [] { return Shown<frmProtection>(); }},
        {"Protection Modes |", [](frmMain &m) { return m.navBar->lblProtect; },
         [] { return Shown<frmProtection>(); }},
        {"Options", [](frmMain &m) { return m.lblOptions; }, [] { return Shown<Options>(); }},
        {"its icon", [](frmMain &m) { return m.imgOptions; }, [] { return Shown<Options>(); }},
        {"View log", [](frmMain &m) { return m.lblViewLog; }, [] { return Shown<frmLogViewer>(); }},
        {"its icon", [](frmMain &m) { return m.imgViewLog; }, [] { return Shown<frmLogViewer>(); }},
        {"View log  |", [](frmMain &m) { return m.navBar->lblViewLog; },
         [] { return Shown<frmLogViewer>(); }},
        {"Password Settings |", [](frmMain &m) { return m.navBar->lblPasswordSettings; },
         [] { return Shown<frmPassword>(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Forms::DestroyAll();
        frmMain &main = Open();
        QTest::mouseClick(c.link(main), Qt::LeftButton);
        EXPECT_FALSE(main.isVisible());
        EXPECT_TRUE(c.shown());
    }
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(MainScreenTest, HomeAndTheIconsOfAdvancedOptionsAndStartDoNothing)
{
    frmMain &main = Open();
    EXPECT_EQ(main.navBar->lblHome->text(), "Home |");
    for (LinkLabel *link : {main.navBar->lblHome, main.imgAdvancedOptions, main.imgStart})
        QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(Forms::IsLoaded<frmPassword>());
    EXPECT_TRUE(launcher().opened.isEmpty());
    EXPECT_TRUE(launcher().started.isEmpty());
}

TEST_F(MainScreenTest, NavigationBarColours)
{
    frmMain &main = Open();
    const auto colour = [](QLabel *l) { return l->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(main.navBar->lblHome), QColor(0, 0, 128));
    EXPECT_EQ(colour(main.navBar->lblMinimize), QColor(0, 0, 128));
    for (QLabel *page : {main.navBar->lblPasswordSettings, main.navBar->lblViewLog, main.navBar->lblProtect})
        EXPECT_EQ(colour(page), QColor(64, 64, 64));
    EXPECT_EQ(colour(main.navBar->lblHelp), QColor(192, 64, 0));
}

TEST_F(MainScreenTest, HoverHighlightStaysUntilTheBackgroundIsCrossed)
{
    frmMain &main = Open();
    const auto colour = [](QLabel *l) { return l->palette().color(QPalette::WindowText); };
    for (LinkLabel *line :
         {main.lblInformation, main.lblSupport, main.lblRequest, main.lblUpdate, main.lblAbout}) {
        MoveOver(line);
        EXPECT_EQ(colour(line), QColor(0, 0, 255));
    }
    for (LinkLabel *link : {main.lblStart, main.lblPasswordSettings, main.lblAdvancedOptions, main.lblViewLog,
                            main.lblOptions, main.lblProtectionModes}) {
        MoveOver(link);
        EXPECT_TRUE(link->font().underline());
    }
    // Onto an icon, a button and the navigation bar: nothing resets.
    MoveOver(main.imgOptions);
    MoveOver(main.cmdNext);
    MoveOver(main.navBar->lblHelp);
    EXPECT_TRUE(main.lblOptions->font().underline());
    EXPECT_EQ(colour(main.lblAbout), QColor(0, 0, 255));

    MoveOver(&main, QPoint(400, 60));
    for (LinkLabel *line :
         {main.lblInformation, main.lblSupport, main.lblRequest, main.lblUpdate, main.lblAbout})
        EXPECT_EQ(colour(line), QColor(0, 0, 0));
    for (LinkLabel *link : {main.lblStart, main.lblPasswordSettings, main.lblAdvancedOptions, main.lblViewLog,
                            main.lblOptions, main.lblProtectionModes})
        EXPECT_FALSE(link->font().underline());
}

TEST_F(MainScreenTest, MinimizeToTrayHidesAndAddsTheIcon)
{
    frmMain &main = Open();
    QTest::mouseClick(main.navBar->lblMinimize, Qt::LeftButton);
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(Forms::IsLoaded<frmMain>());
    EXPECT_EQ(TrayIconCount(), 1);
}

TEST_F(MainScreenTest, AdvancedOptionsStartsTheProgramBesideThisOneOnlyWhenPresent)
{
    frmMain &main = Open();
    QTest::mouseClick(main.lblAdvancedOptions, Qt::LeftButton);
    EXPECT_TRUE(launcher().started.isEmpty());
    EXPECT_TRUE(main.isVisible());

    QDir().mkpath(app::Path());
    const QString program = QDir(app::Path()).filePath("advanced.exe");
    WriteBytes(program, "#!/bin/sh\n");
    QTest::mouseClick(main.lblAdvancedOptions, Qt::LeftButton);
    EXPECT_EQ(launcher().started, QStringList{program + " /t"});
    EXPECT_TRUE(main.isVisible());
}

TEST_F(MainScreenTest, InformationLinesOpenTheirWindowsAndTheScreenStays)
{
    frmMain &main = Open();
    QTest::mouseClick(main.lblSupport, Qt::LeftButton);
    QTest::mouseClick(main.imgSupport, Qt::LeftButton);
    EXPECT_EQ(launcher().opened, QStringList({maker::kSupportPage, maker::kSupportPage}));
    EXPECT_TRUE(launcher().opened[0].endsWith("/lockhelp.htm"));

    QTest::mouseClick(main.lblRequest, Qt::LeftButton);
    ASSERT_TRUE(Shown<frmRequest>());
    EXPECT_EQ(Forms::Get<frmRequest>().lblHeading->text(), "Request New Feature or Improvement");
    EXPECT_TRUE(Forms::Get<frmRequest>().lblText->text().contains("You can also send  us a request"));
    EXPECT_EQ(Forms::Get<frmRequest>().parentWidget(), &main);

    QTest::mouseClick(main.lblUpdate, Qt::LeftButton);
    EXPECT_TRUE(Shown<frmOnlineUpdate>());
    QTest::mouseClick(main.imgAbout, Qt::LeftButton);
    EXPECT_TRUE(Shown<frmAbout>());
    EXPECT_TRUE(main.isVisible());
}

TEST_F(MainScreenTest, FirstInformationLineShowsWhateverTheWindowHolds)
{
    frmMain &main = Open();
    QTest::mouseClick(main.lblStart, Qt::LeftButton); // the welcome texts
    Forms::Get<Information>().lblClose->clicked();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(main.imgInformation, Qt::LeftButton);
    Information &info = Forms::Get<Information>();
    EXPECT_EQ(info.windowTitle(), "Important Information Icon - Overview");
    EXPECT_EQ(info.lblHeading->text(), "Information Icon");
    EXPECT_EQ(dialogs().beeps, 2);
}

TEST_F(MainScreenTest, ExitRemovesTheIconAndEndsWithoutTheUnloadSteps)
{
    AddTrayIcon();
    Open().cmdExit->click();
    EXPECT_EQ(TrayIconCount(), 0);
    EXPECT_EQ(session().endings, std::vector<int>{0});
    EXPECT_TRUE(shell().calls.isEmpty());
}

TEST_F(MainScreenTest, UnloadByTheSystemRestoresTheShellAndKeepsTheIcon)
{
    AddTrayIcon();
    Open().close();
    EXPECT_EQ(shell().calls,
              QStringList({"EnableSystemKeys", "ShowTrayArea", "ShowTaskBar", "ShowStartButton"}));
    EXPECT_EQ(TrayIconCount(), 1);
}

TEST_F(MainScreenTest, TitleBarCarriesTheCaptionOnly)
{
    frmMain &main = Open();
    EXPECT_EQ(main.windowTitle(), "Gardlock 2001");
    const Qt::WindowFlags flags = main.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(session().endings.empty());
}

TEST_F(MainScreenTest, SecondCopyAsksTheEarlierOneToComeForwardAndEnds)
{
    // Another process's listener stands for the earlier copy.
    QLocalServer earlier;
    ASSERT_TRUE(earlier.listen(platform::InstanceSocketPath()));
    frmMain &main = Forms::Get<frmMain>();
    EXPECT_EQ(session().endings, std::vector<int>{0});
    EXPECT_EQ(main.windowTitle(), "#$#");
    EXPECT_EQ(app::Title(), "#$#");

    QByteArray request;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (QLocalSocket *s = earlier.nextPendingConnection())
                s->setParent(&earlier);
            for (QLocalSocket *s : earlier.findChildren<QLocalSocket *>())
                request += s->readAll();
            return request.contains('\n');
        },
        10000));
    EXPECT_EQ(request, "activate Gardlock 2001\n");
}

TEST_F(MainScreenTest, AStaleSocketDoesNotCountAsAnEarlierCopy)
{
    WriteBytes(platform::InstanceSocketPath(), "left by a crash");
    frmMain &main = Open();
    EXPECT_TRUE(session().endings.empty());
    EXPECT_EQ(main.windowTitle(), "Gardlock 2001");
    EXPECT_EQ(platform::ClaimInstance(), platform::InstanceState::First);
}

TEST_F(MainScreenTest, AListenerInAFolderOthersCanWriteDoesNotEndTheMainScreen)
{
    // Anyone could have put it there: the guard cannot tell, and this copy
    // runs on (the tray included) instead of ending.
    const QString shared = home() + "/shared runtime";
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_TRUE(QFile::setPermissions(shared, QFileDevice::Permissions(0x7777))); // rwx for all
    qputenv("XDG_RUNTIME_DIR", shared.toLocal8Bit());
    QLocalServer other;
    ASSERT_TRUE(other.listen(platform::InstanceSocketPath()));
    frmMain &main = Open();
    EXPECT_TRUE(session().endings.empty());
    EXPECT_EQ(main.windowTitle(), "Gardlock 2001");
    EXPECT_EQ(app::Title(), "Gardlock 2001");
}

} // namespace

namespace {

TEST_F(MainScreenTest, EarlierCopyBringsItsMainScreenForwardWhenAsked)
{
    frmMain &main = Open();
    frmAbout &about = Forms::Get<frmAbout>();
    about.show();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &about; }, 5000));

    QLocalSocket later;
    later.connectToServer(platform::InstanceSocketPath());
    ASSERT_TRUE(later.waitForConnected(5000));
    later.write("activate Gardlock 2001\n");
    later.flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main; }, 10000));
}

} // namespace
