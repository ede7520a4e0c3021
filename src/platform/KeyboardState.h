#pragma once
// The keyboard's layout and Caps Lock, as the notes at every password prompt
// show them, and the one way the program changes the layout: to the next one
// the desktop configured. The X11 one follows the server's XKB state events;
// without XKB (or a service) there is nothing to show.

#include <QObject>
#include <QString>

#include <optional>

namespace platform {

struct KeyboardLayout {
    QString shortName;   // "RU", "US INTL"
    QString fullName;    // the keymap's own name of the group: "Russian"
    int group = 0;       // counted from 0
    int groups = 1;      // how many the desktop configured
    bool capsLock = false;
    // The desktop's own options switch layouts with Alt+Shift already.
    bool altShiftSwitches = false;
    bool operator==(const KeyboardLayout &) const = default;
};

class KeyboardState : public QObject {
    Q_OBJECT
public:
    // Nothing when the keyboard's state cannot be known (no XKB).
    virtual std::optional<KeyboardLayout> Current() = 0;
    // Locks the next configured group, after the last the first; nothing
    // with a single group.
    virtual void SelectNextLayout() = 0;

Q_SIGNALS:
    // The layout, the layouts configured or Caps Lock changed.
    void Changed();
};

// The installed one (Services::keyboard, platform/Platform.h), or null.
KeyboardState *keyboardState();

} // namespace platform
