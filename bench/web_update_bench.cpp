// Times the update check against the local download host of the end-to-end
// tests (tests/e2e/webserver.py, started here), through the real Qt Network
// client and the real windows:
//   no update   the check timer's first tick -> "Download Complete."
//   update      the first tick -> the news viewer shown with the news
//               (a page of rich text, and news at the 512 KiB cap)
//
//   build/bench/web_update_bench [RUNS]      (default 20; offscreen without DISPLAY)

#include "QuietShell.h"
#include "platform/HttpFetch.h"
#include "platform/Platform.h"
#include "platform/http/QtHttp.h"
#include "platform/storage/Settings.h"
#include "ui/Form.h"
#include "updates/frmNews.h"
#include "updates/frmOnlineUpdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A message box here is a failed run: counted, never shown.
class CountingDialogs : public platform::Dialogs {
public:
    int boxes = 0;
    platform::MsgResult MessageBox(QWidget *, const QString &text, const QString &, platform::MsgButtons,
                                   platform::MsgIcon) override
    {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return platform::MsgResult::OK;
    }
    void Beep() override {}
};
class NoLauncher : public platform::Launcher {
public:
    long OpenDocument(const QString &) override { return kOpenedDocument; }
    bool StartProgram(const QString &, const QStringList &) override { return false; }
};
class StaySession : public platform::Session {
public:
    void ForceLogOff() override {}
    void EndProgram(int) override {}
};

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

struct Figures {
    double first = 0;
    std::vector<double> rest;
};

void Print(const char *what, Figures f)
{
    std::sort(f.rest.begin(), f.rest.end());
    const double median = f.rest.empty() ? 0 : f.rest[f.rest.size() / 2];
    const double worst = f.rest.empty() ? 0 : f.rest.back();
    std::printf("%-44s first %7.1f ms   median %7.1f ms   max %7.1f ms   (%zu runs)\n", what, f.first, median,
                worst, f.rest.size() + 1);
}

double Ms(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// One check from its first tick to "Download Complete.".
double NoUpdateRun()
{
    frmOnlineUpdate &form = Forms::Get<frmOnlineUpdate>();
    form.tmrCheck->stop(); // the tick is given by hand, at a known moment
    form.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    form.onCheckTimer();
    const double ms = Ms(clock);
    if (form.lblStatus->text() != "Download Complete.")
        std::fprintf(stderr, "the check did not complete\n");
    form.Unload();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ms;
}

// One check from its first tick to the news viewer on the screen.
double UpdateRun()
{
    frmOnlineUpdate &form = Forms::Get<frmOnlineUpdate>();
    form.tmrCheck->stop();
    form.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    form.onCheckTimer();
    frmNews *news = Forms::IfLoaded<frmNews>();
    while (news && !(news->windowHandle() && news->windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents(); // the first paint
    const double ms = Ms(clock);
    if (!news || news->rtfNews->toPlainText().isEmpty())
        std::fprintf(stderr, "no news on the screen\n");
    if (news)
        news->Unload();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(2, atoi(argv[1])) : 20;
    QTemporaryDir sandbox;
    for (const char *sub : {"home", "config", "data", "files"})
        QDir().mkpath(sandbox.path() + "/" + sub);
    qputenv("HOME", (sandbox.path() + "/home").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (sandbox.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (sandbox.path() + "/data").toLocal8Bit());
    for (const char *proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(proxy);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QuietShell shell;
    CountingDialogs dialogs;
    NoLauncher launcher;
    StaySession session;
    platform::QtHttpClient http;
    platform::install(
        {.shell = &shell, .dialogs = &dialogs, .launcher = &launcher, .session = &session, .http = &http});

    const QString files = sandbox.path() + "/files";
    const QString portFile = sandbox.path() + "/port";
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start("python3", {GARDLOCK_SOURCE_DIR "/tests/e2e/webserver.py", files, portFile});
    for (int i = 0; i < 200 && !QFile::exists(portFile); ++i)
        QThread::msleep(25);
    QFile port(portFile);
    if (!port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the download host did not start\n");
        return 1;
    }
    if (!settings::Write(settings::DownloadFolder,
                         QString("http://127.0.0.1:%1/files/").arg(QString::fromLatin1(port.readAll())))) {
        std::fprintf(stderr, "the download folder setting could not be written\n");
        return 1;
    }

    std::printf("Update check against a download host on 127.0.0.1 (%s platform)\n",
                qPrintable(QApplication::platformName()));
    WriteFile(files + "/application.ver", "2.0");
    Figures noUpdate;
    for (int i = 0; i < runs; ++i)
        (i == 0 ? noUpdate.first : noUpdate.rest.emplace_back()) = NoUpdateRun();
    Print("\"2.0\": first tick -> \"Download Complete.\"", noUpdate);

    WriteFile(files + "/application.ver", "2.1");
    QByteArray page = "{\\rtf1\\ansi {\\b Gardlock 2001 version 2.1}\\par ";
    for (int i = 0; i < 40; ++i)
        page += "A line of news about the new version, {\\i with} some {\\b formatting}.\\par ";
    WriteFile(files + "/news2.txt", page + "}");
    Figures update;
    for (int i = 0; i < runs; ++i)
        (i == 0 ? update.first : update.rest.emplace_back()) = UpdateRun();
    Print("\"2.1\": first tick -> news on the screen", update);

    QByteArray big;
    while (big.size() < 512 * 1024)
        big += "Plain news, a long page of it. ";
    WriteFile(files + "/news2.txt", big);
    Figures capped;
    for (int i = 0; i < std::min(runs, 5); ++i)
        (i == 0 ? capped.first : capped.rest.emplace_back()) = UpdateRun();
    Print("\"2.1\", 512 KiB of news: -> on the screen", capped);

    // Hostile news at the cap: pseudo-random bytes behind an RTF opening, and
    // groups nested 100,000 deep.
    QByteArray noise = "{\\rtf1 ";
    quint32 state = 12345;
    while (noise.size() < 512 * 1024) {
        state = state * 1103515245u + 12345u;
        noise += char(state >> 24);
    }
    WriteFile(files + "/news2.txt", noise);
    Figures hostile;
    for (int i = 0; i < std::min(runs, 5); ++i)
        (i == 0 ? hostile.first : hostile.rest.emplace_back()) = UpdateRun();
    Print("\"2.1\", 512 KiB of random bytes as RTF", hostile);
    WriteFile(files + "/news2.txt",
              "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + "}");
    Figures nested;
    for (int i = 0; i < std::min(runs, 5); ++i)
        (i == 0 ? nested.first : nested.rest.emplace_back()) = UpdateRun();
    Print("\"2.1\", 100,000 nested groups", nested);

    std::printf("message boxes (failed runs): %d\n", dialogs.boxes);
    server.kill();
    server.waitForFinished();
    return dialogs.boxes == 0 ? 0 : 1;
}
