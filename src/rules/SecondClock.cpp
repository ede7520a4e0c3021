#include "rules/SecondClock.h"

#include "rules/GeneralDate.h"

#include <QDateTime>

#include <algorithm>
#include <ctime>

SecondClock::SecondClock(Now now, Render render) : m_now(std::move(now)), m_render(std::move(render))
{
    if (!m_now)
        m_now = [] { return std::int64_t(QDateTime::currentMSecsSinceEpoch()); };
    if (!m_render)
        m_render = LocalGeneralDate();
}

// Qt's conversion to local time reads the time-zone rules again each time
// (a stat of /etc/localtime every second the clock shows); the C library's
// reads them when told: here once a minute, so that a zone changed while
// the clock runs shows within a minute.
SecondClock::Render SecondClock::LocalGeneralDate()
{
    return [zoneMinute = std::numeric_limits<std::int64_t>::min()](std::int64_t second) mutable {
        // Only a change of minute matters here, not its rounding.
        const std::int64_t minute = second / 60;
        if (minute != zoneMinute) {
            ::tzset();
            zoneMinute = minute;
        }
        const std::time_t moment = std::time_t(second);
        std::tm local{};
        if (!::localtime_r(&moment, &local))
            return GeneralDate(QDateTime::fromSecsSinceEpoch(second));
        return GeneralDate(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                           QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59)));
    };
}

bool SecondClock::Tick()
{
    const std::int64_t ms = m_now();
    // Rounded down, before the epoch too.
    const std::int64_t second = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    if (second == m_second)
        return false;
    m_second = second;
    const QString text = m_render(second);
    if (text == m_text)
        return false;
    m_text = text;
    return true;
}
