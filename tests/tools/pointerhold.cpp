// Another client that holds the pointer, as a drag, an open menu or a
// screenshot tool does: grabs the pointer on the root window and keeps it
// until it is killed (its connection closing lets go).
//
//   pointerhold [TIMEOUT_MS]
// tries every 1 ms for up to TIMEOUT_MS (default 5000), prints "held" and
// waits; prints the last grab status and exits 1 when it never got it, 3
// without a display.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

long long NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

} // namespace

int main(int argc, char **argv)
{
    const long long timeoutMs = argc > 1 ? std::atoll(argv[1]) : 5000;
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "pointerhold: cannot open the display\n");
        return 3;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const long long deadline = NowMs() + timeoutMs;
    int status = -1;
    do {
        auto *r = xcb_grab_pointer_reply(conn,
                                         xcb_grab_pointer(conn, 0, root, XCB_EVENT_MASK_BUTTON_PRESS,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                                          XCB_NONE, XCB_CURRENT_TIME),
                                         nullptr);
        status = r ? r->status : -1;
        std::free(r);
        if (status == XCB_GRAB_STATUS_SUCCESS)
            break;
        usleep(1000);
    } while (NowMs() < deadline);
    if (status != XCB_GRAB_STATUS_SUCCESS) {
        std::printf("not-held %d\n", status);
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    // Read events (none are asked for but the button presses) until killed.
    while (xcb_generic_event_t *event = xcb_wait_for_event(conn))
        std::free(event);
    return 0;
}
