#pragma once
// The "general date" rendering of a moment: the short date, a blank and the
// long time of the user's regional settings; at exactly midnight the date
// alone. Under the C/POSIX and US settings: "12/8/2026 6:05:09 AM".

#include <QDateTime>
#include <QLocale>
#include <QString>

QString GeneralDate(const QDateTime &moment, const QLocale &locale = QLocale::system());
QString GeneralDate(QDate date, QTime time, const QLocale &locale = QLocale::system());
