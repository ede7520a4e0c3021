// Prints the X screen saver's state, as MIT-SCREEN-SAVER reports it: "on"
// while it blanks the screen, "off" otherwise, "none" without the extension.
// Status 1 when the display cannot be opened.

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main()
{
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    auto *info = xcb_screensaver_query_info_reply(c, xcb_screensaver_query_info(c, it.data->root), nullptr);
    std::puts(!info ? "none" : info->state == XCB_SCREENSAVER_STATE_ON ? "on" : "off");
    std::free(info);
    xcb_disconnect(c);
    return 0;
}
