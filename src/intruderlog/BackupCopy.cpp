#include "intruderlog/BackupCopy.h"

#include "ui/Pages.h"

ShFileOpStruct CopyFileRecord(const QString &source, const QString &destination, bool confirm,
                              bool showProgress)
{
    ShFileOpStruct op;
    op.hwnd = pages::IfLoaded(Page::Home); // the main screen's window, never loaded just for this
    op.wFunc = FO_COPY;
    op.pFrom = source + QString(3, QChar(0));
    op.pTo = destination + QString(2, QChar(0));
    if (!confirm)
        op.fFlags = FOF_NOCONFIRMATION;
    if (!showProgress)
        op.fFlags |= FOF_SILENT;
    return op;
}

bool CopyFileWithShell(const QString &source, const QString &destination, bool confirm, bool showProgress)
{
    ShFileOpStruct op = CopyFileRecord(source, destination, confirm, showProgress);
    // A copy the user stopped in the progress window is not a backup: unlike
    // the original, which looked only at the result, it counts as failed.
    return SHFileOperation(op) == shellop::kOk && !op.fAnyOperationsAborted;
}
