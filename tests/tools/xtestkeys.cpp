// Injects key presses and releases through XTEST, as a keystroke-injection
// device (or any program on the display) would, with a fixed gap between
// events.
//
//   xtestkeys GAP_US TOKEN...
//     +N   press key code N        -N   release key code N
//     wN   wait N ms (the gap still applies between events)
//
// Exit status 0 when every event went out, 1 when the server refused, 2 on usage.

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void SleepMicroseconds(long us)
{
    timespec ts{us / 1000000, (us % 1000000) * 1000};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: xtestkeys GAP_US TOKEN...\n");
        return 2;
    }
    const long gap = std::atol(argv[1]);
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "xtestkeys: no display\n");
        return 1;
    }
    int sent = 0;
    for (int i = 2; i < argc; ++i) {
        const char *token = argv[i];
        const long value = std::atol(token + 1);
        if (token[0] == 'w') {
            SleepMicroseconds(value * 1000);
            continue;
        }
        if ((token[0] != '+' && token[0] != '-') || value <= 0 || value > 255) {
            std::fprintf(stderr, "xtestkeys: bad token %s\n", token);
            return 2;
        }
        const std::uint8_t type = token[0] == '+' ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
        // Checked, so a refused event is noticed rather than lost.
        xcb_void_cookie_t cookie = xcb_test_fake_input_checked(conn, type, static_cast<std::uint8_t>(value),
                                                               XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        if (xcb_generic_error_t *error = xcb_request_check(conn, cookie)) {
            std::fprintf(stderr, "xtestkeys: the server refused event %s (error %d)\n", token, error->error_code);
            std::free(error);
            return 1;
        }
        ++sent;
        SleepMicroseconds(gap);
    }
    std::printf("sent %d\n", sent);
    xcb_disconnect(conn);
    return 0;
}
