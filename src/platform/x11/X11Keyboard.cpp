#include "platform/x11/X11Keyboard.h"

#include "core/KeyboardLayoutName.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/plain/X11Reply.h"
#include "platform/x11/plain/X11Xkb.h"

#include <cstdlib>
#include <string>

namespace platform {

namespace {

using x11::Connection;

class X11KeyboardState : public KeyboardState {
public:
    std::optional<KeyboardLayout> Current() override
    {
        Connect();
        return m_layout;
    }

    void SelectNextLayout() override
    {
        Connect();
        if (!m_layout || m_layout->groups < 2)
            return;
        const int next = (m_layout->group + 1) % m_layout->groups;
        x11::LockKeyboardGroup(m_conn->Raw(), next);
        // The round trip may have read the server's notice of the change.
        m_conn->DispatchQueued();
    }

private:
    void Connect()
    {
        if (m_tried)
            return;
        m_tried = true;
        auto conn = std::make_unique<Connection>();
        if (!conn->IsOpen())
            return;
        xcb_connection_t *c = conn->Raw();
        const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c, &xcb_xkb_id);
        if (!extension || !extension->present || !x11::UseXkb(c))
            return;
        m_xkbEvent = extension->first_event;
        m_conn = std::move(conn);
        m_rulesAtom = m_conn->Atom("_XKB_RULES_NAMES");

        // Only what the notes show: not every Shift press, which would wake
        // a waiting lock for nothing.
        const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY |
                                     XCB_XKB_EVENT_TYPE_NAMES_NOTIFY;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = details.stateDetails =
            XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_STATE;
        details.affectNames = details.namesDetails = XCB_XKB_NAME_DETAIL_GROUP_NAMES;
        xcb_xkb_select_events_aux(c, XCB_XKB_ID_USE_CORE_KBD, events, 0, 0, 0, 0, &details);
        m_conn->SelectEvents(m_conn->Root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
        m_conn->AddListener([this](const xcb_generic_event_t *event) { OnEvent(event); });
        m_conn->SetReaction([this] {
            if (m_stale)
                Read();
        });
        Read();
        // Changes the round trips above read off the socket get their reaction too.
        m_conn->DispatchQueued();
    }

    void OnEvent(const xcb_generic_event_t *event)
    {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            m_stale = m_stale || (notify->window == m_conn->Root() && notify->atom == m_rulesAtom);
            return;
        }
        if (type == m_xkbEvent)
            m_stale = true;
    }

    // The whole picture afresh: changes are rare (a layout switched, Caps
    // Lock pressed, setxkbmap run), and each brings its own event.
    void Read()
    {
        m_stale = false;
        xcb_connection_t *c = m_conn->Raw();
        const auto stateCookie = xcb_xkb_get_state(c, XCB_XKB_ID_USE_CORE_KBD);
        const auto controlsCookie = xcb_xkb_get_controls(c, XCB_XKB_ID_USE_CORE_KBD);
        const auto namesCookie = xcb_xkb_get_names(c, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_NAME_DETAIL_GROUP_NAMES);
        const auto rulesCookie = xcb_get_property(c, 0, m_conn->Root(), m_rulesAtom, XCB_ATOM_STRING, 0, 1024);
        x11::Freed<xcb_xkb_get_state_reply_t> state{xcb_xkb_get_state_reply(c, stateCookie, nullptr)};
        x11::Freed<xcb_xkb_get_controls_reply_t> controls{xcb_xkb_get_controls_reply(c, controlsCookie, nullptr)};
        x11::Freed<xcb_xkb_get_names_reply_t> names{xcb_xkb_get_names_reply(c, namesCookie, nullptr)};
        x11::Freed<xcb_get_property_reply_t> rules{xcb_get_property_reply(c, rulesCookie, nullptr)};
        m_conn->CheckAlive();

        std::optional<KeyboardLayout> layout;
        if (state.reply && controls.reply) {
            layout.emplace();
            layout->groups = controls.reply->numGroups > 0 ? controls.reply->numGroups : 1;
            layout->group = state.reply->group < layout->groups ? state.reply->group : 0;
            layout->capsLock = (state.reply->lockedMods & XCB_MOD_MASK_LOCK) != 0;
            std::optional<keyboard_layout::RulesNames> rulesNames;
            if (rules.reply && rules.reply->format == 8)
                rulesNames = keyboard_layout::ParseRulesNames(
                    {static_cast<const char *>(xcb_get_property_value(rules.reply)),
                     std::size_t(xcb_get_property_value_length(rules.reply))});
            const std::string groupName = GroupName(names.reply, layout->group);
            layout->fullName = QString::fromStdString(groupName);
            layout->shortName = QString::fromStdString(keyboard_layout::ShortName(rulesNames, layout->group, groupName));
            layout->altShiftSwitches = keyboard_layout::BindsAltShiftSwitch(rulesNames);
        }
        if (layout == m_layout)
            return;
        m_layout = std::move(layout);
        Q_EMIT Changed();
    }

    std::string GroupName(xcb_xkb_get_names_reply_t *names, int group)
    {
        if (!names || !(names->groupNames & (1u << group)))
            return {};
        xcb_xkb_get_names_value_list_t list{};
        xcb_xkb_get_names_value_list_unpack(xcb_xkb_get_names_value_list(names), names->nTypes, names->indicators,
                                            names->virtualMods, names->groupNames, names->nKeys,
                                            names->nKeyAliases, names->nRadioGroups, names->which, &list);
        // The atoms are listed for the named groups only, lowest first.
        int index = 0;
        for (int g = 0; g < group; ++g)
            index += (names->groupNames >> g) & 1;
        xcb_connection_t *c = m_conn->Raw();
        x11::Freed<xcb_get_atom_name_reply_t> name{
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, list.groups[index]), nullptr)};
        if (!name.reply)
            return {};
        return std::string(xcb_get_atom_name_name(name.reply), std::size_t(xcb_get_atom_name_name_length(name.reply)));
    }

    bool m_tried = false;
    std::unique_ptr<Connection> m_conn;
    std::uint8_t m_xkbEvent = 0;
    xcb_atom_t m_rulesAtom = XCB_ATOM_NONE;
    bool m_stale = false;
    std::optional<KeyboardLayout> m_layout;
};

} // namespace

std::unique_ptr<KeyboardState> CreateX11KeyboardState()
{
    return std::make_unique<X11KeyboardState>();
}

} // namespace platform
