#include "platform/wayland/plain/SessionLockMark.h"

#include "platform/wayland/plain/WaylandProbe.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::wayland {

namespace {

// A folder of this user's alone: anyone else able to write there could keep
// a mark that stops every lock.
bool PrivateFolder(const std::string &path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

std::string MarkFolder(const std::string &socket)
{
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && PrivateFolder(runtime))
        return runtime;
    // A compositor named by an absolute path, without a runtime folder: its own folder, if private.
    const std::string folder = socket.substr(0, socket.rfind('/'));
    return PrivateFolder(folder) ? folder : std::string();
}

} // namespace

SessionLockMark::~SessionLockMark()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

SessionLockMark::Claim SessionLockMark::ClaimFor(const std::string &display)
{
    if (m_fd >= 0)
        return Claim::Claimed;
    const std::string socket = CompositorSocketPath(display);
    struct stat info {};
    if (socket.empty() || ::stat(socket.c_str(), &info) != 0)
        return Claim::NoPlace;
    const std::string folder = MarkFolder(socket);
    if (folder.empty())
        return Claim::NoPlace;
    const std::string path = folder + "/gardlock-session-" + std::to_string(info.st_dev) + "-" +
                             std::to_string(info.st_ino) + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Claim::NoPlace;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Claim::OtherLock : Claim::NoPlace;
    }
    m_fd = fd;
    return Claim::Claimed;
}

} // namespace platform::wayland
