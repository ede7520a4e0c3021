#pragma once
// The lock's clock: the text of the current second. The clock timer ticks
// many times a second; only a tick in a new second works out the local time
// (a time-zone look-up) and the text.

#include <QString>

#include <cstdint>
#include <functional>
#include <limits>

class SecondClock {
public:
    // Milliseconds since the epoch, in UTC (no time zone involved).
    using Now = std::function<std::int64_t()>;
    // The text for a second since the epoch.
    using Render = std::function<QString(std::int64_t epochSecond)>;

    // The system clock and the general date of the local time by default.
    explicit SecondClock(Now now = {}, Render render = {});

    // True when this tick is in another second than the last one: Text() is
    // then that second's text.
    bool Tick();
    const QString &Text() const { return m_text; }

    // The general date of a second in the local time.
    static Render LocalGeneralDate();

private:
    Now m_now;
    Render m_render;
    std::int64_t m_second = std::numeric_limits<std::int64_t>::min();
    QString m_text;
};
