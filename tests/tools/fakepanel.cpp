// A panel of another desktop, to test the helpers beyond icewm's own task bar:
//   fakepanel dock   a window of type _NET_WM_WINDOW_TYPE_DOCK (xfce4-panel, tint2 ...)
//   fakepanel tray   a mapped window that takes the _NET_SYSTEM_TRAY_S<screen>
//                    selection and announces itself with MANAGER
// Prints "window 0x..." once it is mapped, then runs until killed.
//
//   fakepanel dock --remap N [--gap MIN MAX] [--timeout MS]
// maps itself N times instead, each time a random MIN..MAX ms (default
// 20..120) after it was last unmapped, and prints how long it stayed mapped
// each time: "rehidden MS" (map request -> unmapped by someone else) or "stayed MS"
// when nobody unmapped it within the time-out; the last line is
// "median MS p90 MS max MS stayed K". Exit status 0 when every map was undone.

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

xcb_atom_t Atom(xcb_connection_t *c, const std::string &name)
{
    auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Waits until the window's own map state event of this type arrives; false on time-out.
bool WaitFor(xcb_connection_t *c, xcb_window_t w, int type, double deadline)
{
    for (;;) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            const int t = e->response_type & 0x7f;
            bool hit = false;
            if (t == XCB_MAP_NOTIFY)
                hit = reinterpret_cast<xcb_map_notify_event_t *>(e)->window == w;
            else if (t == XCB_UNMAP_NOTIFY)
                hit = reinterpret_cast<xcb_unmap_notify_event_t *>(e)->window == w;
            std::free(e);
            if (hit && t == type)
                return true;
        }
        if (xcb_connection_has_error(c))
            std::exit(3);
        const double left = deadline - NowMs();
        if (left <= 0)
            return false;
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left) + 1);
    }
}

bool Mapped(xcb_connection_t *c, xcb_window_t w)
{
    auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool mapped = a && a->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(a);
    return mapped;
}

int Remap(xcb_connection_t *c, xcb_window_t w, int rounds, int gapMin, int gapMax, int timeoutMs)
{
    std::mt19937 random(std::random_device{}());
    std::vector<double> times;
    int stayed = 0;
    for (int round = 0; round < rounds; ++round) {
        // Unmapped by someone (the first time too: it was mapped at start).
        if (Mapped(c, w) && !WaitFor(c, w, XCB_UNMAP_NOTIFY, NowMs() + timeoutMs)) {
            xcb_unmap_window(c, w);
            xcb_flush(c);
            WaitFor(c, w, XCB_UNMAP_NOTIFY, NowMs() + 1000);
        }
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(gapMin, gapMax)(random)) * 1000);
        // Everything the server sent so far is old news (a window manager's
        // own unmapping and mapping of a dock it let go of, say).
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        while (xcb_generic_event_t *old = xcb_poll_for_event(c))
            std::free(old);
        if (Mapped(c, w)) {
            --round; // mapped again by someone else: wait for that to be undone first
            continue;
        }
        // From the request (a window manager in between maps it a little later).
        const double start = NowMs();
        xcb_map_window(c, w);
        xcb_flush(c);
        if (!WaitFor(c, w, XCB_MAP_NOTIFY, start + 2000)) {
            std::printf("never-mapped\n");
            continue;
        }
        const bool undone = WaitFor(c, w, XCB_UNMAP_NOTIFY, start + timeoutMs);
        const double elapsed = NowMs() - start;
        if (undone) {
            times.push_back(elapsed);
            std::printf("rehidden %.2f\n", elapsed);
        } else {
            ++stayed;
            std::printf("stayed %.2f\n", elapsed);
            xcb_unmap_window(c, w);
            xcb_flush(c);
        }
        std::fflush(stdout);
    }
    std::sort(times.begin(), times.end());
    auto at = [&](double q) {
        return times.empty() ? -1.0
                             : times[std::min(times.size() - 1, std::size_t(q * (times.size() - 1) + 0.5))];
    };
    std::printf("median %.2f p90 %.2f max %.2f stayed %d\n", at(0.5), at(0.9),
                times.empty() ? -1.0 : times.back(), stayed);
    return stayed == 0 && !times.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    int rounds = 0, gapMin = 20, gapMax = 120, timeoutMs = 2000;
    bool usage = mode != "dock" && mode != "tray";
    for (int i = 2; i < argc && !usage; ++i) {
        const std::string a = argv[i];
        if (a == "--remap" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (a == "--gap" && i + 2 < argc) {
            gapMin = std::atoi(argv[++i]);
            gapMax = std::max(gapMin, std::atoi(argv[++i]));
        } else if (a == "--timeout" && i + 1 < argc)
            timeoutMs = std::atoi(argv[++i]);
        else
            usage = true;
    }
    if (usage) {
        std::fprintf(stderr, "usage: fakepanel dock|tray [--remap N [--gap MIN MAX] [--timeout MS]]\n");
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
    if (rounds > 0)
        return Remap(c, w, rounds, gapMin, gapMax, timeoutMs);
    while (xcb_generic_event_t *e = xcb_wait_for_event(c))
        std::free(e);
    return 0;
}
