// The main screen from the keyboard: its Tab order, the links followed with
// Enter or Space, "Minimize to tray" included; the first run and About, as a
// new user meets them.

#include "password/frmPassword.h"
#include "password/frmPasswordCancelled.h"
#include "mainscreen/frmAbout.h"
#include "mainscreen/frmMain.h"
#include "protection/frmProtection.h"
#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/Information.h"
#include "ui/NavigationBar.h"
#include "ui/modTrayIcon.h"

#include <QApplication>
#include <QPushButton>
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

// Keys go where the focus is, in the window that has the keyboard.
void Press(Qt::Key key)
{
    QWidget *target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no control has the focus";
    QTest::keyClick(target, key);
}

TEST_F(MainKeyboardTest, FirstRunWelcomeNoteHasTheKeyboardAndEscapeClosesOnlyIt)
{
    frmMain &main = Open();
    main.lblStart->setFocus();
    Press(Qt::Key_Return); // "Start", no password yet
    ASSERT_TRUE(Forms::IsLoaded<Information>());
    Information &note = Forms::Get<Information>();
    frmPassword &password = Forms::Get<frmPassword>();
    ASSERT_EVENTUALLY((QApplication::activeWindow()) == (&note), 5000);
    EXPECT_TRUE(note.testAttribute(Qt::WA_KeyboardFocusChange)) << "its focus is marked";

    Press(Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(Forms::IsLoaded<Information>()) << "Escape closes the welcome note";
    EXPECT_TRUE(password.isVisible()) << "and leaves Password Settings up";
    EXPECT_FALSE(Forms::IsLoaded<frmPasswordCancelled>());

    // Password Settings opens at the new password, and Escape does not
    // cancel it: its "Cancel" leads to another page.
    QApplication::setActiveWindow(&password);
    ASSERT_EVENTUALLY((QApplication::activeWindow()) == (&password), 5000);
    EXPECT_EQ(QApplication::focusWidget(), password.txtpass1);
    Press(Qt::Key_Escape);
    EXPECT_TRUE(password.isVisible());
    EXPECT_FALSE(Forms::IsLoaded<frmPasswordCancelled>());
}

TEST_F(MainKeyboardTest, AboutOpensAtOkWhichEnterAndEscapeBothAnswer)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space}) {
        frmAbout &about = Forms::Get<frmAbout>();
        about.show();
        // The window manager gives a caption-only window the keyboard.
        QApplication::setActiveWindow(&about);
        ASSERT_EVENTUALLY((QApplication::activeWindow()) == (&about), 5000);
        EXPECT_EQ(QApplication::focusWidget(), about.cmdOK) << "not on \"Check for Update\", where Space "
                                                               "would start a network check";
        EXPECT_TRUE(about.testAttribute(Qt::WA_KeyboardFocusChange));
        Press(key);
        EXPECT_FALSE(about.isVisible()) << "key " << key;
        EXPECT_TRUE(Forms::IsLoaded<frmAbout>()) << "About is hidden, not unloaded";
    }
}

} // namespace
