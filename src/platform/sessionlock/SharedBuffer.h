#pragma once
// A lock surface's buffer: the memfd the front made and shows, mapped here
// shared for reading and writing, so that what the screen draws into it is
// what the compositor shows. XRGB8888 in memory is Qt's RGB32: no conversion.

#include "core/LockDisplayProtocol.h"
#include "platform/sessionlock/DisplayChannel.h"

#include <QImage>

#include <memory>

namespace platform::sessionlock {

class SharedBuffer {
public:
    // The buffer of a surface message, or nothing when its descriptor is no
    // memfd or is shorter than its rows and the shown count.
    static std::unique_ptr<SharedBuffer> Map(const protocol::display::Message &surface, OwnedFd fd);
    ~SharedBuffer();
    SharedBuffer(const SharedBuffer &) = delete;
    SharedBuffer &operator=(const SharedBuffer &) = delete;

    // The memory as an image; valid as long as this buffer lives.
    QImage Image() const;
    std::uint32_t Number() const { return m_surface.buffer; }
    // How many of the frames drawn into it since it came the front has seen shown.
    std::uint32_t ShownCount() const;
    QSize Size() const { return QSize(int(m_surface.width), int(m_surface.height)); }
    int Scale() const { return int(m_surface.scale); }

private:
    SharedBuffer(const protocol::display::Message &surface, void *memory, size_t length);

    protocol::display::Message m_surface;
    void *m_memory;
    size_t m_length;
};

} // namespace platform::sessionlock
