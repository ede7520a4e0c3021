// Maps a window of its own and raises it above everything, then measures how
// long it stays in front: the time until something else is on top again.
//
//   raiser [--override] [--count N] [--interval MS] [--timeout MS] [--name NAME]
//
// --override maps an override-redirect window (as notifications and other
// lockers do); without it the window manager frames it. Each of the N rounds
// raises the window, then polls the stacking order until the window is no
// longer the top-most mapped one and prints "under MS"; a round that times out
// prints "stayed MS". The last line is "median MS max MS stayed K".
// Exit status 0 when every round was pushed under, 1 otherwise.

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
    xcb_window_t top = 0;
    for (int i = n - 1; i >= 0 && !top; --i) {
        auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), nullptr);
        if (a && a->map_state == XCB_MAP_STATE_VIEWABLE)
            top = kids[i];
        std::free(a);
    }
    std::free(tree);
    return top;
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
        else if (a == "--timeout" && i + 1 < argc)
            timeoutMs = std::atoi(argv[++i]);
        else if (a == "--name" && i + 1 < argc)
            name = argv[++i];
        else {
            std::fprintf(stderr, "usage: raiser [--override] [--count N] [--interval MS] [--timeout MS] "
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
        while (NowMs() - start < timeoutMs) {
            const xcb_window_t frame = RootChildOf(w);
            if (TopMapped() != frame) {
                under = true;
                break;
            }
            usleep(200);
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
        if (round + 1 < count)
            usleep(static_cast<useconds_t>(intervalMs) * 1000);
    }
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? -1 : times[times.size() / 2];
    const double max = times.empty() ? -1 : times.back();
    std::printf("median %.2f max %.2f stayed %d\n", median, max, stayed);
    xcb_destroy_window(c, w);
    xcb_flush(c);
    xcb_disconnect(c);
    return stayed == 0 ? 0 : 1;
}
