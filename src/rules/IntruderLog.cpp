#include "rules/IntruderLog.h"

#include "formats/Cp1252.h"
#include "rules/GeneralDate.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

QString IntruderLogPath()
{
    return platform::ResolvePath("C:\\intruder.log");
}

QByteArray IntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment)
{
    const QString text = heading + "\r\n" + typed + " On " + GeneralDate(moment) + ".\r\n\r\n";
    return formats::ToCp1252(text);
}

bool AppendIntruderRecord(const QString &heading, const QString &typed)
{
    return platform::AppendWhole(IntruderLogPath(),
                                 IntruderRecord(heading, typed, QDateTime::currentDateTime()));
}
