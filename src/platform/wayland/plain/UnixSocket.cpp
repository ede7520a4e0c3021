#include "platform/wayland/plain/UnixSocket.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::wayland {

int MsLeft(ProbeClock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ProbeClock::now()).count();
    return left > 0 ? int(left) : 0;
}

int ConnectLocal(const std::string &path, bool abstractName, ProbeClock::time_point deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstractName ? 1 : 0; // an abstract name starts with a zero byte
    if (path.empty() || offset + path.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const socklen_t length =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstractName ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    // A local socket whose queue is full refuses at once instead of
    // connecting later: ask again shortly, until the deadline.
    while (::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0) {
        if ((errno != EAGAIN && errno != EINTR) || MsLeft(deadline) == 0) {
            ::close(fd);
            return -1;
        }
        ::poll(nullptr, 0, 10);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

long PeerPid(int fd)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return 0;
    return long(credentials.pid);
}

} // namespace platform::wayland
