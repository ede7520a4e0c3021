// The tray icon: the record, one icon however often added, the callback
// numbers, the busy flag and the menu's items.

#include "lock/frmNormalLock.h"
#include "platform/autostart/RegStuff.h"
#include "mainscreen/frmAbout.h"
#include "mainscreen/frmMain.h"
#include "tray/frmTrayMenu.h"
#include "startup/CommandLineCode.h"
#include "support/Sandbox.h"
#include "support/ScreenEvents.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QTest>
#include <QtEndian>

#include <cstring>

using namespace testing_support;

namespace {

class TrayIconTest : public SandboxTest {
protected:
    void TearDown() override
    {
        DeleteTrayIcon();
        SandboxTest::TearDown();
    }
    // Opens the menu through the callback; inside it, runs inside(menu)
    // and then closes the menu.
    static void WhileMenuOpen(quint32 number, std::function<void(frmTrayMenu &)> inside, bool *opened)
    {
        frmTrayMenu &tray = Forms::Get<frmTrayMenu>();
        *opened = false;
        auto *timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, &tray, inside, opened] {
            if (QApplication::activePopupWidget() != tray.mnuPopup)
                return;
            timer->stop();
            timer->deleteLater();
            *opened = true;
            inside(tray);
            tray.mnuPopup->close();
        });
        timer->start();
        tray.onMouseMove(number);
        if (!*opened) {
            timer->stop();
            timer->deleteLater();
        }
    }
};

quint32 Field(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

TEST_F(TrayIconTest, AddFillsTheRecordWithItsFixedValues)
{
    AddTrayIcon();
    QByteArray bytes(reinterpret_cast<const char *>(&TrayIconData), sizeof TrayIconData);
    ASSERT_EQ(bytes.size(), 88);
    EXPECT_EQ(Field(bytes, 0), 88u);
    EXPECT_EQ(Field(bytes, 4), WindowHandle(&Forms::Get<frmTrayMenu>()));
    EXPECT_NE(Field(bytes, 4), 0u);
    EXPECT_EQ(Field(bytes, 8), 1u);
    EXPECT_EQ(Field(bytes, 12), 7u);
    EXPECT_EQ(Field(bytes, 16), 512u);
    EXPECT_NE(Field(bytes, 20), 0u);
    const QByteArray tip = "Gardlock 2001 (right-click for menu)";
    EXPECT_EQ(bytes.mid(24, tip.size()), tip);
    EXPECT_EQ(bytes.at(24 + tip.size()), '\0');
    EXPECT_EQ(bytes.mid(24 + tip.size() + 1), QByteArray(64 - tip.size() - 1, ' '));
    // The shell cuts the tip at the NUL.
    EXPECT_EQ(TrayIconTip(), QString::fromLatin1(tip));
    // Reading frmMain's icon loaded it, hidden.
    ASSERT_TRUE(Forms::IsLoaded<frmMain>());
    EXPECT_FALSE(Forms::Get<frmMain>().isVisible());
    EXPECT_FALSE(Forms::Get<frmTrayMenu>().isVisible());
}

TEST_F(TrayIconTest, OneIconHoweverOftenItIsAdded)
{
    DeleteTrayIcon(); // none yet: nothing happens
    EXPECT_EQ(TrayIconCount(), 0);
    for (int i = 0; i < 3; ++i)
        AddTrayIcon();
    EXPECT_EQ(TrayIconCount(), 1);
    frmMain &main = Forms::Get<frmMain>();
    main.show();
    main.navBar->lblMinimize->clicked();
    main.show();
    main.navBar->lblMinimize->clicked();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(TrayIconCount(), 1);
    DeleteTrayIcon();
    EXPECT_EQ(TrayIconCount(), 0);
    DeleteTrayIcon();
    EXPECT_EQ(TrayIconCount(), 0);
}

TEST_F(TrayIconTest, TraySwitchKeepsTheMainScreenLoadedAndHidden)
{
    CommandLineCode::ProgramTargets().ShowTrayIcon();
    ASSERT_TRUE(Forms::IsLoaded<frmMain>());
    EXPECT_FALSE(Forms::Get<frmMain>().isVisible());
    EXPECT_EQ(TrayIconCount(), 1);
}

TEST_F(TrayIconTest, OnlyARightButtonReleaseOpensTheMenu)
{
    for (const quint32 number : {512u, 513u, 514u, 515u, 516u, 518u, 519u, 520u}) {
        SCOPED_TRACE(number);
        bool opened = true;
        WhileMenuOpen(
            number, [](frmTrayMenu &) {}, &opened);
        EXPECT_FALSE(opened);
        EXPECT_FALSE(Forms::Get<frmTrayMenu>().IsBusy());
    }
    bool opened = false;
    WhileMenuOpen(
        517, [](frmTrayMenu &) {}, &opened);
    EXPECT_TRUE(opened);
}

TEST_F(TrayIconTest, NotificationsWhileTheMenuIsOpenReturnAtOnce)
{
    int shown = 0;
    QObject::connect(Forms::Get<frmTrayMenu>().mnuPopup, &QMenu::aboutToShow, [&shown] { ++shown; });
    bool opened = false;
    bool busyInside = false;
    WhileMenuOpen(
        517,
        [&busyInside](frmTrayMenu &tray) {
            busyInside = tray.IsBusy();
            tray.onMouseMove(517); // must not open a menu inside the menu
            tray.onMouseMove(512);
        },
        &opened);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(Forms::Get<frmTrayMenu>().IsBusy());
}

TEST_F(TrayIconTest, MenuItemsInOrder)
{
    QStringList captions;
    for (QAction *action : Forms::Get<frmTrayMenu>().mnuPopup->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(captions,
              QStringList({"Normal Lock", "NT Style Lock", "-", "Main Screen", "-", "About", "Exit"}));
    EXPECT_EQ(Forms::Get<frmTrayMenu>().windowTitle(), "Task Bar Icon Menu");
}

TEST_F(TrayIconTest, MainScreenAndAboutItemsShowTheirScreens)
{
    AddTrayIcon();
    frmTrayMenu &tray = Forms::Get<frmTrayMenu>();
    tray.mnuMain->trigger();
    tray.mnuAbout->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Forms::Get<frmMain>().isVisible(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Forms::IsLoaded<frmAbout>() && Forms::Get<frmAbout>().isVisible(); }, 5000));
    EXPECT_EQ(TrayIconCount(), 1);
}

TEST_F(TrayIconTest, ExitItemRemovesTheIconThenEnds)
{
    AddTrayIcon();
    Forms::Get<frmTrayMenu>().mnuQuickMenu[0]->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return session().endings == std::vector<int>{0}; }, 5000));
    EXPECT_EQ(TrayIconCount(), 0);
}

TEST_F(TrayIconTest, NormalLockItemPlacesItsEntryAndLocksModally)
{
    AddTrayIcon();
    bool sawLock = false;
    WhenModal<frmNormalLock>([&sawLock](frmNormalLock &lock) {
        sawLock = true;
        EXPECT_EQ(lock.parentWidget(), Forms::IfLoaded<frmTrayMenu>());
        EXPECT_TRUE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    });
    Forms::Get<frmTrayMenu>().mnuNormalLock->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sawLock; }, 10000));
    EXPECT_EQ(TrayIconCount(), 1);
}

TEST_F(TrayIconTest, LockItemsRefuseOnADisplayThatCannotBeLocked)
{
    recorders().shell.cannotLockReason = QStringLiteral("no X11 display");
    AddTrayIcon();
    frmTrayMenu &tray = Forms::Get<frmTrayMenu>();
    for (QAction *item : {tray.mnuNormalLock, tray.mnuNTlock}) {
        SCOPED_TRACE(item->text().toStdString());
        recorders().dialogs.boxes.clear();
        item->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !recorders().dialogs.boxes.empty(); }, 5000));
        ASSERT_EQ(recorders().dialogs.boxes.size(), 1u);
        EXPECT_TRUE(recorders().dialogs.boxes[0].text.contains("no X11 display"));
    }
    EXPECT_FALSE(Forms::IsLoaded<frmNormalLock>());
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /d"));
    EXPECT_FALSE(HasStartupEntry(StartupList::Services, "Gardlock.exe /n"));
    EXPECT_EQ(TrayIconCount(), 1);
}

} // namespace
