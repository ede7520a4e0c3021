// The layout and Caps Lock notes at the password prompts, and Alt+Shift at
// the locks, over a keyboard state the test sets.

#include "support/FakeKeyboard.h"
#include "support/Sandbox.h"
#include "ui/KeyboardNotes.h"
#include "ui/LayoutSwitchChord.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <QWindow>

using testing_support::FakeKeyboardState;
using testing_support::SandboxTest;

namespace {

platform::KeyboardLayout Layout(const QString &shortName, const QString &fullName, bool capsLock = false)
{
    platform::KeyboardLayout layout;
    layout.shortName = shortName;
    layout.fullName = fullName;
    layout.groups = 2;
    layout.capsLock = capsLock;
    return layout;
}

class KeyboardNotesTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        platform::Services with = testing_support::RecorderServices();
        with.keyboard = &keyboard;
        platform::install(with);
    }
    void TearDown() override
    {
        testing_support::ResetRecorders();
        SandboxTest::TearDown();
    }
    FakeKeyboardState keyboard;
};

TEST_F(KeyboardNotesTest, TheNotesFollowEveryChangeAndAreReadAsTheyShow)
{
    keyboard.layout = Layout("RU", "Russian");
    QWidget prompt;
    KeyboardNotes notes(&prompt, prompt.font());
    notes.Place(QPoint(10, 20));
    prompt.show();
    QLabel *layout = notes.LayoutNote();
    QLabel *capsLock = notes.CapsLockNote();
    EXPECT_TRUE(layout->isVisible());
    EXPECT_EQ(layout->text(), "RU");
    EXPECT_EQ(layout->accessibleName(), "RU");
    EXPECT_EQ(layout->accessibleDescription(), "Russian");
    EXPECT_EQ(layout->pos(), QPoint(10, 20));
    EXPECT_FALSE(capsLock->isVisible());
    EXPECT_EQ(layout->focusPolicy(), Qt::NoFocus); // the prompt's Tab order stays its own

    keyboard.Change(Layout("US", "English (US)", true));
    EXPECT_EQ(layout->text(), "US");
    EXPECT_EQ(layout->accessibleDescription(), "English (US)");
    ASSERT_TRUE(capsLock->isVisible());
    EXPECT_EQ(capsLock->text(), "Caps Lock is on");
    EXPECT_EQ(capsLock->accessibleName(), "Caps Lock is on");
    // Beside the layout note, covering none of it.
    EXPECT_FALSE(capsLock->geometry().intersects(layout->geometry()));
    EXPECT_EQ(capsLock->y(), layout->y());

    // A prompt hidden with its box takes the notes along, and brings them back.
    notes.SetShown(false);
    EXPECT_FALSE(layout->isVisible());
    EXPECT_FALSE(capsLock->isVisible());
    notes.SetShown(true);
    EXPECT_TRUE(capsLock->isVisible());

    // The state can no longer be known: nothing that could mislead.
    keyboard.Change(std::nullopt);
    EXPECT_FALSE(layout->isVisible());
    EXPECT_FALSE(capsLock->isVisible());
}

TEST_F(KeyboardNotesTest, AClickOnTheLayoutSwitchesToTheNextOne)
{
    keyboard.layout = Layout("RU", "Russian");
    QWidget prompt;
    KeyboardNotes notes(&prompt, prompt.font());
    prompt.show();
    QTest::mouseClick(notes.LayoutNote(), Qt::RightButton);
    EXPECT_EQ(keyboard.switchesAsked, 0);
    QTest::mouseClick(notes.LayoutNote(), Qt::LeftButton);
    EXPECT_EQ(keyboard.switchesAsked, 1);
    QTest::mouseClick(notes.CapsLockNote(), Qt::LeftButton);
    EXPECT_EQ(keyboard.switchesAsked, 1);
}

TEST_F(KeyboardNotesTest, WithoutAKeyboardStateThereAreNoNotes)
{
    platform::install(testing_support::RecorderServices());
    QWidget prompt;
    KeyboardNotes notes(&prompt, prompt.font());
    prompt.show();
    EXPECT_FALSE(notes.LayoutNote()->isVisible());
    EXPECT_FALSE(notes.CapsLockNote()->isVisible());
}

// One key event: + pressed, - released, with the modifiers it carries.
struct Stroke {
    char way;
    int key;
    Qt::KeyboardModifiers modifiers;
};

TEST(AltShiftChord, OnlyAltAndShiftAloneSwitch)
{
    constexpr Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier,
                                    ctrl = Qt::ControlModifier;
    struct Case {
        const char *what;
        std::vector<Stroke> strokes;
        int switches;
    };
    const Case cases[] = {
        {"Alt, then Shift", {{'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'-', Qt::Key_Shift, alt | shift}, {'-', Qt::Key_Alt, alt}}, 1},
        {"Shift, then Alt (read as Meta)", {{'+', Qt::Key_Shift, none}, {'+', Qt::Key_Meta, shift}, {'-', Qt::Key_Meta, shift | alt}, {'-', Qt::Key_Shift, shift}}, 1},
        {"released in the other order", {{'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'-', Qt::Key_Alt, alt | shift}, {'-', Qt::Key_Shift, shift}}, 1},
        {"Ctrl+Shift+Alt, the NT-style lock's chord", {{'+', Qt::Key_Control, none}, {'+', Qt::Key_Shift, ctrl}, {'+', Qt::Key_Alt, ctrl | shift}, {'-', Qt::Key_Alt, ctrl | shift | alt}, {'-', Qt::Key_Shift, ctrl | shift}, {'-', Qt::Key_Control, ctrl}}, 0},
        {"Ctrl joining late", {{'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'+', Qt::Key_Control, alt | shift}, {'-', Qt::Key_Control, alt | shift | ctrl}, {'-', Qt::Key_Shift, alt | shift}, {'-', Qt::Key_Alt, alt}}, 0},
        {"another key in between", {{'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'+', Qt::Key_A, alt | shift}, {'-', Qt::Key_A, alt | shift}, {'-', Qt::Key_Shift, alt | shift}, {'-', Qt::Key_Alt, alt}}, 0},
        {"Shift alone", {{'+', Qt::Key_Shift, none}, {'-', Qt::Key_Shift, shift}}, 0},
        {"Alt alone", {{'+', Qt::Key_Alt, none}, {'-', Qt::Key_Alt, alt}}, 0},
        {"twice in a row", {{'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'-', Qt::Key_Shift, alt | shift}, {'-', Qt::Key_Alt, alt}, {'+', Qt::Key_Shift, none}, {'+', Qt::Key_Alt, shift}, {'-', Qt::Key_Alt, shift | alt}, {'-', Qt::Key_Shift, shift}}, 2},
        // A release lost before (the lock came up between a press and its
        // release): the next keys start afresh.
        {"after a lost release", {{'+', Qt::Key_A, none}, {'+', Qt::Key_Alt, none}, {'+', Qt::Key_Shift, alt}, {'-', Qt::Key_Shift, alt | shift}, {'-', Qt::Key_Alt, alt}}, 1},
    };
    for (const Case &c : cases) {
        AltShiftChord chord;
        int switches = 0;
        for (const Stroke &stroke : c.strokes) {
            if (stroke.way == '+')
                chord.Pressed(stroke.key, stroke.modifiers);
            else
                switches += chord.Released(stroke.key);
        }
        EXPECT_EQ(switches, c.switches) << c.what;
    }
}

TEST_F(KeyboardNotesTest, AltShiftAtALockSwitchesOnceUnlessTheDesktopAlreadyDoes)
{
    keyboard.layout = Layout("RU", "Russian");
    QWidget lock;
    auto *box = new QLineEdit(&lock); // the key goes to the window, then to its box
    lock.show();
    box->setFocus();
    QWindow *window = lock.windowHandle();
    const auto chord = [window] {
        QTest::keyPress(window, Qt::Key_Alt, Qt::NoModifier);
        QTest::keyPress(window, Qt::Key_Shift, Qt::AltModifier);
        QTest::keyRelease(window, Qt::Key_Shift, Qt::AltModifier | Qt::ShiftModifier);
        QTest::keyRelease(window, Qt::Key_Alt, Qt::AltModifier);
    };
    {
        LayoutSwitchChord watching;
        chord();
        EXPECT_EQ(keyboard.switchesAsked, 1);
        keyboard.layout->altShiftSwitches = true;
        chord();
        EXPECT_EQ(keyboard.switchesAsked, 1);
        keyboard.layout->altShiftSwitches = false;
    }
    // Once the lock is gone, Alt+Shift is the desktop's again.
    chord();
    EXPECT_EQ(keyboard.switchesAsked, 1);
}

} // namespace
