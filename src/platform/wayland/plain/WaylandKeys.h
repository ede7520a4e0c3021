#pragma once
// The lock's keys as the compositor's keymap reads them (xkbcommon), with
// the key repeat the client does itself on Wayland: the compositor only says
// how fast. Key events come out as the display messages the program takes.

#include "core/LockDisplayProtocol.h"

#include <algorithm>
#include <cstdint>
#include <optional>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::wayland {

class WaylandKeys {
public:
    WaylandKeys();
    ~WaylandKeys();
    WaylandKeys(const WaylandKeys &) = delete;
    WaylandKeys &operator=(const WaylandKeys &) = delete;

    // A wl_keyboard keymap (XKB v1 text in the fd); takes the fd and closes
    // it. False, the old keymap kept, when it cannot be read.
    bool SetKeymap(int fd, std::uint32_t size);
    // The compositor's modifiers and layout (its group). A layout the lock
    // selected itself is kept until the compositor changes its own.
    void SetModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
    // Reads the keys in that layout from now on (the lock's own switch: the
    // compositor's layout key may be bound so that it does nothing under a
    // lock). Ignored past the keymap's layouts.
    void SelectLayout(std::uint32_t group);
    // The keymap's layouts, the one keys are read in and Caps Lock, when
    // that changed since the last call (a keymap, a modifier or a layout);
    // nothing otherwise.
    std::optional<protocol::display::Message> LayoutChange();
    // The same, whether it changed or not (for a program that starts).
    std::optional<protocol::display::Message> Layout() const;
    // Keys per second (0: no repeat) and the delay before the first repeat.
    void SetRepeat(std::int32_t rate, std::int32_t delayMs);

    // A key pressed or released (a Linux evdev code, as wl_keyboard sends
    // them); nothing before a keymap.
    std::optional<protocol::display::Message> Key(std::uint32_t evdevCode, bool press);

    // The key that repeats now, if any, and the times of its repeats.
    bool Repeating() const { return m_repeatCode != 0; }
    std::int32_t RepeatDelayMs() const { return m_delayMs; }
    std::int32_t RepeatIntervalMs() const { return m_rate > 0 ? std::max(1000 / m_rate, 1) : 0; }
    // The repeat of the held key, as its press again.
    std::optional<protocol::display::Message> Repeat();
    void StopRepeat() { m_repeatCode = 0; }

private:
    void ApplyMask();
    protocol::display::Message Event(std::uint32_t xkbCode, bool press, bool repeat);

    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
    xkb_state *m_state = nullptr;
    std::int32_t m_rate = 25;
    std::int32_t m_delayMs = 600;
    std::uint32_t m_repeatCode = 0; // the XKB keycode held down, 0: none
    std::uint32_t m_depressed = 0, m_latched = 0, m_locked = 0;
    std::uint32_t m_compositorGroup = 0;
    std::optional<std::uint32_t> m_selectedGroup; // the lock's own choice, while the compositor keeps its group
    std::optional<protocol::display::Message> m_reported;
};

} // namespace platform::wayland
