#include "rules/GeneralDate.h"

namespace {

bool UsesUsFormat(const QLocale &locale)
{
    return locale.language() == QLocale::C ||
           (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates);
}

} // namespace

QString GeneralDate(const QDateTime &moment, const QLocale &locale)
{
    return GeneralDate(moment.date(), moment.time(), locale);
}

QString GeneralDate(QDate date, QTime time, const QLocale &locale)
{
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;

    QString datePart;
    QString timePart;
    if (UsesUsFormat(locale)) {
        datePart = QString("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
        const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        timePart = QString("%1:%2:%3 %4")
                       .arg(hour12)
                       .arg(time.minute(), 2, 10, QChar('0'))
                       .arg(time.second(), 2, 10, QChar('0'))
                       .arg(time.hour() < 12 ? "AM" : "PM");
    } else {
        datePart = locale.toString(date, QLocale::ShortFormat);
        // The long time without the zone name, which the general format never shows.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QChar('t'));
        timePart = locale.toString(time, format.trimmed());
    }
    return midnight ? datePart : datePart + " " + timePart;
}
