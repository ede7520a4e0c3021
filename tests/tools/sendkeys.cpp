// Types into a window with XSendEvent, as a program on the display could
// try to type into a lock without a keyboard (xdotool does it only for a
// window that does not have the focus, and uses XTEST otherwise).
//
//   sendkeys WINDOW CODE[/STATE]...
//     each key code pressed and released in that window, with that core
//     state (modifier bits, e.g. 1 for Shift; 0 when left out)
//
// Exit status 0 when every event went out, 1 when the server refused, 2 on usage.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: sendkeys WINDOW CODE[/STATE]...\n");
        return 2;
    }
    const xcb_window_t window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "sendkeys: no display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    for (int i = 2; i < argc; ++i) {
        char *end = nullptr;
        const long code = std::strtol(argv[i], &end, 10);
        const long state = *end == '/' ? std::strtol(end + 1, &end, 10) : 0;
        if (*end || code < 8 || code > 255 || state < 0 || state > 0xffff) {
            std::fprintf(stderr, "sendkeys: bad key %s\n", argv[i]);
            return 2;
        }
        for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
            xcb_key_press_event_t event;
            std::memset(&event, 0, sizeof event);
            event.response_type = type;
            event.detail = std::uint8_t(code);
            event.time = XCB_CURRENT_TIME;
            event.root = root;
            event.event = window;
            event.child = XCB_NONE;
            event.state = std::uint16_t(state);
            event.same_screen = 1;
            // To the window's own client (no event mask), checked.
            if (xcb_generic_error_t *error = xcb_request_check(
                    conn, xcb_send_event_checked(conn, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                 reinterpret_cast<const char *>(&event)))) {
                std::fprintf(stderr, "sendkeys: the server refused (error %d)\n", error->error_code);
                std::free(error);
                return 1;
            }
        }
    }
    xcb_disconnect(conn);
    return 0;
}
