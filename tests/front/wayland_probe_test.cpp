// The Wayland probe against compositors of the test's own: a small one on
// libwayland-server offering chosen globals, one that never answers, one
// that hangs up, and no one at all; and the check that an X display is the
// compositor's own Xwayland, over a socket of the test's own.

#include "platform/wayland/plain/OwnXwayland.h"
#include "platform/wayland/plain/WaylandProbe.h"

#include <gtest/gtest.h>
#include <wayland-server.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using platform::wayland::IsCompositorsXwayland;
using platform::wayland::LocalDisplayNumber;
using platform::wayland::ProbeCompositor;

namespace {

// A folder of the test's own for sockets.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/gardlock-probe.XXXXXX";
        const char *made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        m_path = made ? made : "";
    }
    ~TempDir()
    {
        for (const std::string &file : m_files)
            ::unlink(file.c_str());
        ::rmdir(m_path.c_str());
    }
    std::string File(const std::string &name)
    {
        m_files.push_back(m_path + "/" + name);
        return m_files.back();
    }
    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
    std::vector<std::string> m_files;
};

// A listening socket at `path`; -1 when it cannot be made.
int Listen(const std::string &path, bool abstractName = false)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstractName ? 1 : 0;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const socklen_t length =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstractName ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A compositor offering globals of the given names (none of them usable:
// the probe only reads the registry), served from a thread of its own.
class FakeCompositor {
public:
    FakeCompositor(const std::string &path, const std::vector<const char *> &globals)
        : m_display(wl_display_create())
    {
        for (const char *name : globals) {
            m_interfaces.push_back(wl_interface{name, 1, 0, nullptr, 0, nullptr});
        }
        for (const wl_interface &interface : m_interfaces)
            wl_global_create(m_display, &interface, 1, nullptr,
                             [](wl_client *, void *, uint32_t, uint32_t) {});
        const int fd = Listen(path);
        EXPECT_GE(fd, 0) << path;
        EXPECT_EQ(wl_display_add_socket_fd(m_display, fd), 0);
        m_thread = std::thread([this] {
            wl_event_loop *loop = wl_display_get_event_loop(m_display);
            while (!m_stop) {
                wl_event_loop_dispatch(loop, 20);
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~FakeCompositor()
    {
        m_stop = true;
        m_thread.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }

private:
    wl_display *m_display;
    std::vector<wl_interface> m_interfaces;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(WaylandProbe, TellsACompositorWithTheSessionLockFromOneWithout)
{
    TempDir dir;
    {
        const std::string socket = dir.File("with-lock");
        FakeCompositor sway(socket, {"wl_compositor", "ext_session_lock_manager_v1", "wl_seat"});
        const WaylandFacts facts = ProbeCompositor(socket);
        EXPECT_TRUE(facts.reached);
        EXPECT_TRUE(facts.sessionLock);
        EXPECT_EQ(facts.compositorPid, long(::getpid())); // the compositor here is this process
    }
    {
        // Names close to the lock's are not the lock.
        const std::string socket = dir.File("without-lock");
        FakeCompositor weston(socket, {"wl_compositor", "ext_session_lock_manager_v2",
                                       "zwlr_input_inhibit_manager_v1", "ext_session_lock_v1", "wl_seat"});
        const WaylandFacts facts = ProbeCompositor(socket);
        EXPECT_TRUE(facts.reached);
        EXPECT_FALSE(facts.sessionLock);
    }
}

TEST(WaylandProbe, ARelativeNameIsASocketInTheRuntimeFolder)
{
    TempDir dir;
    const std::string socket = dir.File("wayland-7");
    FakeCompositor compositor(socket, {"ext_session_lock_manager_v1"});
    const char *saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    const WaylandFacts found = ProbeCompositor("wayland-7");
    ::unsetenv("XDG_RUNTIME_DIR");
    const WaylandFacts nowhere = ProbeCompositor("wayland-7");
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    EXPECT_TRUE(found.reached);
    EXPECT_TRUE(found.sessionLock);
    EXPECT_FALSE(nowhere.reached);
}

TEST(WaylandProbe, NoAnswerInTimeIsNotReached)
{
    TempDir dir;
    // Nothing there, or no name at all.
    EXPECT_FALSE(ProbeCompositor(dir.Path() + "/nobody").reached);
    EXPECT_FALSE(ProbeCompositor("").reached);
    EXPECT_FALSE(ProbeCompositor(dir.Path()).reached); // a folder, not a socket

    // A compositor that hangs: its socket takes the connection, nobody reads it.
    const std::string silent = dir.File("silent");
    const int listening = Listen(silent);
    ASSERT_GE(listening, 0);
    const WaylandFacts hung = ProbeCompositor(silent, 200);
    EXPECT_FALSE(hung.reached);
    EXPECT_FALSE(hung.sessionLock);
    EXPECT_EQ(hung.compositorPid, 0);

    ::close(listening);

    // One that hangs up at once: the probe sees the end, not the deadline
    // (its bound is far beyond this test's time-out).
    const std::string rude = dir.File("rude");
    const int hangingUp = Listen(rude);
    ASSERT_GE(hangingUp, 0);
    std::thread closer([hangingUp] {
        const int client = ::accept(hangingUp, nullptr, nullptr);
        if (client >= 0)
            ::close(client);
    });
    const WaylandFacts closed = ProbeCompositor(rude, 3600 * 1000);
    closer.join();
    ::close(hangingUp);
    EXPECT_FALSE(closed.reached);
    EXPECT_FALSE(closed.sessionLock);
}

TEST(OwnXwayland, OnlyLocalDisplaysHaveANumber)
{
    struct Case {
        const char *display;
        int number;
    };
    const Case cases[] = {
        {":0", 0}, {":1.0", 1}, {"unix:12", 12}, {":97.3", 97}, {"host:0", -1}, {"localhost:1", -1},
        {"", -1},  {":", -1},   {":x", -1},      {":1x", -1},   {"0", -1},      {":123456789", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LocalDisplayNumber(c.display), c.number) << '"' << c.display << '"';
}

TEST(OwnXwayland, TheXSocketMustBeTheCompositorsOrItsXwaylands)
{
    // An X socket of the test's own, in the abstract namespace where X
    // clients look first, on a number no server here uses.
    int number = 4000, fd = -1;
    for (; number < 4100 && fd < 0; ++number)
        fd = Listen("/tmp/.X11-unix/X" + std::to_string(number), true);
    ASSERT_GE(fd, 0) << "no free abstract X socket name";
    const std::string display = ":" + std::to_string(number - 1);
    // This process serves it: it is the compositor's own when this process is the compositor.
    EXPECT_TRUE(IsCompositorsXwayland(display, ::getpid()));
    // Served by a process that is no Xwayland of that compositor.
    EXPECT_FALSE(IsCompositorsXwayland(display, ::getppid()));
    // Unknown compositor, remote display, nobody there.
    EXPECT_FALSE(IsCompositorsXwayland(display, 0));
    EXPECT_FALSE(IsCompositorsXwayland("otherhost" + display, ::getpid()));
    ::close(fd);
    EXPECT_FALSE(IsCompositorsXwayland(display, ::getpid(), 200));
}

TEST(OwnXwayland, AnXwaylandTheCompositorStartedIsItsOwn)
{
    // A child named Xwayland listens on a free X socket, as an Xwayland that
    // made its own sockets does; this process plays its compositor.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_NAME, "Xwayland");
        for (int n = 4100; n < 4200; ++n) {
            if (Listen("/tmp/.X11-unix/X" + std::to_string(n), true) >= 0) {
                (void)!::write(ready[1], &n, sizeof n);
                ::pause();
            }
        }
        ::_exit(1);
    }
    ::close(ready[1]);
    int number = -1;
    const bool listening = ::read(ready[0], &number, sizeof number) == sizeof number;
    ::close(ready[0]);
    const std::string display = ":" + std::to_string(number);
    const bool ownOfThisProcess = listening && IsCompositorsXwayland(display, ::getpid());
    // The same Xwayland is not the Xwayland of another compositor.
    const bool ownOfAnother = listening && IsCompositorsXwayland(display, ::getppid());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(listening) << "no free abstract X socket name";
    EXPECT_TRUE(ownOfThisProcess);
    EXPECT_FALSE(ownOfAnother);
}

} // namespace
