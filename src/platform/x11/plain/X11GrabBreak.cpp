#include "platform/x11/plain/X11GrabBreak.h"
#include "platform/x11/plain/X11Reply.h"

#include "platform/x11/plain/X11Xkb.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform::x11 {

namespace {

// The server's own private action type, and the two texts it acts on.
constexpr std::uint8_t kServerPrivateAction = 0x86;

// The options the keymap was made with, as setxkbmap and the desktops record
// them on the root window: the actions may be set there without the server's
// keymap compiler having bound them yet (or at all, on some servers).
bool RulesNameTheOption(xcb_connection_t *conn)
{
    const char name[] = "_XKB_RULES_NAMES";
    Freed<xcb_intern_atom_reply_t> atom{
        xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 1, sizeof name - 1, name), nullptr)};
    if (!atom.reply || atom.reply->atom == XCB_NONE)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    Freed<xcb_get_property_reply_t> property{xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, root, atom.reply->atom, XCB_ATOM_STRING, 0, 1024), nullptr)};
    if (!property.reply)
        return false;
    const char *text = static_cast<const char *>(xcb_get_property_value(property.reply));
    return RulesNamesBreakGrabs({text, size_t(xcb_get_property_value_length(property.reply))});
}

bool KeymapBindsThem(xcb_connection_t *conn)
{
    if (RulesNameTheOption(conn))
        return true;
    if (!UseXkb(conn))
        return false;
    const xcb_setup_t *setup = xcb_get_setup(conn);
    const std::uint8_t count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    Freed<xcb_xkb_get_map_reply_t> map{xcb_xkb_get_map_reply(
        conn,
        xcb_xkb_get_map(conn, XCB_XKB_ID_USE_CORE_KBD, 0, XCB_XKB_MAP_PART_KEY_ACTIONS, 0, 0, 0, 0,
                        setup->min_keycode, count, 0, 0, 0, 0, 0, 0, 0, 0, 0),
        nullptr)};
    if (!map.reply)
        return false;
    const xcb_xkb_get_map_reply_t &r = *map.reply;
    xcb_xkb_get_map_map_t parts{};
    xcb_xkb_get_map_map_unpack(xcb_xkb_get_map_map(map.reply), r.nTypes, r.nKeySyms, r.nKeyActions,
                               r.totalActions, r.totalKeyBehaviors, r.virtualMods, r.totalKeyExplicit,
                               r.totalModMapKeys, r.totalVModMapKeys, r.present, &parts);
    if (!parts.acts_rtrn_acts)
        return false;
    for (int i = 0; i < r.totalActions; ++i) {
        std::uint8_t bytes[8];
        std::memcpy(bytes, &parts.acts_rtrn_acts[i], sizeof bytes);
        if (IsGrabBreakingAction(bytes))
            return true;
    }
    return false;
}

} // namespace

bool RulesNamesBreakGrabs(std::string_view names)
{
    // rules, model, layout, variant, options: NUL-separated; options comma-separated.
    for (int field = 0; field < 4; ++field) {
        const size_t end = names.find('\0');
        if (end == std::string_view::npos)
            return false;
        names.remove_prefix(end + 1);
    }
    names = names.substr(0, names.find('\0'));
    while (!names.empty()) {
        const size_t comma = names.find(',');
        if (names.substr(0, comma) == "grab:break_actions")
            return true;
        if (comma == std::string_view::npos)
            break;
        names.remove_prefix(comma + 1);
    }
    return false;
}

bool IsGrabBreakingAction(const std::uint8_t action[8])
{
    if (action[0] != kServerPrivateAction)
        return false;
    const char *data = reinterpret_cast<const char *>(action + 1);
    return std::memcmp(data, "Ungrab", 6) == 0 || std::memcmp(data, "ClsGrb", 6) == 0;
}

bool BindsGrabBreakingKeys()
{
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    const bool binds = conn && !xcb_connection_has_error(conn) && KeymapBindsThem(conn);
    if (conn)
        xcb_disconnect(conn);
    return binds;
}

const char *GrabBreakingKeysReason()
{
    return "the keyboard map binds keys that break any lock's hold on the keyboard (the XKB option "
           "grab:break_actions: Ctrl+Alt+KP_Divide and Ctrl+Alt+KP_Multiply). Turn it off, for example "
           "with: setxkbmap -option \"\" (which clears every XKB option; add back the ones you use).";
}

} // namespace platform::x11
