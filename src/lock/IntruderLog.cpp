#include "lock/IntruderLog.h"

#include "lock/GeneralDate.h"
#include "platform/Cp1252.h"
#include "platform/DrivePaths.h"
#include "platform/FileIO.h"

QString IntruderLogPath() { return platform::ResolvePath("C:\\intruder.log"); }

QByteArray IntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment)
{
    const QString text = heading + "\r\n" + typed + " On " + GeneralDate(moment) + ".\r\n\r\n";
    return platform::ToCp1252(text);
}

bool AppendIntruderRecord(const QString &heading, const QString &typed)
{
    return platform::AppendWhole(IntruderLogPath(),
                                 IntruderRecord(heading, typed, QDateTime::currentDateTime()));
}
