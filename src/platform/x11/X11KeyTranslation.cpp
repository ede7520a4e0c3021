#include "platform/x11/X11KeyTranslation.h"

#include <QtGui/private/qxkbcommon_p.h>

#include <xkbcommon/xkbcommon-x11.h>

namespace platform::x11 {

namespace {

// The eight core modifiers, bit by bit, by their XKB names.
constexpr const char *kCoreModifiers[] = {XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CAPS, XKB_MOD_NAME_CTRL, "Mod1",
                                          "Mod2",             "Mod3",            "Mod4",            "Mod5"};

xkb_mod_mask_t XkbModifiers(xkb_keymap *keymap, std::uint16_t state)
{
    xkb_mod_mask_t mask = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (!(state & (1u << bit)))
            continue;
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, kCoreModifiers[bit]);
        if (index != XKB_MOD_INVALID)
            mask |= xkb_mod_mask_t(1) << index;
    }
    return mask;
}

} // namespace

Qt::KeyboardModifiers QtModifiers(std::uint16_t state)
{
    Qt::KeyboardModifiers modifiers;
    if (state & XCB_MOD_MASK_SHIFT)
        modifiers |= Qt::ShiftModifier;
    if (state & XCB_MOD_MASK_CONTROL)
        modifiers |= Qt::ControlModifier;
    if (state & XCB_MOD_MASK_1)
        modifiers |= Qt::AltModifier;
    if (state & XCB_MOD_MASK_4)
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

TranslatedKey TranslateKey(xkb_keymap *keymap, std::uint8_t keycode, std::uint16_t state)
{
    TranslatedKey key;
    key.modifiers = QtModifiers(state);
    // A state of the key's own, as Qt makes one for a key event another
    // client sent: the keyboard's present state says nothing of this key's.
    const QXkbCommon::ScopedXKBState xkbState(xkb_state_new(keymap));
    if (!xkbState)
        return key;
    xkb_state_update_mask(xkbState.get(), XkbModifiers(keymap, state), 0, 0, 0, 0, (state >> 13) & 3);
    key.keysym = xkb_state_key_get_one_sym(xkbState.get(), keycode);
    key.text = QXkbCommon::lookupString(xkbState.get(), keycode);
    if (QXkbCommon::isKeypad(key.keysym))
        key.modifiers |= Qt::KeypadModifier;
    key.key = QXkbCommon::keysymToQtKey(key.keysym, key.modifiers, xkbState.get(), keycode);
    return key;
}

Keymap ServerKeymap(xcb_connection_t *conn)
{
    // The map comes whole from the server: no files are read.
    const QXkbCommon::ScopedXKBContext context(xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES));
    const std::int32_t device = conn ? xkb_x11_get_core_keyboard_device_id(conn) : -1;
    if (!context || device < 0)
        return nullptr;
    return Keymap(xkb_x11_keymap_new_from_device(context.get(), conn, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

} // namespace platform::x11
