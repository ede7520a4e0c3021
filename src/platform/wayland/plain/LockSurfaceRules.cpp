#include "platform/wayland/plain/LockSurfaceRules.h"

#include "core/LockDisplayProtocol.h"

#include <algorithm>

namespace platform::wayland {

std::optional<BufferSize> BufferFor(std::uint32_t width, std::uint32_t height, std::int32_t scale)
{
    if (width == 0 || height == 0 || scale < 1)
        return std::nullopt;
    const std::uint64_t w = std::uint64_t(width) * std::uint64_t(scale);
    const std::uint64_t h = std::uint64_t(height) * std::uint64_t(scale);
    if (w > protocol::display::kMostSide || h > protocol::display::kMostSide)
        return std::nullopt;
    return BufferSize{std::uint32_t(w), std::uint32_t(h)};
}

std::optional<std::uint32_t> PrimaryOutput(const std::vector<std::uint32_t> &outputNames)
{
    if (outputNames.empty())
        return std::nullopt;
    return *std::min_element(outputNames.begin(), outputNames.end());
}

std::int32_t ToBufferPixels(std::int32_t fixed, std::int32_t scale)
{
    return std::int32_t((std::int64_t(fixed) * std::max(scale, 1)) / 256);
}

} // namespace platform::wayland
