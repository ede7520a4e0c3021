// Maps a window of its own and raises it above everything, then measures how
// long it stays in front: the time until something else is on top again.
//
//   raiser [--override] [--count N] [--interval MS | --gap MIN MAX] [--timeout MS] [--name NAME]
//
// --override maps an override-redirect window (as notifications and other
// lockers do); without it the window manager frames it. Each of the N rounds
// raises the window, then looks at the stacking order whenever the root
// window reports a change (and every 5 ms besides) until the window is no
// longer the top-most mapped one and prints "under MS"; a round that times out
// prints "stayed MS". Rounds are --interval apart, or a random time between
// --gap MIN and MAX ms apart (fixed gaps can fall in step with a timer and
// mislead). The last line is "median MS p90 MS max MS stayed K".
// Exit status 0 when every round was pushed under, 1 otherwise.

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

xcb_connection_t *c;
xcb_window_t root;

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void Check()
{
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "raiser: X connection broke\n");
        std::exit(3);
    }
}

xcb_window_t RootChildOf(xcb_window_t w)
{
    for (int depth = 0; depth < 16; ++depth) {
        auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree)
            return 0;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == root)
            return w;
        w = parent;
    }
    return 0;
}

xcb_window_t TopMapped()
{
    auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return 0;
    const int n = xcb_query_tree_children_length(tree);
    const xcb_window_t *kids = xcb_query_tree_children(tree);
    // All requests first, then the replies: one round trip.
    std::vector<xcb_get_window_attributes_cookie_t> cookies(n);
    for (int i = 0; i < n; ++i)
        cookies[i] = xcb_get_window_attributes(c, kids[i]);
    xcb_window_t top = 0;
    for (int i = n - 1; i >= 0; --i) {
        auto *a = xcb_get_window_attributes_reply(c, cookies[i], nullptr);
        if (!top && a && a->map_state == XCB_MAP_STATE_VIEWABLE)
            top = kids[i];
        std::free(a);
    }
    std::free(tree);
    return top;
}

// Waits up to ms for an event; true when the root reported a change.
bool RootChanged(int ms)
{
    bool changed = false;
    auto drain = [&] {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            const int type = e->response_type & 0x7f;
            changed = changed || type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY ||
                      type == XCB_UNMAP_NOTIFY || type == XCB_CIRCULATE_NOTIFY || type == XCB_CREATE_NOTIFY;
            std::free(e);
        }
    };
    drain();
    if (changed)
        return true;
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    if (::poll(&p, 1, ms) > 0)
        drain();
    return changed;
}

double Percentile(const std::vector<double> &sorted, double q)
{
    if (sorted.empty())
        return -1;
    const std::size_t i = static_cast<std::size_t>(q * (sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

bool Viewable(xcb_window_t w)
{
    auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool v = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    bool override = false;
    int count = 1;
    int intervalMs = 20;
    int gapMin = -1, gapMax = -1;
    int timeoutMs = 2000;
    std::string name = "raiser";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--override")
            override = true;
        else if (a == "--count" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (a == "--interval" && i + 1 < argc)
            intervalMs = std::atoi(argv[++i]);
        else if (a == "--gap" && i + 2 < argc) {
            gapMin = std::atoi(argv[++i]);
            gapMax = std::atoi(argv[++i]);
        } else if (a == "--timeout" && i + 1 < argc)
            timeoutMs = std::atoi(argv[++i]);
        else if (a == "--name" && i + 1 < argc)
            name = argv[++i];
        else {
            std::fprintf(
                stderr,
                "usage: raiser [--override] [--count N] [--interval MS | --gap MIN MAX] [--timeout MS] "
                "[--name NAME]\n");
            return 2;
        }
    }
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 3;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    root = screen->root;

    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, override ? 1u : 0u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 100, 100, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, name.size(),
                        name.data());
    xcb_map_window(c, w);
    xcb_flush(c);
    // The window manager may take a while to frame and map it.
    const double mapDeadline = NowMs() + 5000;
    while (!Viewable(w) && NowMs() < mapDeadline)
        usleep(2000);
    Check();
    std::printf("window 0x%x\n", w);
    std::fflush(stdout);

    // Every change among the root's children is reported to us.
    const std::uint32_t rootMask[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, rootMask);
    xcb_flush(c);
    std::mt19937 random(std::random_device{}());

    std::vector<double> times;
    int stayed = 0;
    for (int round = 0; round < count; ++round) {
        const xcb_window_t top = RootChildOf(w);
        const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, above);
        if (top && top != w)
            xcb_configure_window(c, top, XCB_CONFIG_WINDOW_STACK_MODE, above);
        xcb_flush(c);
        const double start = NowMs();
        bool under = false;
        const xcb_window_t frame = RootChildOf(w);
        while (NowMs() - start < timeoutMs) {
            if (TopMapped() != frame) {
                under = true;
                break;
            }
            RootChanged(5);
        }
        Check();
        const double elapsed = NowMs() - start;
        if (under) {
            times.push_back(elapsed);
            std::printf("under %.2f\n", elapsed);
        } else {
            ++stayed;
            std::printf("stayed %.2f\n", elapsed);
        }
        std::fflush(stdout);
        if (round + 1 < count) {
            int gap = intervalMs;
            if (gapMin >= 0 && gapMax >= gapMin)
                gap = std::uniform_int_distribution<int>(gapMin, gapMax)(random);
            usleep(static_cast<useconds_t>(gap) * 1000);
        }
        RootChanged(0); // the events of the gap
    }
    std::sort(times.begin(), times.end());
    const double max = times.empty() ? -1 : times.back();
    std::printf("median %.2f p90 %.2f max %.2f stayed %d\n", Percentile(times, 0.5), Percentile(times, 0.9),
                max, stayed);
    xcb_destroy_window(c, w);
    xcb_flush(c);
    xcb_disconnect(c);
    return stayed == 0 ? 0 : 1;
}
