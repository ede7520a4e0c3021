#pragma once
// Alt+Shift at a lock switches to the next keyboard layout, as the classic
// shell switched input languages: both pressed and released with no other
// key, never while Ctrl is held (Ctrl+Shift+Alt is the NT-style lock's
// chord). The desktop's own switchers cannot act under the lock's grab; where
// its keyboard options already switch on Alt+Shift, the server does it and
// this adds nothing, so that one press never switches twice.

#include <QObject>

#include <Qt>

// The chord itself, apart from where the keys come from.
class AltShiftChord {
public:
    // A key went down (repeats are not passed); `modifiers` as the key event
    // carries them.
    void Pressed(int key, Qt::KeyboardModifiers modifiers);
    // A key came up; true when this release completes the chord.
    bool Released(int key);

private:
    bool m_alt = false;
    bool m_shift = false;
    bool m_spoiled = false;
    int m_down = 0;
};

// Watches every key the program receives while it lives (one per lock).
class LayoutSwitchChord : public QObject {
public:
    LayoutSwitchChord();
    ~LayoutSwitchChord() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AltShiftChord m_chord;
};
