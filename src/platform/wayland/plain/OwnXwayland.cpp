#include "platform/wayland/plain/OwnXwayland.h"

#include "platform/wayland/plain/UnixSocket.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform::wayland {

namespace {

struct ProcessName {
    std::string comm;
    long parent = 0;
};

// The name and parent of a process, from /proc/<pid>/stat ("pid (comm) state ppid ...").
ProcessName ReadProcess(long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t open = text.find('('), close = text.rfind(')');
    ProcessName process;
    if (open == std::string::npos || close == std::string::npos || close < open)
        return process;
    process.comm = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    rest >> state >> process.parent;
    return process;
}

} // namespace

int LocalDisplayNumber(const std::string &x11Display)
{
    const size_t colon = x11Display.rfind(':');
    if (colon == std::string::npos)
        return -1;
    const std::string host = x11Display.substr(0, colon);
    if (!host.empty() && host != "unix")
        return -1;
    size_t end = colon + 1;
    while (end < x11Display.size() && std::isdigit((unsigned char)x11Display[end]))
        ++end;
    if (end == colon + 1 || end - colon > 7 || (end < x11Display.size() && x11Display[end] != '.'))
        return -1;
    return std::stoi(x11Display.substr(colon + 1, end - colon - 1));
}

bool IsCompositorsXwayland(const std::string &x11Display, long compositorPid, int timeoutMs)
{
    const int number = LocalDisplayNumber(x11Display);
    if (number < 0 || compositorPid <= 0)
        return false;
    const ProbeClock::time_point deadline = ProbeClock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    // The abstract name first, as X clients do; a server in a sandbox of its
    // own may have only the file.
    int fd = ConnectLocal(path, true, deadline);
    if (fd < 0)
        fd = ConnectLocal(path, false, deadline);
    if (fd < 0)
        return false;
    const long server = PeerPid(fd);
    ::close(fd);
    if (server <= 0)
        return false;
    if (server == compositorPid)
        return true;
    const ProcessName process = ReadProcess(server);
    return process.comm == "Xwayland" && process.parent == compositorPid;
}

} // namespace platform::wayland
