#include "platform/x11/plain/X11RootCover.h"

#include "platform/x11/plain/X11GrabBreak.h"
#include "platform/x11/plain/X11Reply.h"
#include "platform/x11/plain/X11Xkb.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace platform::x11 {

namespace {

// Wider and taller than any root window a resize could make, so the cover
// never needs to follow the screen.
constexpr std::uint16_t kCoverSide = 32767;
// Keys caught while the grab is here, kept for the lock; past this many (a
// keystroke injector) the rest are dropped rather than held without end.
constexpr size_t kMostCaughtKeys = 8192;

class RootCover : public LockCover {
public:
    ~RootCover() override { Close(); }

    bool Prepare() override
    {
        if (m_conn && !xcb_connection_has_error(m_conn))
            return true;
        Close();
        int screenNumber = 0;
        xcb_connection_t *conn = xcb_connect(nullptr, &screenNumber);
        if (!conn || xcb_connection_has_error(conn)) {
            if (conn)
                xcb_disconnect(conn);
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(conn);
            return false;
        }
        // Programs started from this process must not inherit the connection.
        ::fcntl(xcb_get_file_descriptor(conn), F_SETFD, FD_CLOEXEC);
        m_xkb = UseXkb(conn);
        m_conn = conn;
        m_screen = screenNumber;
        m_root = it.data->root;
        m_window = xcb_generate_id(conn);
        // The cover takes the focus while it is up, so a key typed while no
        // grab is held (the moment of the hand-over) comes here, to be passed
        // on to the lock, and never to the window that had the focus before.
        // A click then lands on the cover too, not on the root window, where
        // the window manager would take the pointer.
        const std::uint32_t values[] = {it.data->black_pixel, 1,
                                        XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                            XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE};
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, kCoverSide, kCoverSide, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        // The root window tells when a grab of ours ends that we did not let
        // go of (a grab-breaking key).
        const std::uint32_t rootEvents[] = {XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_ENTER_WINDOW |
                                            XCB_EVENT_MASK_LEAVE_WINDOW};
        xcb_change_window_attributes(conn, m_root, XCB_CW_EVENT_MASK, rootEvents);
        xcb_flush(conn);
        return !xcb_connection_has_error(conn);
    }

    void Show() override
    {
        if (!Prepare())
            return;
        const std::uint32_t top[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(m_conn, m_window, XCB_CONFIG_WINDOW_STACK_MODE, top);
        xcb_map_window(m_conn, m_window);
        xcb_set_input_focus(m_conn, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
        xcb_flush(m_conn);
        m_shown = true;
    }

    void Hide() override
    {
        if (!m_conn)
            return;
        xcb_unmap_window(m_conn, m_window);
        xcb_flush(m_conn);
        m_shown = false;
    }

    bool GrabKeyboard() override
    {
        if (!Prepare())
            return false;
        Drain();
        return GrabKeyboardIn(XCB_GRAB_MODE_ASYNC);
    }

    bool GrabPointer() override
    {
        if (!Prepare())
            return false;
        Drain();
        constexpr std::uint16_t kButtons = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
        Freed<xcb_grab_pointer_reply_t> reply{xcb_grab_pointer_reply(
            m_conn,
            xcb_grab_pointer(m_conn, 0, m_root, kButtons, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                             XCB_NONE, XCB_CURRENT_TIME),
            nullptr)};
        return reply.reply && reply.reply->status == XCB_GRAB_STATUS_SUCCESS;
    }

    void ReleaseGrabs() override
    {
        if (!m_conn)
            return;
        // Letting go with the cover up is a hand-over: until the lock grabs,
        // keys go to the focus, which must be the cover (the lock's windows
        // may have taken it meanwhile).
        if (m_shown)
            xcb_set_input_focus(m_conn, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
        LetGo();
    }

    bool FreezeKeyboardAndFocus(std::uint32_t window) override
    {
        if (!m_conn || window == XCB_NONE)
            return false;
        // Frozen: from here on the server holds back every key.
        if (!GrabKeyboardIn(XCB_GRAB_MODE_SYNC))
            return false;
        // Every key sent here before the freeze is read by now.
        Drain();
        if (xcb_generic_error_t *error = xcb_request_check(
                m_conn, xcb_set_input_focus_checked(m_conn, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME))) {
            // Not mapped (yet) or gone.
            std::free(error);
            ThawKeyboard();
            return false;
        }
        return true;
    }

    void ThawKeyboard() override
    {
        if (m_conn)
            GrabKeyboardIn(XCB_GRAB_MODE_ASYNC);
    }

    void ReleaseGrabsToFocus() override
    {
        // Letting go thaws the keyboard: what it held back goes to the focus.
        if (m_conn)
            LetGo();
    }

    std::vector<protocol::CaughtKey> TakeKeys() override
    {
        if (m_conn)
            Drain();
        std::vector<protocol::CaughtKey> keys;
        keys.swap(m_keys);
        return keys;
    }

    Mark ClaimLockMark() override
    {
        if (!Prepare())
            return Mark::Failed;
        if (m_marked)
            return Mark::Claimed;
        const std::string name = LockMarkName(m_screen);
        Freed<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
            m_conn, xcb_intern_atom(m_conn, 0, std::uint16_t(name.size()), name.data()), nullptr)};
        if (!atom.reply)
            return Mark::Failed;
        // Looked at and taken in one step, so two locks started together
        // cannot both find it free.
        xcb_grab_server(m_conn);
        Freed<xcb_get_selection_owner_reply_t> owner{xcb_get_selection_owner_reply(
            m_conn, xcb_get_selection_owner(m_conn, atom.reply->atom), nullptr)};
        const bool free = owner.reply && owner.reply->owner == XCB_NONE;
        if (free)
            xcb_set_selection_owner(m_conn, m_window, atom.reply->atom, XCB_CURRENT_TIME);
        xcb_ungrab_server(m_conn);
        xcb_flush(m_conn);
        if (!owner.reply)
            return Mark::Failed;
        if (!free)
            return Mark::OtherLock;
        // Taken only if the server says so (the request itself has no reply).
        Freed<xcb_get_selection_owner_reply_t> now{xcb_get_selection_owner_reply(
            m_conn, xcb_get_selection_owner(m_conn, atom.reply->atom), nullptr)};
        if (!now.reply)
            return Mark::Failed;
        m_marked = now.reply->owner == m_window;
        return m_marked ? Mark::Claimed : Mark::OtherLock;
    }

    bool GrabsLeak() override
    {
        if (!Prepare())
            return false;
        const char name[] = "XWAYLAND";
        Freed<xcb_query_extension_reply_t> reply{xcb_query_extension_reply(
            m_conn, xcb_query_extension(m_conn, std::uint16_t(std::strlen(name)), name), nullptr)};
        return reply.reply && reply.reply->present;
    }

    void Close() override
    {
        if (m_conn)
            xcb_disconnect(m_conn);
        m_conn = nullptr;
        m_root = m_window = 0;
        m_xkb = false;
        m_marked = false;
        m_shown = false;
    }

    bool DisplayGone() override
    {
        if (m_conn) {
            std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
            if (!xcb_connection_has_error(m_conn))
                return false;
        }
        // Another client can kill this connection (xkill, a grab-breaking
        // key): only a fresh one failing says the display is gone.
        Close();
        return !Prepare();
    }

    int ConnectionFd() const override { return m_conn ? xcb_get_file_descriptor(m_conn) : -1; }

    Events ReadEvents() override
    {
        Events events;
        if (!m_conn)
            return events;
        Drain();
        events.connectionLost = xcb_connection_has_error(m_conn) != 0;
        events.grabsLost = m_grabsLost;
        m_grabsLost = false;
        if (events.connectionLost)
            Close();
        return events;
    }

    bool BindsGrabBreakingKeys() override { return platform::x11::BindsGrabBreakingKeys(); }

    std::optional<int> KeyboardGroup() override
    {
        if (!Prepare() || !m_xkb)
            return std::nullopt;
        Freed<xcb_xkb_get_state_reply_t> state{
            xcb_xkb_get_state_reply(m_conn, xcb_xkb_get_state(m_conn, XCB_XKB_ID_USE_CORE_KBD), nullptr)};
        if (!state.reply)
            return std::nullopt;
        return state.reply->lockedGroup;
    }

    void SetKeyboardGroup(int group) override
    {
        if (!Prepare() || !m_xkb)
            return;
        // Done before the connection may close.
        LockKeyboardGroup(m_conn, group);
    }

private:
    // XKB on this connection: the keys caught then carry the layout group in
    // their state (bits 13-14), as the lock's own keys do, and the group can
    // be read and set. False when the server has no XKB.
    static bool UseXkb(xcb_connection_t *conn)
    {
        const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(conn, &xcb_xkb_id);
        if (!xkb || !xkb->present)
            return false;
        xcb_discard_reply(conn, xcb_xkb_use_extension(conn, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION).sequence);
        return true;
    }

    // The keyboard grab on the root window, taken or (held already) changed:
    // in synchronous mode the server holds back every key until it ends.
    bool GrabKeyboardIn(std::uint8_t keyboardMode)
    {
        Freed<xcb_grab_keyboard_reply_t> reply{xcb_grab_keyboard_reply(
            m_conn, xcb_grab_keyboard(m_conn, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, keyboardMode),
            nullptr)};
        return reply.reply && reply.reply->status == XCB_GRAB_STATUS_SUCCESS;
    }

    // Lets go of both grabs and waits for the server: when the round trip
    // answers, it has let go (and every key it sent here before is read).
    void LetGo()
    {
        xcb_ungrab_keyboard(m_conn, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(m_conn, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
        Drain();
        // Those ends were ours.
        m_grabsLost = false;
    }

    // Only the keys (of the grabs, or of the focused cover), pointer buttons,
    // the root window's focus and crossing events and the errors of
    // unchecked requests arrive; the keys are kept for the lock, an ungrab
    // noted, the rest dropped rather than left to pile up.
    void Drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn)) {
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
                const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
                if (m_keys.size() < kMostCaughtKeys)
                    m_keys.push_back({type == XCB_KEY_PRESS, key->detail, key->state, key->time});
            } else if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
                const auto *focus = reinterpret_cast<const xcb_focus_in_event_t *>(event);
                if (focus->event == m_root && focus->mode == XCB_NOTIFY_MODE_UNGRAB)
                    m_grabsLost = true;
            } else if (type == XCB_ENTER_NOTIFY || type == XCB_LEAVE_NOTIFY) {
                const auto *crossing = reinterpret_cast<const xcb_enter_notify_event_t *>(event);
                if (crossing->event == m_root && crossing->mode == XCB_NOTIFY_MODE_UNGRAB)
                    m_grabsLost = true;
            }
            std::free(event);
        }
    }

    xcb_connection_t *m_conn = nullptr;
    int m_screen = 0;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = 0;
    bool m_xkb = false;
    bool m_marked = false;
    bool m_shown = false;
    bool m_grabsLost = false;
    std::vector<protocol::CaughtKey> m_keys;
};

} // namespace

std::unique_ptr<LockCover> CreateRootCover()
{
    return std::make_unique<RootCover>();
}

bool DisplayReachable()
{
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    const bool reachable = conn && !xcb_connection_has_error(conn);
    if (conn)
        xcb_disconnect(conn);
    return reachable;
}

std::string LockMarkName(int screen)
{
    return "_GARDLOCK_LOCK_S" + std::to_string(screen);
}

} // namespace platform::x11
