// Protection Modes: hover help, the start-up frames and buttons, the locks,
// the request and the navigation.

#include "lock/frmNormalLock.h"
#include "intruderlog/frmLogViewer.h"
#include "password/frmPassword.h"
#include "platform/autostart/RegStuff.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/frmRequest.h"
#include "ui/modTrayIcon.h"

#include <QDir>
#include <QTest>

using namespace testing_support;

namespace {

class ProtectionModesTest : public SandboxTest {
protected:
    frmProtection &Open()
    {
        frmProtection &form = Forms::Get<frmProtection>();
        form.show();
        return form;
    }
    static QPoint Background() { return {600, 60}; }
};

TEST_F(ProtectionModesTest, HoverOverEachMainButton)
{
    struct Case {
        HoverButton *frmProtection::*button;
        int arrowTopTwips;
        const char *descriptionStart;
        bool choiceShown;
    } cases[] = {
        {&frmProtection::cmdNormal, 1725, "This will lock your system until a user enters", false},
        {&frmProtection::cmdNtStyle, 2130, "Simulates the WindowsNT system lock screen.", false},
        {&frmProtection::cmdStartupLock, 2520,
         "This will allow you to protect your system automatically every time Windows loads.", true},
        {&frmProtection::cmdRequest, 3540, "Click this button to request a new protection mode to be added.",
         false},
    };
    frmProtection &form = Open();
    EXPECT_TRUE(form.lblArrow->isHidden());
    const QSize arrowSize = form.lblArrow->size();
    for (const Case &c : cases) {
        HoverButton *button = form.*(c.button);
        SCOPED_TRACE(button->text().toStdString());
        form.fraNormalStartup->show();
        MoveOver(button);
        EXPECT_TRUE(form.lblDescription->text().startsWith(c.descriptionStart));
        EXPECT_TRUE(form.lblArrow->isVisible());
        EXPECT_EQ(form.lblArrow->pos(), QPoint(132, c.arrowTopTwips / 15));
        EXPECT_EQ(form.lblArrow->size(), arrowSize);
        EXPECT_EQ(form.focusWidget(), button);
        EXPECT_TRUE(form.fraNormalStartup->isHidden());
        EXPECT_TRUE(form.fraNtStartup->isHidden());
        EXPECT_TRUE(form.lblStartupDescription->isHidden());
        EXPECT_EQ(form.lblChoiceHeading->isVisible(), c.choiceShown);
        EXPECT_EQ(form.lblChoiceNormal->isVisible(), c.choiceShown);
        EXPECT_EQ(form.lblChoiceNtStyle->isVisible(), c.choiceShown);
    }
}

TEST_F(ProtectionModesTest, ChoiceLinksOpenOneFrameWhoseButtonsDescribeThemselves)
{
    frmProtection &form = Open();
    MoveOver(form.cmdStartupLock);
    QTest::mouseClick(form.lblChoiceNtStyle, Qt::LeftButton);
    EXPECT_TRUE(form.fraNtStartup->isVisible());
    EXPECT_TRUE(form.fraNormalStartup->isHidden());
    MoveOver(form.cmdDisableNtStartupLock);
    EXPECT_TRUE(form.lblStartupDescription->isVisible());
    EXPECT_EQ(form.lblStartupDescription->text(), "This will disable the NT Syle startup protection.");

    QTest::mouseClick(form.lblChoiceNormal, Qt::LeftButton);
    EXPECT_TRUE(form.fraNormalStartup->isVisible());
    EXPECT_TRUE(form.fraNtStartup->isHidden());
    MoveOver(form.cmdEnableStartupLock);
    EXPECT_EQ(form.lblStartupDescription->text(),
              "This will lock your system everytime Windows starts using the Normal lock.");

    // Crossing a main button closes the frame and the choice again.
    MoveOver(form.cmdNormal);
    EXPECT_TRUE(form.fraNormalStartup->isHidden());
    EXPECT_TRUE(form.lblChoiceNormal->isHidden());
}

TEST_F(ProtectionModesTest, ChoiceLinksTurnBlueAndTheBackgroundOrDescriptionTurnsThemBlack)
{
    frmProtection &form = Open();
    MoveOver(form.cmdStartupLock);
    for (QWidget *resetter : {static_cast<QWidget *>(&form), static_cast<QWidget *>(form.lblDescription)}) {
        MoveOver(form.lblChoiceNormal);
        MoveOver(form.lblChoiceNtStyle);
        EXPECT_EQ(form.lblChoiceNormal->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(form.lblChoiceNtStyle->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        MoveOver(resetter, resetter == &form ? Background() : QPoint(5, 5));
        EXPECT_EQ(form.lblChoiceNormal->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        EXPECT_EQ(form.lblChoiceNtStyle->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    }
    // A move over a button is the button's, not the background's.
    MoveOver(form.lblChoiceNormal);
    MoveOver(form.cmdExit);
    EXPECT_EQ(form.lblChoiceNormal->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST_F(ProtectionModesTest, StartupButtonsArmAndDisarmSilently)
{
    struct Case {
        HoverButton *frmProtection::*enable;
        HoverButton *frmProtection::*disable;
        const char *command;
    } cases[] = {
        {&frmProtection::cmdEnableStartupLock, &frmProtection::cmdDisableStartupLock, "Gardlock.exe /t"},
        {&frmProtection::cmdEnableNtStartupLock, &frmProtection::cmdDisableNtStartupLock, "Gardlock.exe /w"},
    };
    frmProtection &form = Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        (form.*(c.disable))->click(); // absent: nothing happens
        EXPECT_FALSE(HasStartupEntry(StartupList::Services, c.command));
        (form.*(c.enable))->click();
        (form.*(c.enable))->click();
        EXPECT_TRUE(HasStartupEntry(StartupList::Services, c.command));
        EXPECT_EQ(QDir(StartupFolder()).entryList(QDir::Files).size(), 1);
        (form.*(c.disable))->click();
        EXPECT_FALSE(HasStartupEntry(StartupList::Services, c.command));
    }
    EXPECT_TRUE(dialogs().boxes.empty());
}

TEST_F(ProtectionModesTest, ArmingOrDisarmingThatDidNotTakeIsTold)
{
    frmProtection &form = Open();
    QDir().mkpath(configHome());
    WriteBytes(StartupFolder(), "not a folder");
    form.cmdEnableStartupLock->click();
    form.cmdDisableNtStartupLock->click(); // no folder: no entry to remove, nothing to tell
    ASSERT_EQ(dialogs().boxes.size(), 1u);
    EXPECT_TRUE(dialogs().boxes[0].text.contains("could not be set to start with your session"));
    EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Exclamation);

    // An entry that cannot be removed (a folder in its place).
    ASSERT_TRUE(QFile::remove(StartupFolder()));
    ASSERT_TRUE(QDir().mkpath(StartupEntryPath(StartupList::Services, "Gardlock.exe /w")));
    form.cmdDisableNtStartupLock->click();
    ASSERT_EQ(dialogs().boxes.size(), 2u);
    EXPECT_TRUE(dialogs().boxes[1].text.contains("could not be stopped from starting"));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(ProtectionModesTest, NormalPlacesItsEntryHidesTheScreenAndLocksModally)
{
    frmProtection &form = Open();
    bool sawLock = false;
    WhenModal<frmNormalLock>([&](frmNormalLock &lock) {
        sawLock = true;
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(lock.parentWidget(), &form);
        EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    });
    form.cmdNormal->click();
    EXPECT_TRUE(sawLock);
}

TEST_F(ProtectionModesTest, ADisplayThatCannotBeLockedRefusesBothLocksBeforeAnythingIsPlaced)
{
    shell().cannotLockReason = QStringLiteral("grabs are turned off");
    frmProtection &form = Open();
    for (QPushButton *button :
         {static_cast<QPushButton *>(form.cmdNormal), static_cast<QPushButton *>(form.cmdNtStyle)}) {
        SCOPED_TRACE(button->text().toStdString());
        dialogs().boxes.clear();
        button->click();
        ASSERT_EQ(dialogs().boxes.size(), 1u);
        EXPECT_TRUE(dialogs().boxes[0].text.contains("grabs are turned off"));
        EXPECT_EQ(dialogs().boxes[0].icon, platform::MsgIcon::Critical);
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(Forms::IsLoaded<frmNormalLock>());
        EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
        EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /n"));
        EXPECT_FALSE(shell().calls.contains("DisableSystemKeys"));
    }
}

TEST_F(ProtectionModesTest, RequestFillsTheRequestWindowOwnedByThisScreen)
{
    frmProtection &form = Open();
    form.cmdRequest->click();
    frmRequest &request = Forms::Get<frmRequest>();
    EXPECT_TRUE(request.isVisible());
    EXPECT_EQ(request.parentWidget(), &form);
    EXPECT_EQ(request.lblHeading->text(), "Request New Protection Mode");
    EXPECT_TRUE(request.lblText->text().contains("Example2:  I currently have shared folders"));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(ProtectionModesTest, InformationIconTellsAboutTheTextEditor)
{
    Open().imgInformation->clicked();
    Information &info = Forms::Get<Information>();
    EXPECT_EQ(info.windowTitle(), "Did you know?");
    EXPECT_EQ(info.lblHeading->text(), "NT Style Text Editor");
    EXPECT_TRUE(info.txtText->toPlainText().contains("by accesing the Text Editor"));
}

TEST_F(ProtectionModesTest, ExitEndsTheProgramWithOrWithoutAnIcon)
{
    for (const bool withIcon : {false, true}) {
        ResetRecorders();
        if (withIcon)
            AddTrayIcon();
        Open().cmdExit->click();
        EXPECT_EQ(TrayIconCount(), 0);
        EXPECT_EQ(session().endings, std::vector<int>{0});
    }
}

TEST_F(ProtectionModesTest, Navigation)
{
    struct Case {
        LinkLabel *NavigationBar::*link;
        std::function<Form *()> target;
    } cases[] = {
        {&NavigationBar::lblHome, [] { return static_cast<Form *>(Forms::IfLoaded<frmMain>()); }},
        {&NavigationBar::lblPasswordSettings,
         [] { return static_cast<Form *>(Forms::IfLoaded<frmPassword>()); }},
        {&NavigationBar::lblViewLog, [] { return static_cast<Form *>(Forms::IfLoaded<frmLogViewer>()); }},
    };
    for (const Case &c : cases) {
        Forms::DestroyAll();
        frmProtection &form = Open();
        QTest::mouseClick(form.navBar->*(c.link), Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
        ASSERT_NE(c.target(), nullptr);
        EXPECT_TRUE(c.target()->isVisible());
    }
    frmProtection &form = Open();
    EXPECT_EQ(form.navBar->lblProtect->text(), "Protect Desktop |");
    QTest::mouseClick(form.navBar->lblProtect, Qt::LeftButton);
    QTest::mouseClick(form.navBar->lblHelp, Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(launcher().opened, QStringList{"index.htm"});
}

} // namespace
