// Times how long a program takes to show a window: from just before the fork
// to the MapNotify after which a window with the given title is viewable
// (mapped, and so is the frame a window manager put it in). The event's
// arrival is the moment; the look at the windows that follows is not timed.
//
//   mapwatch [--timeout MS] TITLE COMMAND ARGS...
// starts COMMAND in a process group of its own (left running) and prints
// "shown MS" (CLOCK_MONOTONIC milliseconds) and "pid N", N also being the
// group's id. Exit status 0, 1 when no such window showed within the timeout
// (default 20000), 2 on usage or without a display.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

std::int64_t Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

xcb_atom_t Atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

class Watcher {
public:
    Watcher(xcb_connection_t *c, const std::string &title) : m_c(c), m_title(title)
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        m_netName = Atom(c, "_NET_WM_NAME");
        m_utf8 = Atom(c, "UTF8_STRING");
        Follow(m_root);
    }

    // Map and create events of this window's children reach us from now on.
    void Follow(xcb_window_t w)
    {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, w, XCB_CW_EVENT_MASK, &mask);
    }

    // Whether a viewable window below the root carries the title.
    bool Shown() { return Search(m_root, 0); }

private:
    bool Named(xcb_window_t w)
    {
        for (const auto &[property, type] :
             {std::pair{m_netName, m_utf8},
              std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
            auto *reply =
                xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, property, type, 0, 256), nullptr);
            if (!reply)
                continue;
            const std::string name(static_cast<const char *>(xcb_get_property_value(reply)),
                                   xcb_get_property_value_length(reply));
            std::free(reply);
            if (!name.empty())
                return name == m_title;
        }
        return false;
    }

    bool Search(xcb_window_t parent, int depth)
    {
        auto *tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, parent), nullptr);
        if (!tree)
            return false;
        const int n = xcb_query_tree_children_length(tree);
        const xcb_window_t *kids = xcb_query_tree_children(tree);
        bool found = false;
        for (int i = 0; i < n && !found; ++i) {
            auto *a = xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, kids[i]), nullptr);
            const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(a);
            if (!viewable)
                continue;
            found = Named(kids[i]) || (depth < 3 && Search(kids[i], depth + 1));
        }
        std::free(tree);
        return found;
    }

    xcb_connection_t *m_c;
    std::string m_title;
    xcb_window_t m_root = 0;
    xcb_atom_t m_netName = XCB_ATOM_NONE;
    xcb_atom_t m_utf8 = XCB_ATOM_NONE;
};

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    long timeoutMs = 20000;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        timeoutMs = std::atol(argv[2]);
        first = 3;
    }
    if (first + 1 >= argc) {
        std::fprintf(stderr, "usage: mapwatch [--timeout MS] TITLE COMMAND ARGS...\n");
        return 2;
    }
    const std::string title = argv[first];
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 2;
    Watcher watcher(c, title);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // the mask is in place

    const std::int64_t start = Now();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        execvp(argv[first + 1], argv + first + 1);
        std::perror("mapwatch: exec");
        _exit(127);
    }
    if (pid < 0)
        return 2;
    setpgid(pid, pid);
    std::printf("pid %d\n", int(pid));

    const std::int64_t deadline = start + std::int64_t(timeoutMs) * 1000000;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            const std::int64_t at = Now();
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                // A frame, say, whose own children will be mapped inside it.
                watcher.Follow(reinterpret_cast<xcb_create_notify_event_t *>(event)->window);
            } else if (type == XCB_REPARENT_NOTIFY) {
                watcher.Follow(reinterpret_cast<xcb_reparent_notify_event_t *>(event)->parent);
            } else if (type == XCB_MAP_NOTIFY && watcher.Shown()) {
                std::printf("shown %.3f\n", double(at - start) / 1e6);
                std::free(event);
                return 0;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c))
            return 2;
        const std::int64_t left = deadline - Now();
        if (left <= 0)
            break;
        poll(&fd, 1, int(left / 1000000) + 1);
    }
    std::printf("timeout\n");
    return 1;
}
