// The image browser's speed: entering a folder of 10,000 files (listing and
// drawing the file list), and clicking a 6000 x 4000 JPEG (decoded at the
// preview's size) against decoding it whole. Runs offscreen in a throw-away
// HOME; prints its figures.

#include "platform/desktop/DesktopServices.h"
#include "platform/x11/X11ShellLockdown.h"
#include "options/frmImageBrowser.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long PeakRssKb()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

} // namespace

// A 6000 x 4000 JPEG photograph-like gradient.
int MakePhoto(const char *path)
{
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient gradient(0, 0, 6000, 4000);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(photo.rect(), gradient);
    painter.end();
    return photo.save(QString::fromLocal8Bit(path), "JPG", 90) ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--make-photo") == 0)
        return MakePhoto(argv[2]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir sandbox(QDir::tempPath() + "/gardlock-bench-XXXXXX");
    for (const char *sub : {"home", "config", "data"})
        QDir().mkpath(sandbox.path() + "/" + sub);
    qputenv("HOME", (sandbox.path() + "/home").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (sandbox.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (sandbox.path() + "/data").toLocal8Bit());

    QApplication application(argc, argv);
    const auto shell = platform::CreateX11ShellLockdown();
    platform::QtDialogs dialogs;
    platform::DesktopLauncher launcher;
    platform::ProcessSession session;
    platform::install(
        {.shell = shell.get(), .dialogs = &dialogs, .launcher = &launcher, .session = &session});

    const QString many = sandbox.path() + "/home/many";
    QDir().mkpath(many);
    for (int i = 0; i < 10000; ++i) {
        QFile file(QString("%1/picture%2.%3").arg(many).arg(i, 5, 10, QChar('0')).arg(i % 4 ? "jpg" : "txt"));
        file.open(QIODevice::WriteOnly);
    }
    const QString photoFolder = sandbox.path() + "/home/photo";
    QDir().mkpath(photoFolder);
    // Made by a child process, so that drawing it does not raise this one's peak memory.
    if (QProcess::execute(QCoreApplication::applicationFilePath(),
                          {"--make-photo", photoFolder + "/big.jpg"}) != 0)
        std::printf("could not make the photograph\n");

    frmImageBrowser &browser = Forms::Get<frmImageBrowser>();
    browser.show();
    QApplication::processEvents();

    std::vector<double> enter;
    int listed = 0;
    for (int round = 0; round < 5; ++round) {
        browser.DirList->SetPath(sandbox.path() + "/home");
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        browser.DirList->SetPath(many);
        QApplication::processEvents(); // lays out and draws the lists
        enter.push_back(timer.nsecsElapsed() / 1e6);
        listed = browser.FileList->count();
    }
    std::printf("enter a folder of 10000 files (%d listed by the filter): median %.1f ms, worst %.1f ms "
                "(target 500 ms)\n",
                listed, Median(enter), *std::max_element(enter.begin(), enter.end()));

    browser.DirList->SetPath(photoFolder);
    QApplication::processEvents();
    const long rssBefore = PeakRssKb();
    std::vector<double> click;
    for (int round = 0; round < 5; ++round) {
        browser.FileList->setCurrentRow(0);
        QElapsedTimer timer;
        timer.start();
        browser.onFileListClick();
        QApplication::processEvents();
        click.push_back(timer.nsecsElapsed() / 1e6);
    }
    const long rssPreview = PeakRssKb();
    std::vector<double> whole;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        QImageReader reader(photoFolder + "/big.jpg");
        const QImage image = reader.read();
        whole.push_back(timer.nsecsElapsed() / 1e6);
        if (image.isNull())
            std::printf("the whole decode failed\n");
    }
    std::printf(
        "click a 6000x4000 JPEG: preview %dx%d, median %.1f ms, worst %.1f ms; peak memory +%ld KiB\n",
        browser.FileImage->Picture().width(), browser.FileImage->Picture().height(), Median(click),
        *std::max_element(click.begin(), click.end()), rssPreview - rssBefore);
    std::printf("the same JPEG decoded whole, for comparison: median %.1f ms; peak memory +%ld KiB\n",
                Median(whole), PeakRssKb() - rssPreview);
    Forms::DestroyAll();
    return 0;
}
