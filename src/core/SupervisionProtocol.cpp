// The messages between the supervisor and the program it runs, as text.

#include "core/SupervisionProtocol.h"

#include <charconv>
#include <ctime>

namespace protocol {

namespace {

struct Word {
    Kind kind;
    std::string_view text;
};

constexpr Word kWords[] = {
    {Kind::StartingNormal, "start /d"},
    {Kind::StartingNtStyle, "start /n"},
    {Kind::Shown, "shown"},
    {Kind::Held, "held"},
    {Kind::Ended, "ended"},
    {Kind::Refused, "refused"},
    {Kind::Go, "go"},
    {Kind::TypeKeys, "type"},
    {Kind::Typed, "typed"},
    {Kind::WrongPassword, "wrong"},
};

// The field some messages carry as a number after their word, left out
// when 0: the window of "shown", the round of "type" and "typed".
std::uint32_t Message::*OptionalNumber(Kind kind)
{
    switch (kind) {
    case Kind::Shown:
        return &Message::window;
    case Kind::TypeKeys:
    case Kind::Typed:
        return &Message::round;
    default:
        return nullptr;
    }
}

// A whole unsigned number no larger than `most`, and nothing else.
template <typename T> std::optional<T> Number(std::string_view text, std::uint64_t most)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > most)
        return std::nullopt;
    return T(value);
}

// "key p|r <code> <state> <time>"
std::optional<Message> ParseKey(std::string_view packet)
{
    if (packet.substr(0, 4) != "key " || packet.size() < 6 || packet[5] != ' ')
        return std::nullopt;
    if (packet[4] != 'p' && packet[4] != 'r')
        return std::nullopt;
    CaughtKey key;
    key.press = packet[4] == 'p';
    std::string_view rest = packet.substr(6);
    std::string_view fields[3];
    for (int i = 0; i < 3; ++i) {
        const size_t space = rest.find(' ');
        if ((i < 2) != (space != std::string_view::npos))
            return std::nullopt;
        fields[i] = rest.substr(0, space);
        rest = i < 2 ? rest.substr(space + 1) : std::string_view();
    }
    const auto code = Number<std::uint8_t>(fields[0], 255);
    const auto state = Number<std::uint16_t>(fields[1], 65535);
    const auto time = Number<std::uint32_t>(fields[2], 4294967295u);
    if (!code || !state || !time)
        return std::nullopt;
    key.code = *code;
    key.state = *state;
    key.time = *time;
    Message message{Kind::Key};
    message.key = key;
    return message;
}

} // namespace

std::string Encode(const Message &message)
{
    if (message.kind == Kind::Key)
        return std::string("key ") + (message.key.press ? 'p' : 'r') + ' ' +
               std::to_string(message.key.code) + ' ' + std::to_string(message.key.state) + ' ' +
               std::to_string(message.key.time);
    for (const Word &word : kWords) {
        if (word.kind != message.kind)
            continue;
        std::string text(word.text);
        if (message.kind == Kind::Held)
            text += ' ' + std::to_string(message.nanoseconds);
        if (message.kind == Kind::WrongPassword)
            text += ' ' + std::to_string(message.seconds);
        if (const auto field = OptionalNumber(message.kind); field && message.*field != 0)
            text += ' ' + std::to_string(message.*field);
        return text;
    }
    return {};
}

std::optional<Message> Parse(std::string_view packet)
{
    if (packet.substr(0, 4) == "key ")
        return ParseKey(packet);
    for (const Word &word : kWords) {
        // The two words whose number is a time and always there.
        if (word.kind == Kind::Held || word.kind == Kind::WrongPassword) {
            if (packet.substr(0, word.text.size() + 1) != std::string(word.text) + ' ')
                continue;
            const std::string_view number = packet.substr(word.text.size() + 1);
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
            if (number.empty() || error != std::errc() || end != number.data() + number.size() || value < 0)
                return std::nullopt;
            Message message{word.kind};
            (word.kind == Kind::Held ? message.nanoseconds : message.seconds) = value;
            return message;
        }
        if (packet == word.text)
            return Message{word.kind};
        // The word, a blank and its number.
        const auto field = OptionalNumber(word.kind);
        if (!field || packet.substr(0, word.text.size() + 1) != std::string(word.text) + ' ')
            continue;
        const auto value = Number<std::uint32_t>(packet.substr(word.text.size() + 1), 4294967295u);
        if (!value)
            return std::nullopt;
        Message message{word.kind};
        message.*field = *value;
        return message;
    }
    return std::nullopt;
}

std::vector<std::string> EncodeBatch(const std::vector<Message> &messages)
{
    std::vector<std::string> packets;
    std::string packet;
    for (const Message &message : messages) {
        const std::string text = Encode(message);
        if (!packet.empty() && packet.size() + 1 + text.size() > kMaxPacket) {
            packets.push_back(std::move(packet));
            packet.clear();
        }
        if (!packet.empty())
            packet += '\n';
        packet += text;
    }
    if (!packet.empty())
        packets.push_back(std::move(packet));
    return packets;
}

std::vector<Message> ParsePacket(std::string_view packet)
{
    std::vector<Message> messages;
    while (!packet.empty()) {
        const size_t end = packet.find('\n');
        if (std::optional<Message> message = Parse(packet.substr(0, end)))
            messages.push_back(*message);
        if (end == std::string_view::npos)
            break;
        packet.remove_prefix(end + 1);
    }
    return messages;
}

std::int64_t MonotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace protocol

