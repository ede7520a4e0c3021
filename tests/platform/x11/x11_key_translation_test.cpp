// Keys the supervisor passes on, read as Qt's xcb platform reads real ones:
// the layout group and modifiers in the state choose the keysym and text,
// and the Qt key and modifiers follow (the NT-style lock's Ctrl+Shift+Alt
// among them). The keymap is made from the XKB rules, as a server makes it.

#include "platform/x11/X11KeyTranslation.h"

#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon-keysyms.h>

using platform::x11::QtModifiers;
using platform::x11::TranslateKey;

namespace {

// evdev keycodes, as Xvfb and Xorg use them.
constexpr std::uint8_t kKeyA = 38, kAltL = 64, kKeypad1 = 87, kReturn = 36;
constexpr std::uint16_t kShift = 1, kLock = 2, kControl = 4, kMod1 = 8, kNumLock = 16, kMod4 = 64;
constexpr std::uint16_t kSecondGroup = 1 << 13;

class KeyTranslationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        ASSERT_NE(m_context, nullptr);
        const xkb_rule_names names{"evdev", "pc105", "us,ru", "", ""};
        m_keymap = xkb_keymap_new_from_names(m_context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        ASSERT_NE(m_keymap, nullptr) << "no XKB rules to make the keymap from (xkb-data)";
    }
    void TearDown() override
    {
        xkb_keymap_unref(m_keymap);
        xkb_context_unref(m_context);
    }
    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
};

TEST_F(KeyTranslationTest, TheStateChoosesTheKeysymTextAndQtKey)
{
    struct Case {
        const char *what;
        std::uint8_t code;
        std::uint16_t state;
        std::uint32_t keysym;
        QString text;
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
        {"a plain letter", kKeyA, 0, XKB_KEY_a, "a", Qt::Key_A, {}},
        {"with Shift", kKeyA, kShift, XKB_KEY_A, "A", Qt::Key_A, Qt::ShiftModifier},
        {"with Caps Lock", kKeyA, kLock, XKB_KEY_A, "A", Qt::Key_A, {}},
        {"in the second group", kKeyA, kSecondGroup, XKB_KEY_Cyrillic_ef, QString(QChar(0x0444)), 0x0424, {}},
        {"in the second group with Shift", kKeyA, kSecondGroup | kShift, XKB_KEY_Cyrillic_EF,
         QString(QChar(0x0424)), 0x0424, Qt::ShiftModifier},
        // Qt finds the Latin key of a shortcut on another layout.
        {"Ctrl in the second group", kKeyA, kSecondGroup | kControl, XKB_KEY_Cyrillic_ef, QString(QChar(0x01)),
         Qt::Key_A, Qt::ControlModifier},
        {"Return", kReturn, 0, XKB_KEY_Return, "\r", Qt::Key_Return, {}},
        {"the keypad with Num Lock", kKeypad1, kNumLock, XKB_KEY_KP_1, "1", Qt::Key_1, Qt::KeypadModifier},
        {"the keypad without", kKeypad1, 0, XKB_KEY_KP_End, "", Qt::Key_End, Qt::KeypadModifier},
        // The last key of Ctrl+Shift+Alt: X reports the state before it, and
        // Alt with Shift held is Meta.
        {"Alt after Ctrl and Shift", kAltL, kControl | kShift, XKB_KEY_Meta_L, "", Qt::Key_Meta,
         Qt::ControlModifier | Qt::ShiftModifier},
        {"Alt alone", kAltL, 0, XKB_KEY_Alt_L, "", Qt::Key_Alt, {}},
    };
    for (const Case &c : cases) {
        const platform::x11::TranslatedKey key = TranslateKey(m_keymap, c.code, c.state);
        EXPECT_EQ(key.keysym, c.keysym) << c.what;
        EXPECT_EQ(key.text, c.text) << c.what;
        EXPECT_EQ(key.key, c.key) << c.what;
        EXPECT_EQ(key.modifiers, c.modifiers) << c.what;
    }
}

TEST(KeyModifiers, OnlyShiftControlAltAndMetaAreQtModifiers)
{
    EXPECT_EQ(QtModifiers(0), Qt::NoModifier);
    EXPECT_EQ(QtModifiers(kShift | kControl | kMod1 | kMod4),
              Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // Caps Lock, Num Lock, Mod3, Mod5, the buttons and the group are none.
    EXPECT_EQ(QtModifiers(kLock | kNumLock | 32 | 128 | 0x1f00 | kSecondGroup | (2 << 13)), Qt::NoModifier);
}

} // namespace
