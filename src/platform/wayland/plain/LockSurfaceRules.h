#pragma once
// The size and order rules of the lock surfaces, apart from the connection so
// that they can be tested alone. A compositor ends a client that breaks one
// (and a dead lock client leaves the owner a screen with no way in), so every
// buffer the front commits passes through these.

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::wayland {

struct BufferSize {
    std::uint32_t width = 0, height = 0;
    bool operator==(const BufferSize &) const = default;
};

// The buffer for a surface configured at width x height (surface units) on
// an output of that integer scale: each side times the scale, declared with
// set_buffer_scale. Nothing for a zero size (the compositor leaves the size
// to the client; a lock surface must cover the output, so that is not one
// to draw at), a scale below 1, or a side beyond what a buffer may be.
std::optional<BufferSize> BufferFor(std::uint32_t width, std::uint32_t height, std::int32_t scale);

// The output that gets the lock's picture, as X11's primary monitor does:
// the one the compositor announced first (the lowest wl_output global name).
// Nothing when there is none.
std::optional<std::uint32_t> PrimaryOutput(const std::vector<std::uint32_t> &outputNames);

// Surface-local pointer coordinates (wl_fixed_t, 1/256) to buffer pixels.
std::int32_t ToBufferPixels(std::int32_t fixed, std::int32_t scale);

} // namespace platform::wayland
