#pragma once
// One output's pixels in shared memory: a memfd made and sealed here, so that
// the program drawing into it can neither shrink it under the compositor's
// and the front's mappings (a SIGBUS here) nor grow it. XRGB8888 rows, then
// the count of frames shown (core/LockDisplayProtocol.h).

#include <cstddef>
#include <cstdint>

namespace platform::wayland {

class SharedPixels {
public:
    SharedPixels() = default;
    SharedPixels(const SharedPixels &) = delete;
    SharedPixels &operator=(const SharedPixels &) = delete;
    SharedPixels(SharedPixels &&other) noexcept;
    SharedPixels &operator=(SharedPixels &&other) noexcept;
    ~SharedPixels();

    // Makes, sizes, seals and maps the memory; false (and empty) when any step fails.
    bool Create(std::uint32_t width, std::uint32_t height);
    bool Valid() const { return m_data != nullptr; }

    void FillBlack();
    // Tells the program how many of its frames in these pixels are shown.
    void SetShownCount(std::uint32_t frames);

    int Fd() const { return m_fd; }
    std::uint32_t Width() const { return m_width; }
    std::uint32_t Height() const { return m_height; }
    std::uint32_t Stride() const { return m_width * 4; }
    // The rows alone: what the compositor is given.
    std::size_t Size() const { return std::size_t(Stride()) * m_height; }
    // The rows and the shown count: the memfd's size.
    std::size_t MemorySize() const;

private:
    void Release();

    int m_fd = -1;
    void *m_data = nullptr;
    std::uint32_t m_width = 0, m_height = 0;
};

} // namespace platform::wayland
