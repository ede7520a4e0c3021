#pragma once
// The thin layer over Qt that every screen uses: message boxes, the bell,
// timers, text boxes with a masking character, clickable labels, the picture
// and rich-text controls, modifier state and process facts.

#include "platform/Platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QTextEdit>
#include <QTimer>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// The application title, used by message boxes that name none of their own.
inline const QString kAppTitle = QStringLiteral("Gardlock 2001");

// Message box; an empty title means the application title.
platform::MsgResult MsgBox(const QString &text, platform::MsgButtons buttons = platform::MsgButtons::OK,
                           platform::MsgIcon icon = platform::MsgIcon::None, const QString &title = QString(),
                           QWidget *owner = nullptr);
void Beep();

// The resolution of the program's timers: a timer made with a shorter
// interval fires this often. Every tick is a wake-up of the whole process,
// and the wake-ups are nearly all a locked desktop costs; the undoing of
// other programs' changes does not wait for ticks (it follows the window
// system's events), so the locks pace their short timers by those events
// and by the clock's second instead (TimerPace). Measured on an idle lock:
// 16 ms 0.5%, 50 ms 0.36%, 100 ms 0.17%, 250 ms 0.13% of a core (Normal lock).
inline constexpr int kTimerResolutionMs = 100;

// How a timer's ticks are paced.
enum class TimerPace {
    // Every interval, never more often than the resolution.
    Interval,
    // The same, resting while the display sleeps (the screen saver, the
    // monitors powered down); one tick at once when it wakes.
    IntervalAwake,
    // Just after each second of the wall clock, resting like IntervalAwake:
    // for a clock whose short interval was only there to catch the second.
    Seconds,
    // Whenever the display reports a change another program or the hardware
    // made, and as the window shows: for checks whose short interval stood
    // for "at once". No tick while nothing happens.
    DisplayChanges,
};

// A timer on the user-interface thread. Intervals below the platform's
// resolution fire as often as it allows (kTimerResolutionMs), unless the
// pace says otherwise.
// A timer whose parent is a widget does not tick while that widget is
// hidden: it stays enabled (isActive(); start() and stop() work as ever) but
// is held back until the widget is shown again, when a timer shorter than the
// resolution (or paced by the display's changes) also ticks once straight
// away, so that what it keeps in step is right as the screen appears.
QTimer *NewTimer(QObject *parent, int intervalMs, bool enabled, std::function<void()> onTick,
                 TimerPace pace = TimerPace::Interval);

// The interval a timer was made with, whatever it fires at.
int TimerInterval(const QTimer *timer);
// Whether the timer really fires now: enabled, and its widget shown.
bool TimerTicking(const QTimer *timer);

// The modifier state that comes with a key: Shift 1, Ctrl 2, Alt 4.
int ShiftState(Qt::KeyboardModifiers modifiers);

// Opens the menu at the mouse position; returns when it has closed, with the
// item chosen (null when none was).
QAction *ShowPopupMenu(QMenu &menu);

// Lets pending window events run inside a handler.
void DoEvents();

// A single-line text box with a maximum length and an optional masking
// character shown for every typed character.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr, int maxLength = 32767, QChar mask = QChar());
    void SetMaskChar(QChar mask);
};

// A label with click and mouse-move events (links, information lines).
// Once something listens to its click it is a link for the keyboard too: Tab
// reaches it, Enter or Space clicks it, a dotted frame marks the focus, and
// screen readers see a link named by its text (or its tip when it has none).
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);
    void SetColour(const QColor &colour);
    void SetUnderline(bool underline);
    // False keeps a mouse-only twin (a picture beside a link that does the
    // same) out of the Tab order.
    void SetKeyboardReachable(bool reachable);
    bool IsKeyboardReachable() const { return m_reachable; }
    // What a screen reader reads for it.
    QString SpokenName() const;
    // A click from the keyboard or an assistive tool.
    void Activate() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();
    void mouseMoved();

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_reachable = false;
    bool m_twin = false;
};

// Picture control: loads BMP, DIB, GIF, JPEG, ICO and WMF files stretched to
// the control, decoded no larger than the control's size at the load. The
// empty path clears the picture; a failed load leaves the one shown.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    // False when the path is empty or the file missing, unreadable, too
    // large or not a picture.
    bool LoadPicture(const QString &path);
    void SetPicture(const QImage &image);
    bool HasPicture() const { return !m_image.isNull(); }
    QImage Picture() const { return m_image; }
    // A preview shows the whole picture as large as it fits, keeping its
    // proportions, and decodes it no larger than the control.
    void SetKeepProportions(bool keep);
    // Where the picture is drawn inside the control.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    bool m_keepProportions = false;
};

// Rich-text box: a file that is rich text (RTF) is shown formatted, any other
// file as plain text.
class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);
    // False when the file is missing or unreadable; the box keeps its text then.
    bool LoadFile(const QString &path);
};
