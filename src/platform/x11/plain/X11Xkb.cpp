#include "platform/x11/plain/X11Xkb.h"

#include "platform/x11/plain/X11Reply.h"

#include <cstdint>
#include <cstdlib>

namespace platform::x11 {

bool UseXkb(xcb_connection_t *conn)
{
    Freed<xcb_xkb_use_extension_reply_t> use{xcb_xkb_use_extension_reply(
        conn, xcb_xkb_use_extension(conn, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr)};
    return use.reply && use.reply->supported;
}

void LockKeyboardGroup(xcb_connection_t *conn, int group)
{
    std::free(xcb_request_check(
        conn, xcb_xkb_latch_lock_state_checked(conn, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, std::uint8_t(group), 0, 0, 0)));
}

} // namespace platform::x11
