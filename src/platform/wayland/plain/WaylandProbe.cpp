#include "platform/wayland/plain/WaylandProbe.h"

#include "platform/wayland/plain/UnixSocket.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace platform::wayland {

namespace {

using Clock = ProbeClock;

struct Answer {
    bool sessionLock = false;
    bool done = false;
};

void OnGlobal(void *data, wl_registry *, std::uint32_t, const char *interface, std::uint32_t)
{
    if (std::strcmp(interface, kSessionLockManager) == 0)
        static_cast<Answer *>(data)->sessionLock = true;
}

void OnGlobalRemove(void *, wl_registry *, std::uint32_t) {}

void OnSyncDone(void *data, wl_callback *, std::uint32_t)
{
    static_cast<Answer *>(data)->done = true;
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};
const wl_callback_listener kSyncListener = {OnSyncDone};

// wl_display_roundtrip with a deadline: false when the connection fails or
// the answer is late.
bool DispatchUntilDone(wl_display *display, const Answer &answer, Clock::time_point deadline)
{
    const int fd = wl_display_get_fd(display);
    while (!answer.done) {
        // Events already read are dispatched before waiting for more.
        if (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return false;
            continue;
        }
        bool unsent = false;
        if (wl_display_flush(display) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(display);
                return false;
            }
            unsent = true;
        }
        const int left = MsLeft(deadline);
        pollfd ready{fd, short(POLLIN | (unsent ? POLLOUT : 0)), 0};
        const int polled = left > 0 ? ::poll(&ready, 1, left) : 0;
        if (polled <= 0 || !(ready.revents & (POLLIN | POLLHUP | POLLERR))) {
            wl_display_cancel_read(display);
            if (polled < 0 && errno != EINTR)
                return false;
            if (polled == 0)
                return false; // late
            continue;         // interrupted, or only writable
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

} // namespace

std::string CompositorSocketPath(const std::string &display)
{
    if (display.empty() || display.front() == '/')
        return display;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return {};
    return std::string(runtime) + "/" + display;
}

WaylandFacts ProbeCompositor(const std::string &display, int timeoutMs)
{
    WaylandFacts facts;
    if (display.empty())
        return facts;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // libwayland's own connect would wait as long as a hung compositor's
    // listen queue stays full.
    const int fd = ConnectLocal(CompositorSocketPath(display), false, deadline);
    if (fd < 0)
        return facts;
    const long compositor = PeerPid(fd);
    // From here libwayland owns the descriptor (and closes it on failure too).
    wl_display *connection = wl_display_connect_to_fd(fd);
    if (!connection)
        return facts;
    Answer answer;
    wl_registry *registry = wl_display_get_registry(connection);
    wl_registry_add_listener(registry, &kRegistryListener, &answer);
    // The globals come before the answer to a sync asked after them.
    wl_callback *sync = wl_display_sync(connection);
    wl_callback_add_listener(sync, &kSyncListener, &answer);
    facts.reached = DispatchUntilDone(connection, answer, deadline);
    facts.sessionLock = facts.reached && answer.sessionLock;
    facts.compositorPid = facts.reached ? compositor : 0;
    wl_callback_destroy(sync);
    wl_registry_destroy(registry);
    wl_display_disconnect(connection);
    return facts;
}

} // namespace platform::wayland
