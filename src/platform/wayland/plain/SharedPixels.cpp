#include "platform/wayland/plain/SharedPixels.h"

#include "core/LockDisplayProtocol.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace platform::wayland {

SharedPixels::SharedPixels(SharedPixels &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_data(std::exchange(other.m_data, nullptr)),
      m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0))
{
}

SharedPixels &SharedPixels::operator=(SharedPixels &&other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_data = std::exchange(other.m_data, nullptr);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
    }
    return *this;
}

SharedPixels::~SharedPixels()
{
    Release();
}

void SharedPixels::Release()
{
    if (m_data)
        ::munmap(m_data, MemorySize());
    if (m_fd >= 0)
        ::close(m_fd);
    m_data = nullptr;
    m_fd = -1;
    m_width = m_height = 0;
}

bool SharedPixels::Create(std::uint32_t width, std::uint32_t height)
{
    Release();
    if (width == 0 || height == 0)
        return false;
    const int fd = ::memfd_create("gardlock-lock-surface", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return false;
    const auto size = std::size_t(protocol::display::SurfaceMemorySize(std::uint64_t(width) * 4, height));
    // Sealed before it is mapped or given to anyone: from here its size is fixed.
    if (::ftruncate(fd, off_t(size)) != 0 ||
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return false;
    }
    void *data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_data = data;
    m_width = width;
    m_height = height;
    return true;
}

std::size_t SharedPixels::MemorySize() const
{
    return std::size_t(protocol::display::SurfaceMemorySize(Stride(), m_height));
}

void SharedPixels::SetShownCount(std::uint32_t frames)
{
    if (!m_data)
        return;
    protocol::display::ShownCountIn(m_data, Stride(), m_height).store(frames, std::memory_order_release);
}

void SharedPixels::FillBlack()
{
    if (m_data)
        std::memset(m_data, 0, Size());
}

} // namespace platform::wayland
