// Tries the keyboard (or pointer) grab from a client of its own, as anything
// else on the desktop would, to tell whether a lock holds it.
//
//   grabprobe [--pointer] once              prints the grab status once
//   grabprobe [--pointer] until-fail START_NS [TIMEOUT_MS]
//       polls every 1 ms until the grab fails; prints the ms since START_NS
//       (CLOCK_REALTIME nanoseconds, e.g. `date +%s%N`)
//   grabprobe [--pointer] until-success [TIMEOUT_MS]
//       polls every 1 ms until the grab succeeds; prints the ms it took
//   grabprobe hold MS [WATCH_MS]
//       holds the keyboard grab for MS ms ("held", "released NS"); with
//       WATCH_MS, then polls every 1 ms for up to WATCH_MS until someone else
//       holds it and prints "taken MS" (ms after the release) or "not-taken"
//
// Exit status 0 when the awaited outcome happened, 1 on timeout, 2 on usage.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

xcb_connection_t *conn;
xcb_window_t root;
bool pointerMode = false;

long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

const char *StatusName(int status)
{
    switch (status) {
    case XCB_GRAB_STATUS_SUCCESS:
        return "Success";
    case XCB_GRAB_STATUS_ALREADY_GRABBED:
        return "AlreadyGrabbed";
    case XCB_GRAB_STATUS_INVALID_TIME:
        return "InvalidTime";
    case XCB_GRAB_STATUS_NOT_VIEWABLE:
        return "NotViewable";
    case XCB_GRAB_STATUS_FROZEN:
        return "Frozen";
    default:
        return "Error";
    }
}

// Tries the grab; releases it again at once unless keep is set.
int TryGrab(bool keep = false)
{
    int status = -1;
    if (pointerMode) {
        auto *r = xcb_grab_pointer_reply(conn,
                                         xcb_grab_pointer(conn, 0, root, XCB_EVENT_MASK_BUTTON_PRESS,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                                          XCB_NONE, XCB_CURRENT_TIME),
                                         nullptr);
        if (r) {
            status = r->status;
            std::free(r);
        }
        if (status == XCB_GRAB_STATUS_SUCCESS && !keep)
            xcb_ungrab_pointer(conn, XCB_CURRENT_TIME);
    } else {
        auto *r = xcb_grab_keyboard_reply(
            conn,
            xcb_grab_keyboard(conn, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr);
        if (r) {
            status = r->status;
            std::free(r);
        }
        if (status == XCB_GRAB_STATUS_SUCCESS && !keep)
            xcb_ungrab_keyboard(conn, XCB_CURRENT_TIME);
    }
    xcb_flush(conn);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "grabprobe: X connection broke\n");
        std::exit(3);
    }
    return status;
}

int Usage()
{
    std::fprintf(stderr, "usage: grabprobe [--pointer] once | until-fail START_NS [TIMEOUT_MS] | "
                         "until-success [TIMEOUT_MS] | hold MS\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--pointer") == 0) {
        pointerMode = true;
        ++i;
    }
    if (i >= argc)
        return Usage();
    const std::string mode = argv[i++];
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "grabprobe: cannot open the display\n");
        return 3;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;

    if (mode == "once") {
        std::printf("%s\n", StatusName(TryGrab()));
        return 0;
    }
    if (mode == "until-fail") {
        if (i >= argc)
            return Usage();
        const long long start = std::atoll(argv[i++]);
        const long long timeoutMs = i < argc ? std::atoll(argv[i]) : 10000;
        const long long deadline = NowNs() + timeoutMs * 1000000LL;
        while (NowNs() < deadline) {
            const int status = TryGrab();
            if (status != XCB_GRAB_STATUS_SUCCESS) {
                std::printf("%.1f %s\n", (NowNs() - start) / 1e6, StatusName(status));
                return 0;
            }
            usleep(1000);
        }
        std::printf("timeout\n");
        return 1;
    }
    if (mode == "until-success") {
        const long long timeoutMs = i < argc ? std::atoll(argv[i]) : 10000;
        const long long start = NowNs();
        const long long deadline = start + timeoutMs * 1000000LL;
        while (NowNs() < deadline) {
            if (TryGrab() == XCB_GRAB_STATUS_SUCCESS) {
                std::printf("%.1f\n", (NowNs() - start) / 1e6);
                return 0;
            }
            usleep(1000);
        }
        std::printf("timeout\n");
        return 1;
    }
    if (mode == "hold") {
        if (i >= argc)
            return Usage();
        const long long ms = std::atoll(argv[i]);
        const int status = TryGrab(true);
        if (status != XCB_GRAB_STATUS_SUCCESS) {
            std::printf("%s\n", StatusName(status));
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        usleep(static_cast<useconds_t>(ms * 1000));
        xcb_ungrab_keyboard(conn, XCB_CURRENT_TIME);
        xcb_flush(conn);
        // Make sure the server has acted on the ungrab before saying so.
        std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
        const long long released = NowNs();
        std::printf("released %lld\n", released);
        std::fflush(stdout);
        if (i + 1 >= argc)
            return 0;
        const long long deadline = released + std::atoll(argv[i + 1]) * 1000000LL;
        while (NowNs() < deadline) {
            if (TryGrab() != XCB_GRAB_STATUS_SUCCESS) {
                std::printf("taken %.1f\n", (NowNs() - released) / 1e6);
                return 0;
            }
            usleep(1000);
        }
        std::printf("not-taken\n");
        return 1;
    }
    return Usage();
}
