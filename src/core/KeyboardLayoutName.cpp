#include "core/KeyboardLayoutName.h"

#include <vector>

namespace keyboard_layout {

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string Capitals(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// One group's layout and variant. A layout may carry its variant itself, as
// "us(intl)"; a variant in the variant list comes first.
struct Group {
    std::string_view layout;
    std::string_view variant;
};

Group GroupAt(const RulesNames &names, std::size_t index)
{
    const std::vector<std::string_view> layouts = Split(names.layout, ',');
    const std::vector<std::string_view> variants = Split(names.variant, ',');
    if (index >= layouts.size())
        return {};
    Group group{Trimmed(layouts[index]), {}};
    if (const std::size_t open = group.layout.find('('); open != std::string_view::npos) {
        std::string_view inner = group.layout.substr(open + 1);
        if (const std::size_t close = inner.find(')'); close != std::string_view::npos)
            inner = inner.substr(0, close);
        group.variant = Trimmed(inner);
        group.layout = Trimmed(group.layout.substr(0, open));
    }
    if (index < variants.size() && !Trimmed(variants[index]).empty())
        group.variant = Trimmed(variants[index]);
    return group;
}

} // namespace

std::optional<RulesNames> ParseRulesNames(std::string_view value)
{
    const std::vector<std::string_view> fields = Split(value, '\0');
    if (fields.size() < 3)
        return std::nullopt;
    RulesNames names;
    std::string *targets[] = {&names.rules, &names.model, &names.layout, &names.variant, &names.options};
    for (std::size_t i = 0; i < fields.size() && i < std::size(targets); ++i)
        *targets[i] = std::string(fields[i]);
    return names;
}

std::string ShortName(const std::optional<RulesNames> &names, int group, std::string_view groupName)
{
    if (names && group >= 0) {
        const Group mine = GroupAt(*names, std::size_t(group));
        if (!mine.layout.empty()) {
            std::string name = Capitals(mine.layout);
            const std::size_t count = Split(names->layout, ',').size();
            bool shared = false;
            for (std::size_t other = 0; other < count && !shared; ++other)
                shared = other != std::size_t(group) && GroupAt(*names, other).layout == mine.layout;
            if (shared && !mine.variant.empty())
                name += " " + Capitals(mine.variant);
            return name;
        }
    }
    const std::string_view trimmed = Trimmed(groupName);
    return Capitals(trimmed.substr(0, trimmed.find_first_of(" \t(")));
}

bool BindsAltShiftSwitch(const std::optional<RulesNames> &names)
{
    if (!names)
        return false;
    for (std::string_view option : Split(names->options, ',')) {
        option = Trimmed(option);
        if (!option.starts_with("grp:"))
            continue;
        option.remove_prefix(4);
        if (option.find("alt") != std::string_view::npos && option.find("shift") != std::string_view::npos &&
            option.find("toggle") != std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace keyboard_layout
