// The caret stops blinking after a while without typing, and blinks again
// at the next key: seen as the text box's repaints, which the blink makes.

#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/CaretRest.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>

using testing_support::SandboxTest;

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class CaretRestTest : public SandboxTest {
protected:
    // Repaints of the box over a second and a half: three or so while it blinks.
    int PaintsOver(QLineEdit &box)
    {
        PaintCounter counter;
        box.installEventFilter(&counter);
        QTest::qWait(1500);
        box.removeEventFilter(&counter);
        return counter.paints;
    }
};

TEST_F(CaretRestTest, TheCaretRestsAfterTenSecondsWithoutAKeyAndBlinksAtTheNext)
{
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    ASSERT_GT(flash, 0);
    {
        CaretRest rest;
        QLineEdit box;
        box.show();
        QApplication::setActiveWindow(&box);
        box.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        EXPECT_GE(PaintsOver(box), 2) << "no blink to begin with";

        ASSERT_EVENTUALLY(QGuiApplication::styleHints()->cursorFlashTime() == 0, CaretRest::kRestAfterMs + 2000);
        // At rest the caret is drawn once, to stay shown.
        EXPECT_LE(PaintsOver(box), 1) << "still blinking at rest";
        QTest::keyClick(&box, Qt::Key_A);
        EXPECT_GE(PaintsOver(box), 2) << "no blink after a key";
        EXPECT_EQ(box.text(), "a");
    }
    EXPECT_EQ(QGuiApplication::styleHints()->cursorFlashTime(), flash) << "left resting when it ended";
}

} // namespace
