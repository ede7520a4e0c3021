#include "platform/storage/ShellFileOperation.h"

#include "platform/Platform.h"
#include "platform/storage/DrivePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStandardPaths>

#include <memory>

namespace {

// The paths of a NUL-separated list ended by an empty entry; nothing after
// the first empty entry counts.
QStringList PathList(const QString &list)
{
    QStringList paths;
    for (const QString &part : list.split(QChar(0))) {
        if (part.isEmpty())
            break;
        paths << part;
    }
    return paths;
}

// The folder a destination names, or empty when it is not there. The user's
// desktop folder stands for "C:\Windows\Desktop", which is always there on the
// original system; a fresh account may not have it yet, so it is made.
QString DestinationFolder(const QString &destination)
{
    const QString folder = platform::ResolvePath(destination);
    if (folder.isEmpty())
        return QString(); // a drive that is not ready
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (QDir::cleanPath(folder) == QDir::cleanPath(desktop))
        QDir().mkpath(desktop);
    const QFileInfo info(folder);
    return info.isDir() ? info.absoluteFilePath() : QString();
}

// Copies one file over target through a temporary file and a rename.
int CopyOneFile(const QString &source, const QString &target, ShFileOpStruct &op)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return shellop::kSourceMissing;
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return shellop::kWriteFailed;
    // The log holds what intruders typed: the copy is as private as the original.
    out.setPermissions(in.permissions());

    std::unique_ptr<QProgressDialog> progress;
    if (!(op.fFlags & FOF_SILENT)) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Copying...\n%1").arg(QFileInfo(source).fileName()), QStringLiteral("Cancel"), 0,
            100, op.hwnd ? op.hwnd->window() : nullptr);
        progress->setWindowTitle(QStringLiteral("Copying..."));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(400); // a small log is copied before it would show
        progress->setAutoClose(false);
        progress->setValue(0);
    }
    const qint64 total = qMax<qint64>(in.size(), 1);
    qint64 done = 0;
    constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return shellop::kSourceMissing;
        if (out.write(chunk) != chunk.size())
            return shellop::kWriteFailed; // the save file is discarded: the old target stays
        done += chunk.size();
        if (progress) {
            progress->setValue(int(done * 100 / total));
            if (progress->wasCanceled()) {
                op.fAnyOperationsAborted = true;
                return shellop::kCancelled;
            }
        }
    }
    if (!out.commit())
        return shellop::kWriteFailed;
    return shellop::kOk;
}

} // namespace

int SHFileOperation(ShFileOpStruct &op)
{
    op.fAnyOperationsAborted = false;
    const QStringList sources = PathList(op.pFrom);
    const QStringList destinations = PathList(op.pTo);
    if (op.wFunc != FO_COPY || sources.isEmpty() || destinations.size() != 1)
        return shellop::kBadOperation;

    const QString folder = DestinationFolder(destinations.first());
    for (const QString &sourcePath : sources) {
        const QString source = platform::ResolvePath(sourcePath);
        const QFileInfo sourceInfo(source);
        if (source.isEmpty() || !sourceInfo.isFile())
            return shellop::kSourceMissing;
        if (folder.isEmpty())
            return shellop::kDestinationMissing;
        const QString target = folder + "/" + sourceInfo.fileName();
        const QFileInfo targetInfo(target);
        if (targetInfo.exists() && targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath())
            return shellop::kSameFile;
        if (targetInfo.exists() && !(op.fFlags & FOF_NOCONFIRMATION)) {
            const platform::MsgResult answer =
                platform::services().dialogs->MessageBox(
                    op.hwnd,
                    QStringLiteral("This folder already contains a file named '%1'.\n\nWould you like to "
                                   "replace the existing file?")
                        .arg(sourceInfo.fileName()),
                    QStringLiteral("Confirm File Replace"), platform::MsgButtons::OKCancel,
                    platform::MsgIcon::Exclamation);
            if (answer != platform::MsgResult::OK) {
                op.fAnyOperationsAborted = true;
                return shellop::kCancelled;
            }
        }
        const int result = CopyOneFile(source, target, op);
        if (result != shellop::kOk)
            return result;
    }
    return shellop::kOk;
}
