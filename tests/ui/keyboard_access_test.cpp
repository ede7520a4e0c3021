#include "support/Sandbox.h"
#include "ui/Form.h"
#include "ui/KeyboardAccess.h"
#include "ui/NavigationBar.h"
#include "ui/ScreenKit.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QTest>

using testing_support::SandboxTest;

namespace {

QAccessibleInterface *Accessible(QWidget *w)
{
    return QAccessible::queryAccessibleInterface(w);
}

class KeyboardAccessTest : public SandboxTest {};

TEST_F(KeyboardAccessTest, LinksJoinTheKeyboardOnceSomethingListensToTheirClick)
{
    QWidget window;
    LinkLabel *listened = ui::Link(QStringLiteral("Help"), &window);
    LinkLabel *idle = ui::Link(QStringLiteral("A line of text"), &window);
    LinkLabel *twin = ui::LinkIcon(&window, QStyle::SP_FileIcon);
    QObject::connect(listened, &LinkLabel::clicked, [] {});
    QObject::connect(twin, &LinkLabel::clicked, [] {});
    QObject::connect(idle, &LinkLabel::mouseMoved, [] {});

    EXPECT_TRUE(listened->IsKeyboardReachable());
    EXPECT_EQ(listened->focusPolicy(), Qt::TabFocus);
    EXPECT_FALSE(idle->IsKeyboardReachable());
    EXPECT_EQ(idle->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(twin->IsKeyboardReachable()) << "the picture beside a link stays out of the Tab order";
    EXPECT_EQ(twin->focusPolicy(), Qt::NoFocus);
}

TEST_F(KeyboardAccessTest, EnterAndSpaceClickALinkAndOtherKeysDoNot)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int clicks;
    };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, 1}, {Qt::Key_Enter, Qt::KeypadModifier, 1},
        {Qt::Key_Space, Qt::NoModifier, 1},  {Qt::Key_A, Qt::NoModifier, 0},
        {Qt::Key_Tab, Qt::NoModifier, 0},    {Qt::Key_Return, Qt::ControlModifier, 0},
        {Qt::Key_Space, Qt::AltModifier, 0},
    };
    for (const Case &c : cases) {
        QWidget window;
        LinkLabel *link = ui::Link(QStringLiteral("Password Settings |"), &window);
        QSignalSpy clicks(link, &LinkLabel::clicked);
        QObject::connect(link, &LinkLabel::clicked, [] {});
        QTest::keyClick(link, c.key, c.modifiers);
        EXPECT_EQ(clicks.count(), c.clicks) << "key " << c.key << " modifiers " << int(c.modifiers);
    }

    // A label nobody listens to is no link: the key goes on to its window.
    QWidget window;
    LinkLabel *idle = ui::Link(QStringLiteral("plain"), &window);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(idle, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(KeyboardAccessTest, TheFocusedLinkIsMarkedAndStillLooksLikeALink)
{
    QWidget window;
    window.resize(200, 80);
    LinkLabel *link = ui::Link(QStringLiteral("Minimize to tray"), &window, ui::kNavy);
    link->setGeometry(10, 10, 150, 20);
    QObject::connect(link, &LinkLabel::clicked, [] {});
    auto *other = new QPushButton(QStringLiteral("&OK"), &window);
    other->setGeometry(10, 34, 60, 20);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    ASSERT_FALSE(link->hasFocus());
    const QImage plain = link->grab().toImage();
    link->setFocus();
    ASSERT_TRUE(link->hasFocus());
    const QImage marked = link->grab().toImage();
    EXPECT_NE(plain, marked) << "focus draws a mark";
    // The mark runs along the edge in the link's colour; the text is untouched.
    int navyOnTop = 0;
    for (int x = 0; x < marked.width(); ++x)
        navyOnTop += QColor(marked.pixel(x, 0)) == ui::kNavy ? 1 : 0;
    EXPECT_GT(navyOnTop, marked.width() / 4);
    EXPECT_EQ(plain.copy(2, 2, plain.width() - 4, plain.height() - 4),
              marked.copy(2, 2, marked.width() - 4, marked.height() - 4));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), ui::kNavy);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(KeyboardAccessTest, AssistiveToolsSeeLinksNamedAndPressable)
{
    QWidget window;
    LinkLabel *text = ui::Link(QStringLiteral("Help"), &window);
    text->setToolTip(QStringLiteral("displays program information"));
    LinkLabel *info = ui::InformationIcon(&window);
    LinkLabel *twin = ui::LinkIcon(&window, QStyle::SP_FileIcon);
    twin->setAccessibleName(QStringLiteral("View log"));
    int presses = 0;
    for (LinkLabel *l : {text, info, twin})
        QObject::connect(l, &LinkLabel::clicked, [&presses] { ++presses; });

    struct Case {
        LinkLabel *link;
        QAccessible::Role role;
        QString name;
        QString description;
        bool pressable;
    };
    const Case cases[] = {
        {text, QAccessible::Link, "Help", "displays program information", true},
        {info, QAccessible::Link, "Information", "", true},
        {twin, QAccessible::Graphic, "View log", "", false},
    };
    for (const Case &c : cases) {
        QAccessibleInterface *a = Accessible(c.link);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), c.role) << c.name.toStdString();
        EXPECT_EQ(a->text(QAccessible::Name), c.name);
        EXPECT_EQ(a->text(QAccessible::Description), c.description);
        QAccessibleActionInterface *actions = a->actionInterface();
        ASSERT_NE(actions, nullptr);
        const bool pressable = actions->actionNames().contains(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(pressable, c.pressable) << c.name.toStdString();
        EXPECT_EQ(a->state().focusable, c.pressable) << c.name.toStdString();
    }
    Accessible(text)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    Accessible(twin)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(presses, 1) << "only the link presses; its twin is the mouse's";
}

TEST_F(KeyboardAccessTest, MaskedTextBoxesArePasswordTextAndButtonsAreNamedWithoutTheirAmpersand)
{
    QWidget window;
    TextBox masked(&window, 20, QChar('*'));
    TextBox plain(&window, 20);
    HoverButton button(QStringLiteral("&Normal Lock"), &window);
    masked.setText(QStringLiteral("secret"));

    EXPECT_TRUE(Accessible(&masked)->state().passwordEdit);
    EXPECT_FALSE(Accessible(&plain)->state().passwordEdit);
    EXPECT_NE(Accessible(&masked)->text(QAccessible::Value), QStringLiteral("secret"))
        << "a screen reader must not read the password out";
    EXPECT_EQ(Accessible(&button)->role(), QAccessible::Button);
    EXPECT_EQ(Accessible(&button)->text(QAccessible::Name), QStringLiteral("Normal Lock"));
    EXPECT_TRUE(button.focusPolicy() & Qt::TabFocus);
}

QWidget *Placed(QWidget *parent, QRect area, Qt::FocusPolicy policy = Qt::StrongFocus)
{
    auto *w = new QWidget(parent);
    w->setGeometry(area);
    w->setFocusPolicy(policy);
    return w;
}

TEST_F(KeyboardAccessTest, ScreenOrderIsTopToBottomThenLeftToRight)
{
    QWidget window;
    window.resize(400, 300);
    // Made in an order unlike the screen's.
    QWidget *okButton = Placed(&window, {300, 250, 80, 28});
    QWidget *cancelButton = Placed(&window, {200, 252, 80, 24}); // a little lower, same row
    QWidget *box = Placed(&window, {100, 100, 200, 20});
    auto *frame = new QFrame(&window);
    frame->setGeometry(0, 130, 400, 100);
    QWidget *inFrameRight = Placed(frame, {200, 10, 50, 20});
    QWidget *inFrameLeft = Placed(frame, {20, 12, 50, 20});
    QWidget *decoration = Placed(&window, {0, 0, 400, 20}, Qt::NoFocus);
    QWidget *clickOnly = Placed(&window, {0, 40, 50, 20}, Qt::ClickFocus);
    auto *spin = new QSpinBox(&window); // its own edit goes with it
    spin->setGeometry(10, 60, 60, 20);
    QWidget *top = Placed(&window, {300, 5, 50, 20});

    const QList<QWidget *> expected{top, spin, box, inFrameLeft, inFrameRight, cancelButton, okButton};
    EXPECT_EQ(ui::ScreenOrder(&window), expected);
    (void)decoration;
    (void)clickOnly;

    ui::OrderTabsByScreenPosition(&window);
    QWidget *w = top;
    for (qsizetype i = 1; i < expected.size(); ++i) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->focusProxy() || w->parentWidget() == spin ||
               w == clickOnly)
            w = w->nextInFocusChain();
        EXPECT_EQ(w, expected[i]) << "step " << i;
    }
}

TEST_F(KeyboardAccessTest, ScreenOrderKeepsTheControlTheScreenOpenedOn)
{
    QWidget window;
    window.resize(300, 200);
    auto *password = new TextBox(&window, 20, QChar('*')); // made first: the focus opened here
    password->setGeometry(20, 100, 200, 20);
    LinkLabel *nav = ui::Link(QStringLiteral("Home"), &window);
    nav->setGeometry(0, 0, 60, 20);
    QObject::connect(nav, &LinkLabel::clicked, [] {});

    ui::OrderTabsByScreenPosition(&window);
    EXPECT_EQ(window.focusWidget(), password);
    EXPECT_EQ(ui::ScreenOrder(&window).first(), nav);
}

class DialogForm : public Form {
public:
    DialogForm()
    {
        resize(300, 100);
        cancel = new QPushButton(QStringLiteral("&Cancel"), this);
        ok = new QPushButton(QStringLiteral("&OK"), this);
    }
    QPushButton *cancel;
    QPushButton *ok;
};

class GuardForm : public DialogForm {
protected:
    bool acceptsCloseRequest() const override { return false; }
};

class CloseLinkForm : public Form {
public:
    CloseLinkForm()
    {
        close = ui::Link(QStringLiteral("X"), this);
        close->setAccessibleName(QStringLiteral("Close"));
        QObject::connect(close, &LinkLabel::clicked, [this] { ++closes; });
    }
    LinkLabel *close;
    int closes = 0;
};

TEST_F(KeyboardAccessTest, EscapeClicksCancelOrCloseButNeverInAWindowThatRefusesToClose)
{
    DialogForm &dialog = Forms::Get<DialogForm>();
    dialog.show();
    QSignalSpy cancels(dialog.cancel, &QPushButton::clicked);
    QSignalSpy oks(dialog.ok, &QPushButton::clicked);
    QTest::keyClick(dialog.ok, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 1);
    EXPECT_EQ(oks.count(), 0);

    dialog.cancel->setEnabled(false);
    QTest::keyClick(dialog.ok, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 1) << "a disabled Cancel is not clicked";

    GuardForm &guard = Forms::Get<GuardForm>();
    guard.show();
    QSignalSpy guardCancels(guard.cancel, &QPushButton::clicked);
    QTest::keyClick(guard.ok, Qt::Key_Escape);
    EXPECT_EQ(guardCancels.count(), 0);

    CloseLinkForm &info = Forms::Get<CloseLinkForm>();
    info.show();
    QTest::keyClick(&info, Qt::Key_Escape);
    EXPECT_EQ(info.closes, 1);
}

// An About-like window: a button made before its default "OK", no text box.
class InformingForm : public Form {
public:
    InformingForm()
    {
        resize(300, 100);
        check = new QPushButton(QStringLiteral("&Check for Update"), this);
        check->setGeometry(10, 60, 140, 28);
        ok = new QPushButton(QStringLiteral("&OK"), this);
        ok->setGeometry(200, 60, 80, 28);
        ok->setDefault(true);
    }
    QPushButton *check;
    QPushButton *ok;
};

// The same with a box to type in: the box is where the typing starts.
class AskingForm : public Form {
public:
    AskingForm()
    {
        resize(300, 100);
        box = new TextBox(this);
        box->setGeometry(10, 10, 200, 24);
        check = new QPushButton(QStringLiteral("&Check"), this);
        check->setGeometry(10, 60, 140, 28);
        ok = new QPushButton(QStringLiteral("&OK"), this);
        ok->setGeometry(200, 60, 80, 28);
        ok->setDefault(true);
    }
    TextBox *box;
    QPushButton *check;
    QPushButton *ok;
};

// A page with the navigation bar whose "Cancel" leads to another page.
class PageForm : public Form {
public:
    PageForm()
    {
        resize(400, 200);
        new NavigationBar(this, NavPage::PasswordSettings, this);
        cancel = new QPushButton(QStringLiteral("&Cancel"), this);
        cancel->setGeometry(300, 150, 80, 28);
    }
    QPushButton *cancel;
};

TEST_F(KeyboardAccessTest, AWindowOpensWithItsFocusShownWhereTheKeyboardUserStarts)
{
    InformingForm &informing = Forms::Get<InformingForm>();
    informing.show();
    EXPECT_EQ(informing.focusWidget(), informing.ok) << "nothing to type: the window opens at its default button";
    EXPECT_TRUE(informing.testAttribute(Qt::WA_KeyboardFocusChange)) << "the focus is marked from the start";

    AskingForm &asking = Forms::Get<AskingForm>();
    asking.show();
    EXPECT_EQ(asking.focusWidget(), asking.box);

    // A screen that put the focus somewhere itself keeps it there.
    Forms::DestroyAll();
    InformingForm &placed = Forms::Get<InformingForm>();
    placed.check->setFocus();
    placed.show();
    EXPECT_EQ(placed.focusWidget(), placed.check);
}

TEST_F(KeyboardAccessTest, EnterPressesTheFocusedButtonAndEscapeTheOkOfAWindowWithoutCancel)
{
    InformingForm &form = Forms::Get<InformingForm>();
    form.show();
    QSignalSpy checks(form.check, &QPushButton::clicked);
    QSignalSpy oks(form.ok, &QPushButton::clicked);
    form.check->setFocus();
    QTest::keyClick(form.check, Qt::Key_Return);
    EXPECT_EQ(checks.count(), 1);
    QTest::keyClick(form.check, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(checks.count(), 2);
    QTest::keyClick(form.check, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(checks.count(), 2) << "Ctrl+Enter is no press";
    EXPECT_EQ(oks.count(), 0);
    QTest::keyClick(form.check, Qt::Key_Escape);
    EXPECT_EQ(oks.count(), 1);
    EXPECT_EQ(checks.count(), 2);

    // A text box's Enter is its screen's: no button is pressed for it.
    AskingForm &asking = Forms::Get<AskingForm>();
    asking.show();
    QSignalSpy askingOks(asking.ok, &QPushButton::clicked);
    QSignalSpy askingChecks(asking.check, &QPushButton::clicked);
    QTest::keyClick(asking.box, Qt::Key_Return);
    EXPECT_EQ(askingOks.count() + askingChecks.count(), 0);
}

TEST_F(KeyboardAccessTest, EscapeDoesNotLeaveAPage)
{
    PageForm &page = Forms::Get<PageForm>();
    page.show();
    QSignalSpy cancels(page.cancel, &QPushButton::clicked);
    QTest::keyClick(&page, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 0);
    EXPECT_EQ(ui::EscapeControl(&page), nullptr);
}

} // namespace

namespace {

TEST_F(KeyboardAccessTest, UnnamedBoxesTakeTheNameOfTheLabelBesideOrAboveThem)
{
    QWidget window;
    window.resize(500, 300);
    auto label = [&](const QString &text, QRect area) {
        auto *l = new QLabel(text, &window);
        l->setGeometry(area);
    };
    label(QStringLiteral("New password:"), {10, 20, 120, 20});
    auto *beside = new TextBox(&window, 15, QChar('*'));
    beside->setGeometry(140, 20, 150, 20);
    label(QStringLiteral("&Destination"), {10, 60, 200, 16});
    auto *below = new TextBox(&window);
    below->setGeometry(10, 80, 200, 20);
    auto *named = new TextBox(&window);
    named->setGeometry(140, 120, 150, 20);
    named->setAccessibleName(QStringLiteral("Given"));
    auto *farAway = new TextBox(&window); // nothing near it
    farAway->setGeometry(300, 250, 150, 20);
    auto *button = new QPushButton(QStringLiteral("&OK"), &window); // named by its caption
    button->setGeometry(400, 20, 80, 24);

    ui::NameControlsFromLabels(&window);
    EXPECT_EQ(beside->accessibleName(), QStringLiteral("New password"));
    EXPECT_EQ(below->accessibleName(), QStringLiteral("Destination"));
    EXPECT_EQ(named->accessibleName(), QStringLiteral("Given"));
    EXPECT_EQ(farAway->accessibleName(), QString());
    EXPECT_EQ(button->accessibleName(), QString());
}

} // namespace

namespace {

TEST_F(KeyboardAccessTest, AnEditableComboBoxAndItsEditTakeTheLabelBesideThem)
{
    QWidget window;
    window.resize(400, 100);
    (new QLabel(QStringLiteral("Name:"), &window))->setGeometry(10, 20, 60, 20);
    auto *printers = new QComboBox(&window);
    printers->setEditable(true);
    printers->addItem(QStringLiteral("Office printer"));
    printers->setGeometry(80, 18, 200, 24);

    ui::NameControlsFromLabels(&window);
    EXPECT_EQ(printers->lineEdit()->accessibleName(), QStringLiteral("Name"));
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(printers)->text(QAccessible::Name).isEmpty());
}

} // namespace

namespace {

TEST_F(KeyboardAccessTest, TabLeavesAMultiLineBoxInsteadOfTypingATab)
{
    QWidget window;
    window.resize(300, 200);
    auto *lines = new QPlainTextEdit(&window);
    lines->setGeometry(10, 10, 200, 80);
    auto *button = new QPushButton(QStringLiteral("&Save"), &window);
    button->setGeometry(10, 120, 80, 24);
    window.show();
    QApplication::setActiveWindow(&window);
    ui::OrderTabsByScreenPosition(&window);
    lines->setFocus();
    QTest::keyClick(lines, Qt::Key_Tab);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_EQ(lines->toPlainText(), QString());
}

} // namespace
