#pragma once
// The two notes at a password prompt that keep a keyboard from locking its
// owner out: the layout active now, by its short name ("RU", "US"), which a
// click switches to the next one the desktop configured, and "Caps Lock is
// on" while Caps Lock is locked. They follow every change at once; without
// a keyboard state (no XKB) both stay hidden. Screen readers see both as
// labels named by the text they show.

#include <QObject>
#include <QPoint>

class QFont;
class QLabel;
class QWidget;

class KeyboardNotes : public QObject {
    Q_OBJECT
public:
    // Children of `parent`, one line high, hidden until placed and shown.
    KeyboardNotes(QWidget *parent, const QFont &font);

    // Puts the layout note at `topLeft` and the Caps Lock note right of it.
    void Place(QPoint topLeft);
    // Text and background of both, as a style sheet's colours ("white", "black").
    void SetColours(const QString &text, const QString &background);
    // False hides both whatever the keyboard says (a prompt hidden with its box).
    void SetShown(bool shown);

    QLabel *LayoutNote() const { return m_layout; }
    QLabel *CapsLockNote() const { return m_capsLock; }
    // The height of the line the notes take.
    int LineHeight() const;

private:
    void Update();

    QLabel *m_layout;
    QLabel *m_capsLock;
    bool m_shown = true;
};
