// A panel of another desktop, to test the helpers beyond icewm's own task bar:
//   fakepanel dock   a window of type _NET_WM_WINDOW_TYPE_DOCK (xfce4-panel, tint2 ...)
//   fakepanel tray   a mapped window that takes the _NET_SYSTEM_TRAY_S<screen>
//                    selection and announces itself with MANAGER
// Prints "window 0x..." once it is mapped, then runs until killed.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

xcb_atom_t Atom(xcb_connection_t *c, const std::string &name)
{
    auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "dock" && mode != "tray") {
        std::fprintf(stderr, "usage: fakepanel dock|tray\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c))
        return 3;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const bool tray = mode == "tray";
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, tray ? 1u : 0u, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, tray ? 900 : 0, tray ? 0 : 0,
                      tray ? 60 : 1024, tray ? 20 : 30, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    const std::string name = tray ? "FakeTray" : "FakeDock";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, name.size(),
                        name.data());
    if (!tray) {
        const xcb_atom_t dock = Atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                            &dock);
    }
    xcb_map_window(c, w);
    if (tray) {
        const xcb_atom_t selection = Atom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
        xcb_set_selection_owner(c, w, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t m{};
        m.response_type = XCB_CLIENT_MESSAGE;
        m.window = screen->root;
        m.type = Atom(c, "MANAGER");
        m.format = 32;
        m.data.data32[0] = XCB_CURRENT_TIME;
        m.data.data32[1] = selection;
        m.data.data32[2] = w;
        xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&m));
    }
    xcb_flush(c);
    for (int i = 0; i < 2500; ++i) {
        auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        if (viewable)
            break;
        usleep(2000);
    }
    std::printf("window 0x%x\n", w);
    std::fflush(stdout);
    while (xcb_generic_event_t *e = xcb_wait_for_event(c))
        std::free(e);
    return 0;
}
