// The clock's label looks as a plain label with the same text, font and
// colour looks, whatever text it is given and however it got there, and a
// new second repaints only what changed.

#include "support/Eventually.h"
#include "support/Sandbox.h"
#include "ui/ClockLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>

#include <array>
#include <memory>

using testing_support::SandboxTest;

// Named: the unity build shares an anonymous namespace between test files.
namespace clock_label_test {

constexpr QSize kSize(129, 12);

QFont SmallFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(10);
    return font;
}

// A label's look on black, in white, drawn afresh.
QImage Drawn(QWidget &label)
{
    return label.parentWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the window shows after the repaints it was given.
QImage Shown(QWidget &label)
{
    QWidget *back = label.parentWidget();
    return back->screen()->grabWindow(back->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

template <typename Label>
std::unique_ptr<QWidget> OnBlack(const QString &text, Label *&label)
{
    auto back = std::make_unique<QWidget>();
    back->resize(kSize);
    back->setAutoFillBackground(true);
    QPalette palette = back->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    back->setPalette(palette);
    label = new Label(text, back.get());
    label->setFont(SmallFont());
    label->resize(kSize);
    return back;
}

QImage AsPlainLabel(const QString &text)
{
    QLabel *label = nullptr;
    const std::unique_ptr<QWidget> back = OnBlack(text, label);
    label->setTextFormat(Qt::PlainText);
    return Drawn(*label);
}

class PaintedArea : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted |= static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

class ClockLabelTest : public SandboxTest {};

TEST_F(ClockLabelTest, LooksAsAPlainLabelWithTheSameText)
{
    // The clock's own texts, one the font's glyphs cannot draw alone (a
    // script that needs shaping), and the empty one.
    for (const QString &text : {QStringLiteral("12/10/2026 11:35:23 AM"), QStringLiteral("02/09/2001"),
                                QStringLiteral("10/12/2026 \u0661\u0662:\u0663\u0665 \u0645"), QString()}) {
        ClockLabel *clock = nullptr;
        const std::unique_ptr<QWidget> back = OnBlack(text, clock);
        EXPECT_EQ(Drawn(*clock), AsPlainLabel(text)) << text.toStdString();

        QAccessibleInterface *read = QAccessible::queryAccessibleInterface(clock);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->role(), QAccessible::StaticText);
        EXPECT_EQ(read->text(QAccessible::Name), text);
    }
}

TEST_F(ClockLabelTest, ANewSecondRepaintsOnlyWhatChangedAndLeavesNoOldPixels)
{
    ClockLabel *clock = nullptr;
    const std::unique_ptr<QWidget> back = OnBlack(QStringLiteral("12/10/2026 11:35:29 AM"), clock);
    back->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(back.get()));
    PaintedArea area;
    clock->installEventFilter(&area);

    clock->setText(QStringLiteral("12/10/2026 11:35:30 AM"));
    ASSERT_EVENTUALLY(!area.painted.isEmpty(), 5000);
    const QFontMetrics metrics(SmallFont());
    const int tens = metrics.horizontalAdvance(QStringLiteral("12/10/2026 11:35:"));
    const int after = metrics.horizontalAdvance(QStringLiteral("12/10/2026 11:35:30"));
    const QRect painted = area.painted.boundingRect();
    EXPECT_LE(painted.left(), tens);
    EXPECT_GE(painted.right(), after - 1);
    EXPECT_LT(painted.width(), kSize.width() / 3) << "the whole line repainted";
    EXPECT_EQ(Shown(*clock), AsPlainLabel(clock->text()));

    // Into a text of another length and out of the glyphs' reach and back:
    // each time what shows is the new text alone.
    for (const QString &text : {QStringLiteral("1/1/2027"), QStringLiteral("1/1/2027 \u0661:\u0662"),
                                QStringLiteral("12/31/2026 11:59:59 PM")}) {
        clock->setText(text);
        QTest::qWait(50);
        EXPECT_EQ(Shown(*clock), AsPlainLabel(text)) << text.toStdString();
    }
}

// A clock and its shadow over a picture, as the Normal lock draws them: the
// shadow one pixel lower, under the clock.
struct ShadowedClock {
    std::unique_ptr<QWidget> back = std::make_unique<QWidget>();
    ClockLabel *shadow;
    ClockLabel *clock;
    std::array<ClockLabel *, 2> Stack() const { return {shadow, clock}; }

    explicit ShadowedClock(const QString &text)
    {
        back->resize(kSize + QSize(0, 1));
        QImage picture(back->size(), QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 2, 255 - x * 2, y * 20));
        auto *under = new QLabel(back.get());
        under->setPixmap(QPixmap::fromImage(picture));
        under->resize(back->size());
        shadow = new ClockLabel(text, back.get());
        clock = new ClockLabel(text, back.get());
        for (auto [label, colour] : {std::pair{shadow, Qt::black}, std::pair{clock, Qt::white}}) {
            label->setFont(SmallFont());
            label->resize(kSize);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, colour);
            label->setPalette(palette);
        }
        shadow->move(0, 1);
    }
    void SetText(const QString &text)
    {
        const QRect below = shadow->SetTextUnpainted(text).translated(shadow->pos());
        const QRect above = clock->SetTextUnpainted(text).translated(clock->pos());
        ClockLabel::RepaintStack(Stack(), below | above);
    }
};

TEST_F(ClockLabelTest, AClockAndItsShadowRepaintedInPlaceLookAsIfPaintedAfresh)
{
    ShadowedClock shown(QStringLiteral("12/10/2026 11:35:29 AM"));
    shown.back->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown.back.get()));
    ASSERT_EVENTUALLY(!Shown(*shown.clock).isNull(), 5000);
    PaintedArea area;
    for (QWidget *widget : shown.back->findChildren<QWidget *>())
        widget->installEventFilter(&area);

    // Drawn straight into the window over what each label keeps: no widget
    // paints, and the picture shows through between the glyphs.
    for (const QString &text : {QStringLiteral("12/10/2026 11:35:30 AM"), QStringLiteral("12/10/2026 11:35:31 AM"),
                                QStringLiteral("1/1/2027"), QStringLiteral("12/31/2026 11:59:59 PM")}) {
        shown.SetText(text);
        const ShadowedClock fresh(text);
        EXPECT_EQ(Shown(*shown.clock), Drawn(*fresh.clock)) << text.toStdString();
    }
    EXPECT_TRUE(area.painted.isEmpty()) << "painted through the widgets";

    // A widget over the clock is not painted over: the window repaints.
    auto *over = new QLabel(QStringLiteral("X"), shown.back.get());
    over->setAutoFillBackground(true);
    over->setGeometry(kSize.width() - 40, 0, 40, kSize.height());
    over->installEventFilter(&area);
    over->show();
    ASSERT_EVENTUALLY(!area.painted.isEmpty(), 5000);
    area.painted = {};
    shown.SetText(QStringLiteral("12/31/2026 11:59:58 PM"));
    EXPECT_FALSE(area.painted.isEmpty());
    ShadowedClock fresh(QStringLiteral("12/31/2026 11:59:58 PM"));
    auto *freshOver = new QLabel(QStringLiteral("X"), fresh.back.get());
    freshOver->setAutoFillBackground(true);
    freshOver->setGeometry(over->geometry());
    EXPECT_EQ(Shown(*shown.clock), Drawn(*fresh.clock));
}

} // namespace clock_label_test
