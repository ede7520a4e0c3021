#include "rules/IntruderNoticeText.h"

#include "rules/GeneralDate.h"

IntruderNoticeText IntruderNoticeFor(int count, const QDateTime &first, const QDateTime &last, const QLocale &locale)
{
    IntruderNoticeText text;
    text.summary = count == 1 ? QStringLiteral("1 wrong password while the desktop was locked")
                              : QStringLiteral("%1 wrong passwords while the desktop was locked").arg(count);
    const QString firstText = GeneralDate(first, locale);
    const QString lastText = GeneralDate(last, locale);
    if (count == 1)
        text.body = QStringLiteral("Typed on %1.").arg(firstText);
    else if (firstText == lastText)
        text.body = QStringLiteral("All on %1.").arg(firstText);
    else
        text.body = QStringLiteral("The first on %1, the last on %2.").arg(firstText, lastText);
    text.body += QStringLiteral(" The intruder log has each one.");
    return text;
}
