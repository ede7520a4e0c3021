// Times how long a locker takes to hold the keyboard, without competing for
// the grab: the X RECORD extension reports the server's replies to every
// client's GrabKeyboard, and the first Success after the start is the moment
// the keyboard was held.
//
//   grabwatch [--timeout MS] COMMAND ARGS...
// starts COMMAND (left running) and prints "held MS" (milliseconds from just
// before the fork to the reply, CLOCK_MONOTONIC) and "pid N". Exit status 0,
// 1 when no grab succeeded within the timeout (default 10000), 2 on usage or
// when the server has no RECORD.

#include <xcb/record.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kGrabKeyboard = 31;

std::int64_t Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    long timeoutMs = 10000;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        timeoutMs = std::atol(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: grabwatch [--timeout MS] COMMAND ARGS...\n");
        return 2;
    }
    // Two connections: RECORD's data arrives on one that does nothing else.
    xcb_connection_t *control = xcb_connect(nullptr, nullptr);
    xcb_connection_t *data = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(control) || xcb_connection_has_error(data))
        return 2;
    const xcb_query_extension_reply_t *record = xcb_get_extension_data(control, &xcb_record_id);
    if (!record || !record->present) {
        std::fprintf(stderr, "grabwatch: the server has no RECORD extension\n");
        return 2;
    }
    const xcb_record_context_t context = xcb_generate_id(control);
    xcb_record_range_t range{};
    range.core_replies.first = kGrabKeyboard;
    range.core_replies.last = kGrabKeyboard;
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_FUTURE_CLIENTS;
    xcb_generic_error_t *error = xcb_request_check(
        control, xcb_record_create_context_checked(control, context, 0, 1, 1, &clients, &range));
    if (error) {
        std::fprintf(stderr, "grabwatch: cannot create the record context\n");
        return 2;
    }
    const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(data, context);
    xcb_flush(data);

    // Waits for the start of data, so nothing recorded is missed.
    bool started = false;
    std::int64_t start = 0;
    pid_t pid = -1;
    std::int64_t deadline = 0;
    for (;;) {
        if (started) {
            const std::int64_t left = (deadline - Now()) / 1000000;
            if (left <= 0)
                break;
            pollfd ready{xcb_get_file_descriptor(data), POLLIN, 0};
            if (::poll(&ready, 1, int(left)) <= 0)
                continue;
        }
        xcb_record_enable_context_reply_t *reply = nullptr;
        if (!started) {
            reply = xcb_record_enable_context_reply(data, cookie, nullptr);
        } else {
            void *raw = nullptr;
            if (!xcb_poll_for_reply(data, cookie.sequence, &raw, nullptr))
                continue;
            reply = static_cast<xcb_record_enable_context_reply_t *>(raw);
        }
        const std::int64_t at = Now();
        if (!reply)
            break;
        if (reply->category == 4 /* StartOfData */ && !started) {
            started = true;
            start = Now();
            pid = ::fork();
            if (pid == 0) {
                ::execvp(argv[first], argv + first);
                ::_exit(127);
            }
            deadline = start + std::int64_t(timeoutMs) * 1000000;
        } else if (reply->category == 0 /* FromServer */ && started) {
            const std::uint8_t *bytes = xcb_record_enable_context_data(reply);
            const int length = xcb_record_enable_context_data_length(reply);
            // A reply: type 1, then the grab's status (0: Success).
            if (length >= 2 && bytes[0] == 1 && bytes[1] == XCB_GRAB_STATUS_SUCCESS) {
                std::printf("held %.3f\npid %d\n", double(at - start) / 1e6, int(pid));
                std::free(reply);
                xcb_record_disable_context(control, context);
                xcb_record_free_context(control, context);
                xcb_flush(control);
                return 0;
            }
        }
        std::free(reply);
    }
    std::printf("pid %d\n", int(pid));
    return 1;
}
