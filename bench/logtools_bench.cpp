// Figures for the log tools, on logs of 10 KB (the size the backup screen
// names), 1 MB, 5 MB and 20 MB of real three-line records:
//
//   viewer load     frmLogViewer created, loaded and shown until its first
//                   paint is done (median of 5)
//   refresh         "&Refresh" on the loaded viewer, painted (median of 5)
//   to the bottom   scrolling the view to the newest record, painted
//   text edit       for scale: the same log set into a QPlainTextEdit in one
//                   go, as a document, and painted (median of 3; 20 MB once);
//                   what the view would cost without its line index
//   backup          CopyFileWithShell into a folder, progress allowed (median of 5)
//   print layout    the printed text laid out into a PDF on A4, as a job is
//                   (median of 3 up to 1 MB; 5 MB once), with its page count
//
//   build/bench/logtools_bench            (offscreen; its own temporary HOME)
//
// Nothing here touches the user's files or printers: every folder is a
// temporary one, and no job is sent anywhere.

#include "QuietShell.h"
#include "rules/IntruderLog.h"
#include "intruderlog/LogView.h"
#include "intruderlog/frmLogViewer.h"
#include "platform/Platform.h"
#include "platform/Printing.h"
#include "platform/print/CupsPrintSystem.h"
#include "startup/ProgramPages.h"
#include "intruderlog/BackupCopy.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Stand-ins for the desktop: the log tools ask it for nothing during these runs.
class QuietDialogs : public platform::Dialogs {
public:
    platform::MsgResult MessageBox(QWidget *, const QString &, const QString &, platform::MsgButtons,
                                   platform::MsgIcon) override
    {
        return platform::MsgResult::OK;
    }
    void Beep() override {}
};
class QuietLauncher : public platform::Launcher {
public:
    long OpenDocument(const QString &) override { return kOpenedDocument; }
    bool StartProgram(const QString &, const QStringList &) override { return false; }
};
class QuietSession : public platform::Session {
public:
    void ForceLogOff() override {}
    void EndProgram(int) override {}
};

// A log of about this many bytes, in the exact record format.
QByteArray MakeLog(qint64 bytes)
{
    QByteArray log;
    log.reserve(bytes + 256);
    const QDateTime moment(QDate(2003, 1, 2), QTime(4, 5, 6));
    const QString headings[] = {headings::kLock, headings::kUninstall, headings::kPasswordChange,
                                headings::kViewLog};
    for (int i = 0; log.size() < bytes; ++i)
        log += IntruderRecord(headings[i % 4], QStringLiteral("guess%1").arg(i), moment);
    return log;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

double MedianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(TimeMs(work));
    return Median(times);
}

// Lets every pending paint and layout happen.
void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString SizeName(qint64 bytes)
{
    return bytes >= (1 << 20) ? QStringLiteral("%1 MB").arg(bytes >> 20)
                              : QStringLiteral("%1 KB").arg(bytes >> 10);
}

int PdfPages(const QString &path)
{
    QProcess info;
    info.start("pdfinfo", {path});
    if (!info.waitForFinished(30000))
        return -1;
    for (const QByteArray &line : info.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir sandbox(QDir::tempPath() + "/gardlock-bench-XXXXXX");
    for (const char *sub : {"home", "config", "data", "runtime"})
        QDir().mkpath(sandbox.path() + "/" + sub);
    qputenv("HOME", (sandbox.path() + "/home").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (sandbox.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (sandbox.path() + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (sandbox.path() + "/runtime").toLocal8Bit());
    QFile::setPermissions(sandbox.path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QuietShell shell;
    QuietDialogs dialogs;
    QuietLauncher launcher;
    QuietSession session;
    platform::install({.shell = &shell, .dialogs = &dialogs, .launcher = &launcher, .session = &session});
    RegisterProgramPages();

    std::printf("Log tools benchmark (offscreen, %s)\n\n", qPrintable(QSysInfo::prettyProductName()));
    std::printf("%-8s %9s %10s %11s %10s %13s %10s\n", "log", "records", "load ms", "refresh ms", "bottom ms",
                "textedit ms", "backup ms");
    const QString backupFolder = sandbox.path() + "/backup";
    QDir().mkpath(backupFolder);
    for (const qint64 size : {10LL << 10, 1LL << 20, 5LL << 20, 20LL << 20}) {
        const QByteArray log = MakeLog(size);
        QFile file(IntruderLogPath());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(log);
        file.close();

        const double load = MedianMs(5, [] {
            Forms::Unload<frmLogViewer>();
            Settle();
            frmLogViewer &viewer = Forms::Get<frmLogViewer>();
            viewer.show();
            Settle();
        });
        frmLogViewer &viewer = Forms::Get<frmLogViewer>();
        const double refresh = MedianMs(5, [&] {
            viewer.onRefreshClick();
            Settle();
        });
        const double bottom = TimeMs([&] {
            viewer.rtbLog->lstLines->scrollToBottom();
            Settle();
        });
        const int textRuns = size >= (20LL << 20) ? 1 : 3;
        const QString text = QString::fromLatin1(log);
        const double textEdit = MedianMs(textRuns, [&] {
            QPlainTextEdit edit;
            edit.resize(448, 254);
            edit.show();
            edit.setPlainText(text);
            Settle();
        });
        const double backup = MedianMs(
            5, [&] { CopyFileWithShell(QStringLiteral("C:\\intruder.log"), backupFolder, false, true); });
        std::printf("%-8s %9lld %10.1f %11.1f %10.1f %13.1f %10.1f\n", qPrintable(SizeName(size)),
                    static_cast<long long>(log.count('\n') / 3), load, refresh, bottom, textEdit, backup);
        Forms::Unload<frmLogViewer>();
        Settle();
    }

    std::printf("\nPrint layout (the job's text into a PDF on A4, as the CUPS print system does)\n");
    std::printf("%-8s %10s %8s %10s\n", "log", "ms", "pages", "PDF KB");
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                         QPageLayout::Millimeter);
    for (const qint64 size : {10LL << 10, 100LL << 10, 1LL << 20, 5LL << 20}) {
        const QString text = QStringLiteral("Gardlock 2001\n____________________\n") +
                             QString::fromLatin1(MakeLog(size)) + QStringLiteral("\n");
        const QString pdf = sandbox.path() + "/print.pdf";
        const double ms =
            MedianMs(size >= (5LL << 20) ? 1 : 3, [&] { platform::RenderPlainTextPdf(text, a4, pdf); });
        std::printf("%-8s %10.1f %8d %10lld\n", qPrintable(SizeName(size)), ms, PdfPages(pdf),
                    static_cast<long long>(QFileInfo(pdf).size() >> 10));
    }
    return 0;
}
