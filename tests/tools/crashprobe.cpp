// Kills a process with a signal and measures how long the keyboard stays
// free for other clients afterwards, as a client of its own would find it.
//
//   crashprobe PID SIGNAL [TIMEOUT_MS]
//
// Sends the signal, then tries the keyboard grab every 1 ms (as grabprobe does). Prints
//   "exposed MS free F"  the grab failed again MS after the kill, having
//                 succeeded in between: first F ms before (the dying process
//                 keeps its grab until its exit has closed its connection,
//                 so F is how long the keyboard was really free, to a try);
//   "exposed 0 free 0"   the grab never succeeded: it was held all along, or
//                 free for less than one try;
//   "timeout"     still free at TIMEOUT_MS (default 3000).
// Exit status 0, 1 on timeout, 2 on usage, 3 when the kill or display failed.

#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

bool KeyboardFree(xcb_connection_t *conn, xcb_window_t root)
{
    auto *r = xcb_grab_keyboard_reply(
        conn, xcb_grab_keyboard(conn, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const bool free = r && r->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(r);
    if (free)
        xcb_ungrab_keyboard(conn, XCB_CURRENT_TIME);
    xcb_flush(conn);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "crashprobe: X connection broke\n");
        std::exit(3);
    }
    return free;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: crashprobe PID SIGNAL [TIMEOUT_MS]\n");
        return 2;
    }
    const pid_t pid = std::atoi(argv[1]);
    const int signal = std::atoi(argv[2]);
    // 0 or less would signal a whole process group: the test runner's own.
    if (pid <= 0) {
        std::fprintf(stderr, "crashprobe: no process to crash (\"%s\")\n", argv[1]);
        return 2;
    }
    const long long timeoutMs = argc > 3 ? std::atoll(argv[3]) : 3000;
    // Once the killed process is gone the server frees its grab within
    // milliseconds; a grab that stays held this long was never let go.
    constexpr long long kQuietNs = 300 * 1000000LL;

    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "crashprobe: cannot open the display\n");
        return 3;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;

    const long long killed = NowNs();
    if (::kill(pid, signal) != 0) {
        std::perror("crashprobe: kill");
        return 3;
    }
    long long firstFree = -1;
    const long long deadline = killed + timeoutMs * 1000000LL;
    while (NowNs() < deadline) {
        if (KeyboardFree(conn, root)) {
            if (firstFree < 0)
                firstFree = NowNs();
        } else if (firstFree >= 0) {
            const long long now = NowNs();
            std::printf("exposed %.1f free %.1f\n", (now - killed) / 1e6, (now - firstFree) / 1e6);
            return 0;
        } else if (NowNs() - killed > kQuietNs) {
            std::printf("exposed 0 free 0\n");
            return 0;
        }
        usleep(1000);
    }
    std::printf("timeout\n");
    return 1;
}
