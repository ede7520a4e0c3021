#include "ui/WindowServices.h"
#include "platform/ProcessFacts.h"

#include "platform/DisplayActivity.h"

#include "formats/Cp1252.h"
#include "formats/RichText.h"
#include "platform/storage/FileIO.h"
#include "ui/KeyboardAccess.h"
#include "ui/Pictures.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>

#include <algorithm>
#include <limits>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title, QWidget *owner)
{
    return platform::services().dialogs->MessageBox(owner, text, title.isEmpty() ? app::Title() : title,
                                                    buttons, icon);
}

void Beep()
{
    platform::services().dialogs->Beep();
}

namespace {

// A timer held back this long never fires in practice.
constexpr int kHeldBackMs = std::numeric_limits<int>::max();

int FiringInterval(int intervalMs)
{
    return std::max(intervalMs, kTimerResolutionMs);
}

// How long until just after the next second of the wall clock.
int UntilNextSecond()
{
    constexpr int kPastTheSecondMs = 5;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return int(1000 - now % 1000) + kPastTheSecondMs;
}

// Holds a timer back while the widget it belongs to is hidden. Holding back
// (rather than stopping) keeps the timer's enabled state the program's own:
// a stop() or start() while hidden means what it says once shown again.
// Paces its ticks as the timer was made to (see TimerPace).
class TimerGate : public QObject {
public:
    TimerGate(QTimer *timer, QWidget *widget, int intervalMs, TimerPace pace, std::function<void()> onTick)
        : QObject(timer), m_timer(timer), m_widget(widget), m_interval(intervalMs), m_pace(pace),
          m_onTick(std::move(onTick))
    {
        platform::DisplayActivity &display = platform::displayActivity();
        if (m_pace == TimerPace::DisplayChanges)
            connect(&display, &platform::DisplayActivity::Changed, this, [this] { TickIfDue(); });
        if (RestsWhileDisplaySleeps())
            connect(&display, &platform::DisplayActivity::Woke, this, [this] { Wake(); });
        if (m_pace == TimerPace::Seconds)
            m_timer->setTimerType(Qt::PreciseTimer); // early by a little would miss the second
        if (m_widget) {
            m_widget->installEventFilter(this);
            m_heldBack = !m_widget->isVisible();
        }
        Arm();
    }
    ~TimerGate() override
    {
        if (m_widget)
            m_widget->removeEventFilter(this);
    }

    int Interval() const { return m_interval; }
    bool HeldBack() const { return m_heldBack; }

    void Tick()
    {
        // Started while hidden before the hide was seen: hold it back now.
        if (m_widget && !m_widget->isVisible()) {
            HoldBack();
            return;
        }
        if (RestsWhileDisplaySleeps() && platform::displayActivity().SleepsNow()) {
            m_resting = true;
            Arm();
            return;
        }
        m_onTick();
        if (m_pace == TimerPace::Seconds && m_timer->isActive())
            Arm();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Spontaneous ones are the window system's (a window minimized and
        // restored): the program still shows the screen.
        if (watched == m_widget && !event->spontaneous()) {
            if (event->type() == QEvent::Hide)
                HoldBack();
            else if (event->type() == QEvent::Show)
                Release();
        }
        return false;
    }

private:
    bool RestsWhileDisplaySleeps() const
    {
        return m_pace == TimerPace::IntervalAwake || m_pace == TimerPace::Seconds;
    }
    // The interval the QTimer runs at: an active timer restarts with it.
    void Arm()
    {
        int interval = FiringInterval(m_interval);
        if (m_heldBack || m_resting || m_pace == TimerPace::DisplayChanges)
            interval = kHeldBackMs;
        else if (m_pace == TimerPace::Seconds)
            interval = UntilNextSecond();
        m_timer->setInterval(interval);
    }
    void TickIfDue()
    {
        if (m_timer->isActive() && !m_heldBack)
            Tick();
    }
    void HoldBack()
    {
        if (m_heldBack)
            return;
        m_heldBack = true;
        Arm();
    }
    void Release()
    {
        if (!m_heldBack)
            return;
        m_heldBack = false;
        Arm();
        if (m_timer->isActive() && (m_interval < kTimerResolutionMs || m_pace == TimerPace::DisplayChanges)) {
            // After the show has run, before the window is painted.
            QMetaObject::invokeMethod(this, [this] { TickIfDue(); }, Qt::QueuedConnection);
        }
    }
    // The display woke: bring what the timer keeps up to date at once.
    void Wake()
    {
        if (!m_resting)
            return;
        m_resting = false;
        Arm();
        TickIfDue();
    }

    QTimer *m_timer;
    QPointer<QWidget> m_widget;
    int m_interval;
    TimerPace m_pace;
    std::function<void()> m_onTick;
    bool m_heldBack = false;
    bool m_resting = false;
};

const TimerGate *GateOf(const QTimer *timer)
{
    for (const QObject *child : timer->children())
        if (auto *gate = dynamic_cast<const TimerGate *>(child))
            return gate;
    return nullptr;
}

} // namespace

QTimer *NewTimer(QObject *parent, int intervalMs, bool enabled, std::function<void()> onTick, TimerPace pace)
{
    auto *timer = new QTimer(parent);
    // Coarse timers of one interval wake the process together.
    timer->setTimerType(Qt::CoarseTimer);
    auto *gate = new TimerGate(timer, qobject_cast<QWidget *>(parent), intervalMs, pace, std::move(onTick));
    QObject::connect(timer, &QTimer::timeout, gate, &TimerGate::Tick);
    if (enabled)
        timer->start();
    return timer;
}

int TimerInterval(const QTimer *timer)
{
    const TimerGate *gate = GateOf(timer);
    return gate ? gate->Interval() : timer->interval();
}

bool TimerTicking(const QTimer *timer)
{
    const TimerGate *gate = GateOf(timer);
    return timer->isActive() && !(gate && gate->HeldBack());
}

int ShiftState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

QAction *ShowPopupMenu(QMenu &menu)
{
    return menu.exec(QCursor::pos());
}

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {

// Supplies the masking character of one text box.
class MaskStyle : public QProxyStyle {
public:
    explicit MaskStyle(QChar mask) : m_mask(mask) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return m_mask.unicode();
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_mask;
};

} // namespace

TextBox::TextBox(QWidget *parent, int maxLength, QChar mask) : QLineEdit(parent)
{
    setMaxLength(maxLength);
    SetMaskChar(mask);
}

void TextBox::SetMaskChar(QChar mask)
{
    if (mask.isNull()) {
        setEchoMode(QLineEdit::Normal);
        return;
    }
    auto *style = new MaskStyle(mask);
    style->setParent(this);
    setStyle(style);
    setEchoMode(QLineEdit::Password);
}

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    ui::InstallLinkAccessibility();
}

void LinkLabel::SetKeyboardReachable(bool reachable)
{
    m_twin = !reachable;
    m_reachable = reachable;
    setFocusPolicy(reachable ? Qt::TabFocus : Qt::NoFocus);
}

QString LinkLabel::SpokenName() const
{
    if (!accessibleName().isEmpty())
        return accessibleName();
    const QString shown = text().simplified();
    return shown.isEmpty() ? toolTip() : shown;
}

// Tab focus only: a click follows the link without taking the focus from
// the box the user is typing in.
void LinkLabel::connectNotify(const QMetaMethod &signal)
{
    QLabel::connectNotify(signal);
    if (!m_twin && signal == QMetaMethod::fromSignal(&LinkLabel::clicked)) {
        m_reachable = true;
        setFocusPolicy(Qt::TabFocus);
    }
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (m_reachable && plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        Q_EMIT clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The dotted frame of a focused link, in the link's own colour.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::WindowText));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void LinkLabel::SetColour(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::SetUnderline(bool underline)
{
    QFont f = font();
    if (f.underline() == underline)
        return;
    f.setUnderline(underline);
    setFont(f);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    Q_EMIT mouseMoved();
}

PictureBox::PictureBox(QWidget *parent) : QLabel(parent) {}

bool PictureBox::LoadPicture(const QString &path)
{
    if (path.isEmpty()) {
        SetPicture(QImage());
        return false;
    }
    // Never decoded larger than the control shows it: a photograph behind a
    // lock costs what the screen holds, not what the camera took.
    const QImage picture = ReadPictureFile(path, size());
    if (picture.isNull())
        return false; // what the control shows stays as it was
    SetPicture(picture);
    return true;
}

void PictureBox::SetPicture(const QImage &image)
{
    m_image = image;
    update();
}

void PictureBox::SetKeepProportions(bool keep)
{
    m_keepProportions = keep;
    update();
}

QRect PictureBox::PictureRect() const
{
    if (m_image.isNull() || !m_keepProportions)
        return rect();
    QRect target(QPoint(), m_image.size().scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    return target;
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    // An empty box behind a lock's clock would otherwise start a painter
    // every second for nothing.
    if (frameShape() != QFrame::NoFrame || !text().isEmpty() || !pixmap().isNull())
        QLabel::paintEvent(event);
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), m_image);
}

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
}

bool RichTextBox::LoadFile(const QString &path)
{
    // 64 MiB is far beyond any log or news file; it only bounds a runaway read.
    const platform::ReadResult read = platform::ReadFileHead(path, 64LL << 20);
    if (read.status != platform::ReadStatus::Ok)
        return false;
    if (formats::IsRtf(read.bytes))
        setDocument(formats::RtfToDocument(read.bytes, this));
    else
        setPlainText(formats::FromCp1252(read.bytes));
    return true;
}
