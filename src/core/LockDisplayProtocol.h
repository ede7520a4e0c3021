#pragma once
// The display messages of a lock on a Wayland session: the front holds the
// session lock and its surfaces, the program draws the lock into a buffer
// the front made and is sent the keyboard and pointer. They travel on a
// second SOCK_SEQPACKET pair beside the supervision socket, one message a
// packet, as text like the rest of core/SupervisionProtocol.h; a surface
// message carries the buffer's memfd (SCM_RIGHTS) in the same packet.
//
// Sizes and positions are in buffer pixels: the output's configured size
// times its integer scale.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol::display {

// Set in the program a Wayland lock starts: the number of its end of the
// display pair. Its presence is what tells the program to draw through it.
inline constexpr char kSocketVariable[] = "GARDLOCK_DISPLAY_FD";

// Modifier bits of a key event (the program maps them onto its toolkit's).
enum Modifier : std::uint8_t {
    kShift = 1,
    kControl = 2,
    kAlt = 4,
    kMeta = 8,
    kKeypad = 16,
};

// The largest text a key event carries (xkbcommon's longest UTF-8 for one key is far shorter).
inline constexpr std::size_t kMostKeyText = 32;
// The largest buffer side either end accepts.
inline constexpr std::uint32_t kMostSide = 16384;

enum class Kind {
    Surface,  // front: draw into the buffer passed with this message from now on
    Done,     // front: the frame drawn into `buffer` is on screen; the next may be drawn
    Key,      // front: a key pressed or released (or repeated) on the lock
    Pointer,  // front: the pointer moved to x, y
    Button,   // front: a pointer button pressed or released (`code`: Linux BTN_*)
    Axis,     // front: the wheel turned, in 1/120 steps (dy down, dx right)
    Frame,    // program: the rectangle x, y, width, height of `buffer` was drawn
    Ping,     // front: answer with Pong of the same `code` from the event loop
    Pong,     // program: its event loop runs (the answer to Ping `code`)
    Keyboard, // front: the layouts of the compositor's keymap, the one keys are read in, Caps Lock
    SelectLayout, // program: read the keys in layout `group` from now on (the lock's own switch)
    Wait,     // program: the frame drawn into `buffer` is not shown yet; send Done once it is
};

// Behind a surface's rows, in the same memfd, the front keeps the number of
// the program's frames in that buffer the compositor has shown since the
// surface was sent: one 32-bit word, written by the front alone. The program
// reads it before it draws again, so a frame shown costs it no wake-up; only
// when it finds its last frame still unshown does it send Wait and sleep
// until Done. The front never reads the word: a program that writes it only
// mistimes its own drawing.
inline constexpr std::uint64_t kShownCountRoom = 64;
constexpr std::uint64_t ShownCountOffset(std::uint64_t stride, std::uint64_t height)
{
    return (stride * height + kShownCountRoom - 1) / kShownCountRoom * kShownCountRoom;
}
// The whole memfd of a surface: its rows, then the shown count.
constexpr std::uint64_t SurfaceMemorySize(std::uint64_t stride, std::uint64_t height)
{
    return ShownCountOffset(stride, height) + kShownCountRoom;
}
// The shown count in a surface's memfd as mapped at `memory`.
inline std::atomic_ref<std::uint32_t> ShownCountIn(void *memory, std::uint64_t stride, std::uint64_t height)
{
    return std::atomic_ref<std::uint32_t>(
        *reinterpret_cast<std::uint32_t *>(static_cast<char *>(memory) + ShownCountOffset(stride, height)));
}

// The longest message either end sends (the keyboard's with four layout
// names of the longest); a packet longer than that is no message.
inline constexpr std::size_t kMostMessage = 1024;

// The most layouts a keymap has (XKB's limit), and the longest name of one kept.
inline constexpr std::size_t kMostLayouts = 4;
inline constexpr std::size_t kMostLayoutName = 64;

struct Message {
    Kind kind;
    std::uint32_t buffer = 0; // Surface, Done, Frame, Wait: which buffer (numbered by the front, from 1)
    // Surface: the buffer's size, row length in bytes and the output's scale.
    // Frame: the damaged rectangle. Pointer: x and y only.
    std::int32_t x = 0, y = 0;
    std::uint32_t width = 0, height = 0, stride = 0, scale = 1;
    // Key and Button.
    bool press = true;
    std::uint32_t code = 0;   // Key: the key's XKB keycode; Button: the button; Ping, Pong: the number
    std::uint32_t keysym = 0; // Key: the symbol the compositor's keymap gives it
    std::uint8_t modifiers = 0;
    bool repeat = false;      // Key: a press the front repeated
    std::string text{};       // Key: the text it types (UTF-8), at most kMostKeyText bytes
    // Axis.
    std::int32_t dx = 0, dy = 0;
    // Keyboard: the layouts' names (at most kMostLayouts, each at most
    // kMostLayoutName bytes), the one in use and Caps Lock. SelectLayout: `group`.
    std::vector<std::string> layouts{};
    std::uint32_t group = 0;
    bool capsLock = false;
    bool operator==(const Message &) const = default;
};

std::string Encode(const Message &message);
// Unknown or malformed packets give nothing. A surface's sizes are checked
// (each side 1 to kMostSide, the stride holds a row of 32-bit pixels) but
// not against any buffer: that is the receiver's work.
std::optional<Message> Parse(std::string_view packet);

// Whether a frame's rectangle lies inside a buffer of that size and is not empty.
bool FrameFits(const Message &frame, std::uint32_t width, std::uint32_t height);

} // namespace protocol::display
