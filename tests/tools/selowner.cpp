// Prints the window that owns a selection (0x0 when none), e.g.
//   selowner _NET_SYSTEM_TRAY_S0

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: selowner SELECTION\n");
        return 2;
    }
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 3;
    auto *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(argv[1]), argv[1]), nullptr);
    if (!atom)
        return 3;
    auto *owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    std::printf("0x%x\n", owner ? owner->owner : 0);
    std::free(owner);
    std::free(atom);
    xcb_disconnect(c);
    return 0;
}
