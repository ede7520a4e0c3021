#include "rules/SecondClock.h"

#include "rules/GeneralDate.h"

#include <QDateTime>

SecondClock::SecondClock(Now now, Render render) : m_now(std::move(now)), m_render(std::move(render))
{
    if (!m_now)
        m_now = [] { return std::int64_t(QDateTime::currentMSecsSinceEpoch()); };
    if (!m_render)
        m_render = [](std::int64_t second) { return GeneralDate(QDateTime::fromSecsSinceEpoch(second)); };
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
