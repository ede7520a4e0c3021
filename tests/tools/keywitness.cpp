// A program of the user's that a lock must keep every key away from: it maps
// a window, takes the input focus, and holds global key grabs (as a window
// manager's shortcuts or a hot-key daemon do). Every key or button event it
// receives is printed at once, one line each:
//
//   keywitness KEYCODE...     grabs each key code with any modifiers
//     "ready" once the window is mapped and focused and the grabs are in;
//     "event key-press 24 0x..." (type, detail, event window) per event;
//     "focus-in 0x..." each time its window gets the input focus back.
//
// Runs until killed.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "keywitness: no display\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_window_t window = xcb_generate_id(conn);
    const std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK;
    const std::uint32_t values[] = {screen->white_pixel,
                                    XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                        XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1024, 768, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, mask, values);
    const char *title = "keywitness";
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        std::strlen(title), title);
    xcb_map_window(conn, window);
    xcb_flush(conn);
    // Focus only once mapped (a window manager may frame it first).
    while (xcb_generic_event_t *event = xcb_wait_for_event(conn)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        std::free(event);
        if (mapped)
            break;
    }
    xcb_set_input_focus(conn, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    for (int i = 1; i < argc; ++i)
        xcb_grab_key(conn, 1, screen->root, XCB_MOD_MASK_ANY, static_cast<xcb_keycode_t>(std::atoi(argv[i])),
                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_get_input_focus_reply_t *focus = xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr);
    std::free(focus); // a round trip: the focus and the grabs are in place
    std::printf("ready\n");
    std::fflush(stdout);
    static const char *names[] = {"", "", "key-press", "key-release", "button-press", "button-release"};
    while (xcb_generic_event_t *event = xcb_wait_for_event(conn)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type >= XCB_KEY_PRESS && type <= XCB_BUTTON_RELEASE) {
            auto *e = reinterpret_cast<xcb_key_press_event_t *>(event);
            std::printf("event %s %u 0x%x\n", names[type], e->detail, e->event);
            std::fflush(stdout);
        } else if (type == XCB_FOCUS_IN) {
            auto *e = reinterpret_cast<xcb_focus_in_event_t *>(event);
            // Focus moves that only come with a grab starting or ending are not the window being chosen.
            if (e->mode == XCB_NOTIFY_MODE_NORMAL || e->mode == XCB_NOTIFY_MODE_WHILE_GRABBED) {
                std::printf("focus-in 0x%x\n", e->event);
                std::fflush(stdout);
            }
        }
        std::free(event);
    }
    return 0;
}
