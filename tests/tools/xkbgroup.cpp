// The keyboard's locked layout group (XKB), read or set as a desktop's
// layout switcher does, from outside any grab.
//
//   xkbgroup        prints the locked group (0-3)
//   xkbgroup N      locks group N
//
// Exit status 0 when done, 1 when the server has no XKB or refused, 2 on usage.

#include <xcb/xcb.h>
// The XKB header names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    const bool set = argc == 2;
    if (argc > 2 || (set && (std::strlen(argv[1]) != 1 || argv[1][0] < '0' || argv[1][0] > '3'))) {
        std::fprintf(stderr, "usage: xkbgroup [0-3]\n");
        return 2;
    }
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "xkbgroup: no display\n");
        return 1;
    }
    xcb_xkb_use_extension_reply_t *use = xcb_xkb_use_extension_reply(
        conn, xcb_xkb_use_extension(conn, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr);
    const bool supported = use && use->supported;
    std::free(use);
    if (!supported) {
        std::fprintf(stderr, "xkbgroup: the server has no XKB\n");
        return 1;
    }
    int status = 0;
    if (set) {
        const std::uint8_t group = std::uint8_t(argv[1][0] - '0');
        if (xcb_generic_error_t *error = xcb_request_check(
                conn, xcb_xkb_latch_lock_state_checked(conn, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0))) {
            std::fprintf(stderr, "xkbgroup: the server refused (error %d)\n", error->error_code);
            std::free(error);
            status = 1;
        }
    } else {
        xcb_xkb_get_state_reply_t *state =
            xcb_xkb_get_state_reply(conn, xcb_xkb_get_state(conn, XCB_XKB_ID_USE_CORE_KBD), nullptr);
        if (state)
            std::printf("%d\n", state->lockedGroup);
        else
            status = 1;
        std::free(state);
    }
    xcb_disconnect(conn);
    return status;
}
