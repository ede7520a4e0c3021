// The short names of the keyboard layouts shown at the password prompts, from
// the server's _XKB_RULES_NAMES or, without it, the keymap's group name; and
// whether the desktop's options already switch layouts on Alt+Shift.

#include "core/KeyboardLayoutName.h"

#include <gtest/gtest.h>

#include <string>

using keyboard_layout::RulesNames;

namespace {

std::optional<RulesNames> Rules(const std::string &layout, const std::string &variant = {},
                                const std::string &options = {})
{
    const std::string value = std::string("evdev") + '\0' + "pc105" + '\0' + layout + '\0' + variant + '\0' +
                              options + '\0';
    return keyboard_layout::ParseRulesNames(value);
}

TEST(KeyboardLayoutName, ShortNames)
{
    struct Case {
        std::optional<RulesNames> rules;
        int group;
        const char *groupName;
        const char *expected;
    };
    const Case cases[] = {
        {Rules("ru,us"), 0, "Russian", "RU"},
        {Rules("ru,us"), 1, "English (US)", "US"},
        // Two groups of one layout: the variant tells them apart.
        {Rules("us,us", ",intl"), 0, "English (US)", "US"},
        {Rules("us,us", ",intl"), 1, "English (US, intl., with dead keys)", "US INTL"},
        // The variant written into the layout itself.
        {Rules("us,us(intl)"), 1, "English (US, intl., with dead keys)", "US INTL"},
        {Rules("us(intl)"), 0, "English (US, intl., with dead keys)", "US"},
        // A variant with no other group of its layout is not needed.
        {Rules("de,us", "nodeadkeys,"), 0, "German (no dead keys)", "DE"},
        // No property, or no layout named for the group: the keymap's name.
        {std::nullopt, 0, "Russian", "RUSSIAN"},
        {std::nullopt, 1, "English (US)", "ENGLISH"},
        {Rules("ru"), 1, "English (US)", "ENGLISH"},
        {std::nullopt, 0, "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keyboard_layout::ShortName(c.rules, c.group, c.groupName), c.expected)
            << "group " << c.group << " named " << c.groupName;
}

TEST(KeyboardLayoutName, RulesNamesAreReadFieldByField)
{
    const std::optional<RulesNames> names = Rules("ru,us", ",", "grp:caps_toggle,compose:ralt");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->rules, "evdev");
    EXPECT_EQ(names->layout, "ru,us");
    EXPECT_EQ(names->options, "grp:caps_toggle,compose:ralt");
    // Too short to be the property.
    EXPECT_FALSE(keyboard_layout::ParseRulesNames(std::string("evdev") + '\0' + "pc105"));
}

TEST(KeyboardLayoutName, AltShiftSwitchesOfTheDesktopAreFound)
{
    EXPECT_TRUE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us", "", "grp:alt_shift_toggle")));
    EXPECT_TRUE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us", "", "compose:ralt,grp:lalt_lshift_toggle")));
    EXPECT_TRUE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us", "", "grp:alt_shift_toggle_bidir")));
    EXPECT_FALSE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us", "", "grp:alt_caps_toggle")));
    EXPECT_FALSE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us", "", "grp:ctrl_shift_toggle")));
    EXPECT_FALSE(keyboard_layout::BindsAltShiftSwitch(Rules("ru,us")));
    EXPECT_FALSE(keyboard_layout::BindsAltShiftSwitch(std::nullopt));
}

} // namespace
