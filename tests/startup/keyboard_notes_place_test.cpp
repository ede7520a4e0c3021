// The keyboard notes at every password prompt: shown, inside the window, and
// over no text, picture, button or box of it.

#include "intruderlog/frmLogViewer.h"
#include "lock/frmNormalLock.h"
#include "lock/frmVery.h"
#include "password/frmPassword.h"
#include "platform/storage/Settings.h"
#include "support/FakeKeyboard.h"
#include "support/Sandbox.h"
#include "uninstall/frmUninstall.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <functional>

using namespace testing_support;

namespace {

// What a note must not lie over: anything that shows something.
bool Shows(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w);
}

QRect InWindow(const QWidget *w)
{
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

// "Form.note over Form.other" for each overlap, and a note out of its window.
QStringList Misplaced(QWidget *window, const QList<QLabel *> &notes)
{
    QStringList found;
    for (QLabel *note : notes) {
        const QRect at = InWindow(note);
        if (!note->isVisible())
            found << note->objectName() + " is not shown";
        if (!window->rect().contains(at))
            found << note->objectName() + " lies outside its window";
        for (QWidget *other : window->findChildren<QWidget *>()) {
            if (other == note || !other->isVisible() || other->isAncestorOf(note) || !Shows(other))
                continue;
            if (InWindow(other).intersects(at))
                found << QStringLiteral("%1 over %2 \"%3\"")
                             .arg(note->objectName(),
                                  other->objectName().isEmpty() ? QString::fromLatin1(other->metaObject()->className())
                                                                : other->objectName(),
                                  qobject_cast<QLabel *>(other) ? qobject_cast<QLabel *>(other)->text().left(20)
                                                                : QString());
        }
    }
    return found;
}

template <class T> std::function<Form &()> Prompt()
{
    return []() -> Form & { return Forms::Get<T>(); };
}

class KeyboardNotesPlaceTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        keyboard.layout = platform::KeyboardLayout{"US INTL", "English (US, intl., with dead keys)", 1, 2, true};
        platform::Services with = RecorderServices();
        with.keyboard = &keyboard;
        platform::install(with);
    }
    void TearDown() override
    {
        Forms::DestroyAll();
        ResetRecorders();
        SandboxTest::TearDown();
    }
    FakeKeyboardState keyboard;
};

TEST_F(KeyboardNotesPlaceTest, EveryPromptShowsThemWhereTheyCoverNothing)
{
    // The Log Viewer asks for the password only while it is locked.
    ASSERT_TRUE(settings::Write(settings::ViewLogStatus, QStringLiteral("Locked")));
    const std::pair<const char *, std::function<Form &()>> prompts[] = {
        {"Normal lock", Prompt<frmNormalLock>()},
        {"Start Logon", Prompt<frmVery>()},
        {"uninstall guard", Prompt<frmUninstall>()},
        {"Log Viewer, locked", Prompt<frmLogViewer>()},
        {"Password Settings", Prompt<frmPassword>()},
    };
    for (const auto &[name, open] : prompts) {
        Form &form = open();
        form.show();
        QLabel *layout = form.findChild<QLabel *>("lblKeyboardLayout");
        QLabel *capsLock = form.findChild<QLabel *>("lblCapsLock");
        ASSERT_TRUE(layout && capsLock) << name;
        EXPECT_EQ(layout->text(), "US INTL") << name;
        const QStringList misplaced = Misplaced(&form, {layout, capsLock});
        EXPECT_TRUE(misplaced.isEmpty()) << name << ": " << misplaced.join("; ").toStdString();
        Forms::DestroyAll();
    }
}

} // namespace
