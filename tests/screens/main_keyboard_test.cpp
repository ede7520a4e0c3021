// The main screen from the keyboard: its Tab order, the links followed with
// Enter or Space, "Minimize to tray" included.

#include "logtools/frmPassword.h"
#include "screens/frmMain.h"
#include "setup/frmProtection.h"
#include "support/Sandbox.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QApplication>
#include <QTest>

using namespace testing_support;

namespace {

class MainKeyboardTest : public SandboxTest {
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
        QApplication::setActiveWindow(&form);
        return form;
    }
};

TEST_F(MainKeyboardTest, TabGoesAlongTheBarThenDownEachColumnThenToTheButtons)
{
    frmMain &main = Open();
    EXPECT_EQ(main.focusWidget(), main.cmdNext) << "the screen opens where it always did";
    NavigationBar *bar = main.navBar;
    const QList<QWidget *> expected{bar->lblHome,
                                    bar->lblPasswordSettings,
                                    bar->lblViewLog,
                                    bar->lblProtect,
                                    bar->lblHelp,
                                    bar->lblMinimize,
                                    main.lblAdvancedOptions,
                                    main.lblPasswordSettings,
                                    main.lblProtectionModes,
                                    main.lblOptions,
                                    main.lblViewLog,
                                    main.lblStart,
                                    main.lblInformation,
                                    main.lblSupport,
                                    main.lblRequest,
                                    main.lblUpdate,
                                    main.lblAbout,
                                    main.cmdNext,
                                    main.cmdExit};
    bar->lblHome->setFocus();
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), expected[i]) << "step " << i;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), bar->lblHome) << "round again, never out of the window";
    for (LinkLabel *picture : {main.imgPasswordSettings, main.imgAbout})
        EXPECT_EQ(picture->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainKeyboardTest, LinksFollowedFromTheKeyboardDoWhatTheirClickDoes)
{
    struct Case {
        const char *link;
        Qt::Key key;
        std::function<LinkLabel *(frmMain &)> pick;
        std::function<bool()> happened;
    };
    const Case cases[] = {
        {"Minimize to tray", Qt::Key_Space, [](frmMain &m) { return m.navBar->lblMinimize; },
         [] { return TrayIconCount() == 1; }},
        {"Protection Modes |", Qt::Key_Return, [](frmMain &m) { return m.navBar->lblProtect; },
         [] { return Forms::IsLoaded<frmProtection>() && Forms::Get<frmProtection>().isVisible(); }},
        {"Password Settings", Qt::Key_Space, [](frmMain &m) { return m.lblPasswordSettings; },
         [] { return Forms::IsLoaded<frmPassword>() && Forms::Get<frmPassword>().isVisible(); }},
    };
    for (const Case &c : cases) {
        frmMain &main = Open();
        LinkLabel *link = c.pick(main);
        link->setFocus();
        ASSERT_TRUE(link->hasFocus()) << c.link;
        QTest::keyClick(link, c.key);
        EXPECT_FALSE(main.isVisible()) << c.link;
        EXPECT_TRUE(c.happened()) << c.link;
        DeleteTrayIcon();
        Forms::DestroyAll();
    }
}

} // namespace
