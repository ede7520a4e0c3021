#pragma once
// The words of the notice after an unlock that had wrong passwords: how
// many, and when the first and the last were typed, in the log's own date
// and time. Never what was typed.

#include <QDateTime>
#include <QLocale>
#include <QString>

struct IntruderNoticeText {
    QString summary;
    QString body;
};

IntruderNoticeText IntruderNoticeFor(int count, const QDateTime &first, const QDateTime &last,
                                     const QLocale &locale = QLocale::system());

// The action's label: it opens the Log Viewer.
inline const QString kIntruderNoticeAction = QStringLiteral("Open the Log Viewer");
