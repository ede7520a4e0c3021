// The least a clock that shows seconds can ask of the X server: a small
// window whose corner it clears once a second, just after the second, and
// nothing else. The idle benchmark puts the X server's cost of it beside the
// locks' as the floor for "one redraw a second".
//
//   secondtick      runs until killed; exit status 2 without a display

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <ctime>

int main()
{
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "secondtick: no display\n");
        return 2;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_window_t window = xcb_generate_id(conn);
    const std::uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 200, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(conn, window);
    xcb_flush(conn);
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const timespec rest{0, 1000000000L - now.tv_nsec};
        nanosleep(&rest, nullptr);
        xcb_clear_area(conn, 0, window, 0, 0, 129, 13);
        xcb_flush(conn);
        if (xcb_connection_has_error(conn))
            return 0;
    }
}
