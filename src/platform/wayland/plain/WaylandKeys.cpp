#include "platform/wayland/plain/WaylandKeys.h"

#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace platform::wayland {

namespace display = protocol::display;

namespace {

// An evdev code is its XKB keycode less 8.
constexpr std::uint32_t kEvdevOffset = 8;
// No keymap is near this; a bigger one is not read.
constexpr std::uint32_t kMostKeymapBytes = 4 * 1024 * 1024;

bool IsKeypad(xkb_keysym_t sym)
{
    return sym >= XKB_KEY_KP_Space && sym <= XKB_KEY_KP_Equal;
}

} // namespace

WaylandKeys::WaylandKeys() : m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    // A keymap it cannot read is refused here; its parser's chatter is not the owner's business.
    if (m_context)
        xkb_context_set_log_level(m_context, XKB_LOG_LEVEL_CRITICAL);
}

WaylandKeys::~WaylandKeys()
{
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

bool WaylandKeys::SetKeymap(int fd, std::uint32_t size)
{
    if (!m_context || size == 0 || size > kMostKeymapBytes) {
        ::close(fd);
        return false;
    }
    void *text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (text == MAP_FAILED)
        return false;
    // The text ends with its terminating zero, within size.
    xkb_keymap *keymap = xkb_keymap_new_from_buffer(m_context, static_cast<const char *>(text),
                                                    ::strnlen(static_cast<const char *>(text), size),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ::munmap(text, size);
    if (!keymap)
        return false;
    xkb_state *state = xkb_state_new(keymap);
    if (!state) {
        xkb_keymap_unref(keymap);
        return false;
    }
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = state;
    m_repeatCode = 0;
    m_selectedGroup.reset();
    ApplyMask();
    return true;
}

void WaylandKeys::SetModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                               std::uint32_t group)
{
    m_depressed = depressed;
    m_latched = latched;
    m_locked = locked;
    // The compositor switched layouts itself: its choice holds from now on.
    if (group != m_compositorGroup)
        m_selectedGroup.reset();
    m_compositorGroup = group;
    ApplyMask();
}

void WaylandKeys::SelectLayout(std::uint32_t group)
{
    if (!m_keymap || group >= xkb_keymap_num_layouts(m_keymap))
        return;
    m_selectedGroup = group;
    ApplyMask();
}

void WaylandKeys::ApplyMask()
{
    if (m_state)
        xkb_state_update_mask(m_state, m_depressed, m_latched, m_locked, 0, 0,
                              m_selectedGroup.value_or(m_compositorGroup));
}

std::optional<display::Message> WaylandKeys::Layout() const
{
    if (!m_state)
        return std::nullopt;
    display::Message layout{display::Kind::Keyboard};
    const xkb_layout_index_t count = std::min<xkb_layout_index_t>(xkb_keymap_num_layouts(m_keymap), display::kMostLayouts);
    for (xkb_layout_index_t i = 0; i < count; ++i) {
        const char *name = xkb_keymap_layout_get_name(m_keymap, i);
        layout.layouts.emplace_back(name ? std::string_view(name).substr(0, display::kMostLayoutName) : "");
    }
    if (layout.layouts.empty())
        return std::nullopt;
    layout.group = std::min<std::uint32_t>(xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE),
                                           std::uint32_t(layout.layouts.size() - 1));
    layout.capsLock = xkb_state_mod_name_is_active(m_state, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED) > 0;
    return layout;
}

std::optional<display::Message> WaylandKeys::LayoutChange()
{
    std::optional<display::Message> now = Layout();
    if (!now || now == m_reported)
        return std::nullopt;
    m_reported = now;
    return now;
}

void WaylandKeys::SetRepeat(std::int32_t rate, std::int32_t delayMs)
{
    m_rate = rate < 0 ? 0 : rate;
    m_delayMs = delayMs < 0 ? 0 : delayMs;
    if (m_rate == 0)
        m_repeatCode = 0;
}

display::Message WaylandKeys::Event(std::uint32_t xkbCode, bool press, bool repeat)
{
    display::Message message{display::Kind::Key};
    message.press = press;
    message.repeat = repeat;
    message.code = xkbCode;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(m_state, xkbCode);
    message.keysym = sym;
    const auto active = [this](const char *name) {
        return xkb_state_mod_name_is_active(m_state, name, XKB_STATE_MODS_EFFECTIVE) > 0;
    };
    std::uint8_t modifiers = 0;
    if (active(XKB_MOD_NAME_SHIFT))
        modifiers |= display::kShift;
    if (active(XKB_MOD_NAME_CTRL))
        modifiers |= display::kControl;
    if (active(XKB_MOD_NAME_ALT))
        modifiers |= display::kAlt;
    if (active(XKB_MOD_NAME_LOGO))
        modifiers |= display::kMeta;
    if (IsKeypad(sym))
        modifiers |= display::kKeypad;
    message.modifiers = modifiers;
    if (press) {
        char text[display::kMostKeyText + 1] = {};
        const int size = xkb_state_key_get_utf8(m_state, xkbCode, text, sizeof text);
        if (size > 0 && std::size_t(size) <= display::kMostKeyText)
            message.text.assign(text, std::size_t(size));
    }
    return message;
}

std::optional<display::Message> WaylandKeys::Key(std::uint32_t evdevCode, bool press)
{
    if (!m_state)
        return std::nullopt;
    const std::uint32_t code = evdevCode + kEvdevOffset;
    // The event is read before the state changes, as the press itself sees it.
    display::Message message = Event(code, press, false);
    if (press && m_rate > 0 && xkb_keymap_key_repeats(m_keymap, code))
        m_repeatCode = code;
    else if (!press && code == m_repeatCode)
        m_repeatCode = 0;
    return message;
}

std::optional<display::Message> WaylandKeys::Repeat()
{
    if (!m_state || m_repeatCode == 0)
        return std::nullopt;
    return Event(m_repeatCode, true, true);
}

} // namespace platform::wayland
