// The display messages of a Wayland lock, as text: a word and its numbers,
// blank-separated; a key's text in hexadecimal ("-" when it types none).

#include "core/LockDisplayProtocol.h"

#include <charconv>
#include <vector>

namespace protocol::display {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::vector<std::string_view> Fields(std::string_view packet)
{
    std::vector<std::string_view> fields;
    while (!packet.empty()) {
        const size_t space = packet.find(' ');
        fields.push_back(packet.substr(0, space));
        if (space == std::string_view::npos)
            break;
        packet.remove_prefix(space + 1);
        if (packet.empty())
            fields.emplace_back(); // a trailing blank: malformed
    }
    return fields;
}

template <typename T> bool Read(std::string_view text, T &value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ReadPress(std::string_view text, bool &press)
{
    if (text != "p" && text != "r")
        return false;
    press = text == "p";
    return true;
}

std::optional<std::string> FromHex(std::string_view hex, std::size_t most = kMostKeyText)
{
    if (hex == "-")
        return std::string();
    if (hex.size() % 2 != 0 || hex.size() / 2 > most)
        return std::nullopt;
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            return std::nullopt;
        text += char(byte);
    }
    return text;
}

std::string ToHex(std::string_view text, std::size_t most = kMostKeyText)
{
    if (text.empty())
        return "-";
    std::string hex;
    for (unsigned char c : text.substr(0, most)) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return hex;
}

bool SaneSurface(const Message &m)
{
    return m.buffer != 0 && m.width >= 1 && m.width <= kMostSide && m.height >= 1 && m.height <= kMostSide &&
           m.stride / 4 >= m.width && m.stride % 4 == 0 && m.scale >= 1 && m.scale <= 16;
}

} // namespace

std::string Encode(const Message &m)
{
    const auto n = [](auto value) { return ' ' + std::to_string(value); };
    switch (m.kind) {
    case Kind::Surface:
        return "surface" + n(m.buffer) + n(m.width) + n(m.height) + n(m.stride) + n(m.scale);
    case Kind::Done:
        return "done" + n(m.buffer);
    case Kind::Key:
        return std::string("key ") + (m.press ? 'p' : 'r') + n(m.code) + n(m.keysym) + n(unsigned(m.modifiers)) +
               n(int(m.repeat)) + ' ' + ToHex(m.text);
    case Kind::Pointer:
        return "pointer" + n(m.x) + n(m.y);
    case Kind::Button:
        return std::string("button ") + (m.press ? 'p' : 'r') + n(m.code);
    case Kind::Axis:
        return "axis" + n(m.dx) + n(m.dy);
    case Kind::Frame:
        return "frame" + n(m.buffer) + n(m.x) + n(m.y) + n(m.width) + n(m.height);
    case Kind::Ping:
        return "ping" + n(m.code);
    case Kind::Pong:
        return "pong" + n(m.code);
    case Kind::Keyboard: {
        std::string text = "keyboard" + n(m.group) + n(int(m.capsLock));
        for (size_t i = 0; i < m.layouts.size() && i < kMostLayouts; ++i)
            text += ' ' + ToHex(m.layouts[i], kMostLayoutName);
        return text;
    }
    case Kind::SelectLayout:
        return "layout" + n(m.group);
    case Kind::Wait:
        return "wait" + n(m.buffer);
    }
    return {};
}

std::optional<Message> Parse(std::string_view packet)
{
    const std::vector<std::string_view> f = Fields(packet);
    if (f.empty())
        return std::nullopt;
    const std::string_view word = f[0];
    if (word == "surface" && f.size() == 6) {
        Message m{Kind::Surface};
        if (Read(f[1], m.buffer) && Read(f[2], m.width) && Read(f[3], m.height) && Read(f[4], m.stride) &&
            Read(f[5], m.scale) && SaneSurface(m))
            return m;
    } else if ((word == "done" || word == "wait") && f.size() == 2) {
        Message m{word == "done" ? Kind::Done : Kind::Wait};
        if (Read(f[1], m.buffer))
            return m;
    } else if (word == "key" && f.size() == 7) {
        Message m{Kind::Key};
        unsigned modifiers = 0, repeat = 0;
        if (!ReadPress(f[1], m.press) || !Read(f[2], m.code) || !Read(f[3], m.keysym) || !Read(f[4], modifiers) ||
            modifiers > 31 || !Read(f[5], repeat) || repeat > 1)
            return std::nullopt;
        const std::optional<std::string> text = FromHex(f[6]);
        if (!text)
            return std::nullopt;
        m.modifiers = std::uint8_t(modifiers);
        m.repeat = repeat == 1;
        m.text = *text;
        return m;
    } else if (word == "pointer" && f.size() == 3) {
        Message m{Kind::Pointer};
        if (Read(f[1], m.x) && Read(f[2], m.y))
            return m;
    } else if (word == "button" && f.size() == 3) {
        Message m{Kind::Button};
        if (ReadPress(f[1], m.press) && Read(f[2], m.code))
            return m;
    } else if (word == "axis" && f.size() == 3) {
        Message m{Kind::Axis};
        if (Read(f[1], m.dx) && Read(f[2], m.dy))
            return m;
    } else if ((word == "ping" || word == "pong") && f.size() == 2) {
        Message m{word == "ping" ? Kind::Ping : Kind::Pong};
        if (Read(f[1], m.code))
            return m;
    } else if (word == "keyboard" && f.size() >= 4 && f.size() <= 3 + kMostLayouts) {
        Message m{Kind::Keyboard};
        unsigned caps = 0;
        if (!Read(f[1], m.group) || !Read(f[2], caps) || caps > 1)
            return std::nullopt;
        m.capsLock = caps == 1;
        for (size_t i = 3; i < f.size(); ++i) {
            std::optional<std::string> name = FromHex(f[i], kMostLayoutName);
            if (!name)
                return std::nullopt;
            m.layouts.push_back(std::move(*name));
        }
        if (m.group < m.layouts.size())
            return m;
    } else if (word == "layout" && f.size() == 2) {
        Message m{Kind::SelectLayout};
        if (Read(f[1], m.group) && m.group < kMostLayouts)
            return m;
    } else if (word == "frame" && f.size() == 6) {
        Message m{Kind::Frame};
        if (Read(f[1], m.buffer) && Read(f[2], m.x) && Read(f[3], m.y) && Read(f[4], m.width) &&
            Read(f[5], m.height))
            return m;
    }
    return std::nullopt;
}

bool FrameFits(const Message &frame, std::uint32_t width, std::uint32_t height)
{
    if (frame.x < 0 || frame.y < 0 || frame.width == 0 || frame.height == 0)
        return false;
    // In 64 bits: a sum near the 32-bit limit must not wrap into range.
    return std::uint64_t(frame.x) + frame.width <= width && std::uint64_t(frame.y) + frame.height <= height;
}

} // namespace protocol::display
