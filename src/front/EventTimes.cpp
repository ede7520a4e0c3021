#include "front/EventTimes.h"

#include "core/SupervisionProtocol.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace supervision {

void NoteTime(const char *step)
{
    static const char *const path = std::getenv("GARDLOCK_TIMES_LOG");
    if (!path || !*path)
        return;
    const std::string line = std::string(step) + " " + std::to_string(protocol::MonotonicNanoseconds()) + "\n";
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace supervision
