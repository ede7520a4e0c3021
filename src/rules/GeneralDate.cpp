#include "rules/GeneralDate.h"

namespace {

bool UsesUsFormat(const QLocale &locale)
{
    return locale.language() == QLocale::C ||
           (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates);
}

// A number in plain digits, as the fixed format writes it: it shows every
// second the lock's clock is up, and QString::arg parses its pattern anew
// each time.
void AppendNumber(QString &text, long long value, int width = 1)
{
    if (value < 0) {
        text += QLatin1Char('-');
        value = -value;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count < width)
        digits[count++] = '0';
    while (count > 0)
        text += QLatin1Char(digits[--count]);
}

} // namespace

QString GeneralDate(const QDateTime &moment, const QLocale &locale)
{
    return GeneralDate(moment.date(), moment.time(), locale);
}

QString GeneralDate(QDate date, QTime time, const QLocale &locale)
{
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;

    if (UsesUsFormat(locale)) {
        QString text;
        text.reserve(24);
        AppendNumber(text, date.month());
        text += QLatin1Char('/');
        AppendNumber(text, date.day());
        text += QLatin1Char('/');
        AppendNumber(text, date.year());
        if (midnight)
            return text;
        const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        text += QLatin1Char(' ');
        AppendNumber(text, hour12);
        text += QLatin1Char(':');
        AppendNumber(text, time.minute(), 2);
        text += QLatin1Char(':');
        AppendNumber(text, time.second(), 2);
        text += QLatin1String(time.hour() < 12 ? " AM" : " PM");
        return text;
    }
    const QString datePart = locale.toString(date, QLocale::ShortFormat);
    if (midnight)
        return datePart;
    // The long time without the zone name, which the general format never shows.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QChar('t'));
    return datePart + " " + locale.toString(time, format.trimmed());
}
