#include "support/Sandbox.h"
#include "ui/Form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

using testing_support::SandboxTest;

namespace {

struct Counts {
    int loads = 0;
    int unloads = 0;
};
Counts g_counts;

class SampleForm : public Form {
public:
    QString state;

protected:
    void onLoad() override { ++g_counts.loads; }
    void onUnload() override { ++g_counts.unloads; }
};

class StubbornForm : public Form {
protected:
    bool acceptsCloseRequest() const override { return false; }
};

class FormTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        g_counts = {};
    }
};

TEST_F(FormTest, CreatedOnFirstUseAndKeptWithItsStateWhileHidden)
{
    EXPECT_FALSE(Forms::IsLoaded<SampleForm>());
    SampleForm &form = Forms::Get<SampleForm>();
    form.state = "typed";
    form.show();
    form.hide();
    EXPECT_EQ(&Forms::Get<SampleForm>(), &form);
    EXPECT_EQ(Forms::Get<SampleForm>().state, "typed");
    EXPECT_EQ(g_counts.loads, 1);
}

TEST_F(FormTest, UnloadRunsItsStepAndTheNextUseLoadsAfresh)
{
    Forms::Get<SampleForm>().state = "old";
    Forms::Unload<SampleForm>();
    EXPECT_EQ(g_counts.unloads, 1);
    EXPECT_FALSE(Forms::IsLoaded<SampleForm>());
    Forms::Unload<SampleForm>(); // not loaded: nothing happens
    EXPECT_EQ(g_counts.unloads, 1);
    EXPECT_EQ(Forms::Get<SampleForm>().state, "");
    EXPECT_EQ(g_counts.loads, 2);
}

TEST_F(FormTest, ModalShowReturnsWhenTheFormIsHiddenOrUnloaded)
{
    SampleForm &owner = Forms::Get<SampleForm>();
    owner.show();
    StubbornForm &modal = Forms::Get<StubbornForm>();
    QTimer::singleShot(0, &modal, [&] {
        EXPECT_TRUE(modal.IsModalShowing());
        EXPECT_EQ(modal.parentWidget(), &owner);
        modal.hide();
    });
    modal.ShowModal(&owner);
    EXPECT_FALSE(modal.IsModalShowing());
    EXPECT_TRUE(Forms::IsLoaded<StubbornForm>());

    QTimer::singleShot(0, &modal, [&] { modal.Unload(); });
    modal.ShowModal(&owner);
    EXPECT_FALSE(Forms::IsLoaded<StubbornForm>());
}

TEST_F(FormTest, CloseRequestsUnloadUnlessTheFormRefusesThem)
{
    Forms::Get<SampleForm>().show();
    Forms::Get<SampleForm>().close();
    EXPECT_FALSE(Forms::IsLoaded<SampleForm>());
    EXPECT_EQ(g_counts.unloads, 1);

    StubbornForm &stubborn = Forms::Get<StubbornForm>();
    stubborn.show();
    EXPECT_FALSE(stubborn.close());
    EXPECT_TRUE(Forms::IsLoaded<StubbornForm>());
    EXPECT_TRUE(stubborn.isVisible());
}

TEST_F(FormTest, TheProgramEndsWhenItsLastScreenIsUnloaded)
{
    Forms::Get<SampleForm>();
    Forms::Get<StubbornForm>();
    Forms::Unload<SampleForm>();
    QCoreApplication::processEvents();
    EXPECT_TRUE(session().endings.empty());
    Forms::Unload<StubbornForm>();
    QCoreApplication::processEvents();
    EXPECT_EQ(session().endings, std::vector<int>{0});
}

// A window of fixed size whose maximize button would do nothing is shown
// without one; everything else it asked for stays.
TEST_F(FormTest, AFixedSizeFormIsShownWithoutAMaximizeButton)
{
    struct Case {
        const char *form;
        Qt::WindowFlags flags;
        bool fixed;
        bool maximizes;
    };
    const Case cases[] = {
        {"plain window, fixed", Qt::Window, true, false},
        {"asks for maximize, fixed", Qt::Window | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint, true,
         false},
        {"plain window, resizable", Qt::Window, false, true},
    };
    for (const Case &c : cases) {
        Form form(c.flags);
        if (c.fixed)
            form.setFixedSize(200, 100);
        form.show();
        const Qt::WindowFlags shown = form.windowFlags();
        if (c.maximizes) {
            EXPECT_FALSE(shown.testFlag(Qt::CustomizeWindowHint)) << c.form << ": left as it was";
            continue;
        }
        EXPECT_FALSE(shown.testFlag(Qt::WindowMaximizeButtonHint)) << c.form;
        EXPECT_TRUE(shown.testFlag(Qt::CustomizeWindowHint)) << c.form << ": the buttons are the form's own";
        EXPECT_TRUE(shown.testFlag(Qt::WindowTitleHint) && shown.testFlag(Qt::WindowCloseButtonHint)) << c.form;
        EXPECT_EQ(form.minimumSize(), form.maximumSize()) << c.form << ": the window manager sees min = max";
        EXPECT_TRUE(form.isVisible()) << c.form;
    }
}

} // namespace
