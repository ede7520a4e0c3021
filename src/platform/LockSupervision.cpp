#include "platform/LockSupervision.h"

#include <charconv>
#include <ctime>

namespace platform {

namespace {

class Unsupervised : public LockSupervision {
public:
    void LockStarting(SupervisedLock) override {}
    void LockShown() override {}
    void LockEnded() override {}
    bool PicturesAllowed() const override { return true; }
};

LockSupervision *g_supervision = nullptr;

} // namespace

LockSupervision &lockSupervision()
{
    static Unsupervised none;
    return g_supervision ? *g_supervision : none;
}

void installLockSupervision(LockSupervision *supervision)
{
    g_supervision = supervision;
}

namespace supervision {

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
    {Kind::Go, "go"},
};

} // namespace

std::string Encode(const Message &message)
{
    for (const Word &word : kWords) {
        if (word.kind != message.kind)
            continue;
        std::string text(word.text);
        if (message.kind == Kind::Held)
            text += ' ' + std::to_string(message.nanoseconds);
        return text;
    }
    return {};
}

std::optional<Message> Parse(std::string_view packet)
{
    for (const Word &word : kWords) {
        if (word.kind == Kind::Held) {
            if (packet.substr(0, word.text.size() + 1) != "held ")
                continue;
            const std::string_view number = packet.substr(word.text.size() + 1);
            std::int64_t ns = 0;
            const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), ns);
            if (error != std::errc() || end != number.data() + number.size() || ns < 0)
                return std::nullopt;
            return Message{Kind::Held, ns};
        }
        if (packet == word.text)
            return Message{word.kind};
    }
    return std::nullopt;
}

std::int64_t MonotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace supervision

} // namespace platform
