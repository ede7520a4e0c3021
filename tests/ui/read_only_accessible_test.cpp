// A lock's password box on the accessibility bus: read, never written.

#include "support/Sandbox.h"
#include "ui/ReadOnlyAccessible.h"
#include "ui/WindowServices.h"

#include <QAccessible>
#include <QTest>

using testing_support::SandboxTest;

namespace {

class ReadOnlyAccessibleTest : public SandboxTest {};

TEST_F(ReadOnlyAccessibleTest, AssistiveToolsReadTheLockBoxButCannotTypeIntoIt)
{
    QWidget window;
    auto *lockBox = new TextBox(&window, 15, QChar('l'));
    ReadOnlyForAssistiveTools(lockBox);
    auto *otherBox = new TextBox(&window, 15, QChar('-'));
    window.show();
    lockBox->setFocus();
    QTest::keyClicks(lockBox, "abc");

    QAccessibleInterface *lock = QAccessible::queryAccessibleInterface(lockBox);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->role(), QAccessible::EditableText);
    EXPECT_TRUE(lock->state().passwordEdit);
    EXPECT_EQ(lock->text(QAccessible::Value), "lll"); // what the screen shows, never the password
    ASSERT_NE(lock->textInterface(), nullptr);
    EXPECT_EQ(lock->textInterface()->characterCount(), 3);
    EXPECT_EQ(lock->textInterface()->text(0, 3), "lll");
    EXPECT_EQ(lock->editableTextInterface(), nullptr);
    lock->setText(QAccessible::Value, "sesame");
    EXPECT_EQ(lockBox->text(), "abc");

    // Other boxes keep Qt's own interface.
    QAccessibleInterface *other = QAccessible::queryAccessibleInterface(otherBox);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other->editableTextInterface(), nullptr);
}

} // namespace
