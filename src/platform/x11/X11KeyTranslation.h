#pragma once
// A key as the X server reported it (its keycode and the core state from
// before it) read as Qt's xcb platform reads a real one, so that a key the
// supervisor caught and passes on arrives in the lock as that key would
// have: the keysym and text from the keyboard's XKB map under the key's own
// modifiers and layout group, Qt's key code and modifiers from those.

#include <QString>
#include <Qt>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>

namespace platform::x11 {

struct TranslatedKey {
    int key = 0; // Qt::Key
    Qt::KeyboardModifiers modifiers;
    std::uint32_t keysym = 0;
    QString text;
};

// Qt's modifiers for a core state: Shift, Control, Alt (Mod1), Meta (Mod4).
Qt::KeyboardModifiers QtModifiers(std::uint16_t state);

// The key `keycode` under `state`: the modifier bits in its low byte, the
// XKB group in bits 13-14.
TranslatedKey TranslateKey(xkb_keymap *keymap, std::uint8_t keycode, std::uint16_t state);

struct KeymapDeleter {
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

// The core keyboard's map as the server has it now, read on `conn` (which
// has XKB set up, as Qt's own connection has); null when it cannot be read.
Keymap ServerKeymap(xcb_connection_t *conn);

} // namespace platform::x11
