// Asks a window to close the ways a desktop does: the ICCCM WM_DELETE_WINDOW
// client message sent to the window itself, and the EWMH _NET_CLOSE_WINDOW
// request sent to the root window for the window manager to pass on.
//
//   closereq 0x400001
//
// Exit status 0 when both requests were sent, 1 when the display or the
// window cannot be reached, 2 on usage.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: closereq WINDOW-ID\n");
        return 2;
    }
    const xcb_window_t window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "closereq: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    if (!attributes) {
        std::fprintf(stderr, "closereq: no window %s\n", argv[1]);
        return 1;
    }
    std::free(attributes);

    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));

    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = window;
    close.type = Atom(c, "_NET_CLOSE_WINDOW");
    close.data.data32[0] = XCB_CURRENT_TIME;
    close.data.data32[1] = 2; // source: a pager or other direct user action
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&close));
    xcb_flush(c);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // round trip: delivered
    xcb_disconnect(c);
    return 0;
}
