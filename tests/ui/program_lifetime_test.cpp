#include "support/Sandbox.h"
#include "ui/Form.h"
#include "ui/ProgramLifetime.h"
#include "ui/modTrayIcon.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

using testing_support::SandboxTest;

namespace {

class FirstScreen : public Form {};
class NextScreen : public Form {};
class ModalBox : public Form {};

class ProgramLifetimeTest : public SandboxTest {
protected:
    void TearDown() override
    {
        NotifyIconData record{};
        record.cbSize = sizeof(NotifyIconData);
        record.uID = 7;
        ShellNotifyIcon(NIM_DELETE, record);
        SandboxTest::TearDown();
    }

    // Lets the program's own checks run, long past their second look.
    static void Settle() { QTest::qWait(400); }

    static void AddIcon()
    {
        NotifyIconData record{};
        record.cbSize = sizeof(NotifyIconData);
        record.uID = 7;
        ASSERT_TRUE(ShellNotifyIcon(NIM_ADD, record));
    }

    static void DeleteIcon()
    {
        NotifyIconData record{};
        record.cbSize = sizeof(NotifyIconData);
        record.uID = 7;
        TrayIconData = record;
        DeleteTrayIcon();
    }
};

TEST_F(ProgramLifetimeTest, HidingTheLastThingShownEndsTheProgramAndNothingElseDoes)
{
    struct Case {
        const char *what;
        std::function<void()> act;
        std::vector<int> endings;
    };
    const Case cases[] = {
        {"the only screen hides itself", [] { Forms::Get<FirstScreen>().hide(); }, {0}},
        {"a screen hides and shows the next in one handler",
         [] {
             Forms::Get<FirstScreen>().hide();
             Forms::Get<NextScreen>().show();
         },
         {}},
        {"a screen hides while another stays",
         [] {
             Forms::Get<NextScreen>().show();
             Forms::Get<FirstScreen>().hide();
         },
         {}},
        {"a screen hides to the tray",
         [] {
             AddIcon();
             Forms::Get<FirstScreen>().hide();
         },
         {}},
        {"the tray icon goes while nothing is shown",
         [] {
             AddIcon();
             Forms::Get<FirstScreen>().hide();
             QTest::qWait(200);
             DeleteIcon();
         },
         {0}},
        {"the tray icon goes as the screen comes back",
         [] {
             AddIcon();
             Forms::Get<FirstScreen>().hide();
             QTest::qWait(200);
             DeleteIcon();
             Forms::Get<FirstScreen>().show();
         },
         {}},
        {"a screen is minimised", [] { Forms::Get<FirstScreen>().showMinimized(); }, {}},
    };
    for (const Case &c : cases) {
        session().endings.clear();
        Forms::Get<FirstScreen>().show();
        QTest::qWait(10);
        c.act();
        Settle();
        EXPECT_EQ(session().endings, c.endings) << c.what;
        Forms::DestroyAll();
        DeleteIcon();
        QTest::qWait(10);
        session().endings.clear();
    }
}

// Runs a handler inside a modal run of the application's own loop, as the
// program does: the handler shows a modal box that hides the box and itself.
void InModalRun(std::function<void()> afterTheBox)
{
    QEventLoop application;
    QTimer::singleShot(0, [&] {
        FirstScreen &screen = Forms::Get<FirstScreen>();
        ModalBox &box = Forms::Get<ModalBox>();
        QTimer::singleShot(0, &box, [&] {
            screen.hide();
            box.hide();
            // Still inside the box's run, as a message box's caller would be.
            QTest::qWait(250);
        });
        box.ShowModal(&screen);
        afterTheBox();
        application.quit();
    });
    application.exec();
}

TEST_F(ProgramLifetimeTest, AModalRunThatEndsWithNothingShownWaitsForItsCaller)
{
    Forms::Get<FirstScreen>().show();
    InModalRun([] { Forms::Get<NextScreen>().show(); });
    Settle();
    EXPECT_TRUE(session().endings.empty()) << "the caller showed the next screen";

    Forms::DestroyAll();
    session().endings.clear();
    Forms::Get<FirstScreen>().show();
    InModalRun([] {});
    Settle();
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

TEST_F(ProgramLifetimeTest, ShownMeansAVisibleWindowOrTheTrayIcon)
{
    EXPECT_FALSE(ui::ProgramShowsSomething());
    FirstScreen &screen = Forms::Get<FirstScreen>();
    EXPECT_FALSE(ui::ProgramShowsSomething()) << "loaded but hidden";
    screen.show();
    EXPECT_TRUE(ui::ProgramShowsSomething());
    screen.hide();
    AddIcon();
    EXPECT_TRUE(ui::ProgramShowsSomething());
}

} // namespace
