#include "platform/sessionlock/SharedBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace platform::sessionlock {

std::unique_ptr<SharedBuffer> SharedBuffer::Map(const protocol::display::Message &surface, OwnedFd fd)
{
    // Only a memfd sealed against shrinking: memory cut off under the mapping
    // would end the lock's process at its next drawing (SIGBUS).
    struct stat facts {};
    const int seals = fd.Get() < 0 ? -1 : ::fcntl(fd.Get(), F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK) || ::fstat(fd.Get(), &facts) != 0 || !S_ISREG(facts.st_mode))
        return nullptr;
    const std::uint64_t length = protocol::display::SurfaceMemorySize(surface.stride, surface.height);
    if (surface.stride == 0 || surface.height == 0 || std::uint64_t(facts.st_size) < length)
        return nullptr;
    void *memory = ::mmap(nullptr, size_t(length), PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
    if (memory == MAP_FAILED)
        return nullptr;
    return std::unique_ptr<SharedBuffer>(new SharedBuffer(surface, memory, size_t(length)));
}

SharedBuffer::SharedBuffer(const protocol::display::Message &surface, void *memory, size_t length)
    : m_surface(surface), m_memory(memory), m_length(length)
{
}

SharedBuffer::~SharedBuffer()
{
    ::munmap(m_memory, m_length);
}

std::uint32_t SharedBuffer::ShownCount() const
{
    return protocol::display::ShownCountIn(m_memory, m_surface.stride, m_surface.height)
        .load(std::memory_order_acquire);
}

QImage SharedBuffer::Image() const
{
    return QImage(static_cast<uchar *>(m_memory), int(m_surface.width), int(m_surface.height),
                  qsizetype(m_surface.stride), QImage::Format_RGB32);
}

} // namespace platform::sessionlock
