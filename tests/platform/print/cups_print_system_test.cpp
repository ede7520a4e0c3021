// The print system over Qt Print Support and CUPS, against a private CUPS
// server the test starts itself (tests/e2e/cups_lib.sh): the printers and the
// default one, the registry stand-ins, the current printer, jobs and their
// copies, and what happens once the server has gone. Skipped, with the
// reason, where no private server can be started.

#include "platform/print/CupsPrintSystem.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>

using namespace testing_support;
using platform::RegistryRoot;
using Status = platform::RegistryString::Status;

namespace {

const QString kKey = QStringLiteral("System\\CurrentControlSet\\Control\\Print\\Printers");

class CupsPrintSystemTest : public SandboxTest {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir(QDir::tempPath() + "/gardlock-cups-XXXXXX");
        QProcess start;
        start.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        start.start(
            "bash",
            {"-c",
             "E2E_TMP=\"$1\"; source \"$2\"; start_private_cups || { echo \"PROBLEM=$CUPS_PROBLEM\"; "
             "exit 1; }; echo \"SERVER=$CUPS_SERVER\"; echo \"PID=$CUPSD_PID\"; echo \"OUT=$PRINT_OUT\"; "
             "echo \"LOG=$CUPS_DIR/log/error_log\"",
             "_", s_dir->path(), QStringLiteral(GARDLOCK_TESTS_DIR "/e2e/cups_lib.sh")});
        start.waitForFinished(60000);
        for (const QString &line : QString::fromLocal8Bit(start.readAllStandardOutput()).split('\n')) {
            const QString value = line.section('=', 1);
            if (line.startsWith("PROBLEM="))
                s_problem = value;
            else if (line.startsWith("SERVER="))
                s_server = value;
            else if (line.startsWith("PID="))
                s_pid = value.toLongLong();
            else if (line.startsWith("OUT="))
                s_out = value;
            else if (line.startsWith("LOG="))
                s_log = value;
        }
        if (s_server.isEmpty() && s_problem.isEmpty())
            s_problem =
                "the start script said nothing: " + QString::fromLocal8Bit(start.readAllStandardError());
        if (!s_problem.isEmpty()) // ctest reports the run as skipped on this line
            std::printf("SKIPPED: no private CUPS server could be started: %s\n", qPrintable(s_problem));
        // libcups reads the server from the environment when it is first asked.
        qputenv("CUPS_SERVER", s_server.toLocal8Bit());
    }
    static void TearDownTestSuite()
    {
        StopServer();
        delete s_dir;
        s_dir = nullptr;
    }
    static void StopServer()
    {
        if (s_pid > 0) {
            ::kill(pid_t(s_pid), SIGTERM);
            if (!QTest::qWaitFor([] { return ::kill(pid_t(s_pid), 0) != 0; }, 10000))
                ::kill(pid_t(s_pid), SIGKILL);
            s_pid = 0;
        }
    }
    void SetUp() override
    {
        SandboxTest::SetUp();
        if (!s_problem.isEmpty())
            GTEST_SKIP() << "no private CUPS server could be started: " << s_problem.toStdString();
        system = platform::CreateCupsPrintSystem();
    }
    // One argument the server passed to the filters of a job, from its debug log.
    static QString JobArgument(int job, int argument)
    {
        QFile log(s_log);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        const QByteArray marker =
            "[Job " + QByteArray::number(job) + "] argv[" + QByteArray::number(argument) + "]=\"";
        for (const QByteArray &line : log.readAll().split('\n')) {
            const qsizetype at = line.indexOf(marker);
            if (at >= 0)
                return QString::fromLocal8Bit(line.mid(at + marker.size()).chopped(1));
        }
        return {};
    }

    std::unique_ptr<platform::PrintSystem> system;
    static inline QTemporaryDir *s_dir = nullptr;
    static inline QString s_problem, s_server, s_out, s_log;
    static inline qint64 s_pid = 0;
};

TEST_F(CupsPrintSystemTest, ListsTheServersPrintersAndStartsOnItsDefault)
{
    EXPECT_EQ(system->PrinterNames(), QStringList({"GardlockTest", "Second"}));
    EXPECT_EQ(system->CurrentPrinter(), "GardlockTest");
}

TEST_F(CupsPrintSystemTest, TheRegistryStandInsReadTheDefaultAndTheDeviceUris)
{
    const auto read = [&](RegistryRoot root, const QString &key, const QString &value) {
        return system->QueryRegistryString(root, key, value);
    };
    platform::RegistryString value = read(RegistryRoot::CurrentConfig, kKey, "Default");
    EXPECT_EQ(value.status, Status::Text);
    EXPECT_EQ(value.text, "GardlockTest");
    EXPECT_EQ(read(RegistryRoot::CurrentConfig, kKey, "Other").status, Status::NotString);
    EXPECT_EQ(read(RegistryRoot::CurrentConfig, "Software", "Default").status, Status::NoKey);

    value = read(RegistryRoot::LocalMachine, kKey + "\\Second", "Port");
    EXPECT_EQ(value.status, Status::Text);
    EXPECT_EQ(value.text, "file://" + s_out + "/Second.out");
    EXPECT_EQ(read(RegistryRoot::LocalMachine, kKey + "\\Second", "Driver").status, Status::NotString);
    EXPECT_EQ(read(RegistryRoot::LocalMachine, kKey + "\\NoSuchPrinter", "Port").status, Status::NoKey);
    EXPECT_EQ(read(RegistryRoot::LocalMachine, kKey + "\\", "Port").status, Status::NoKey);
}

TEST_F(CupsPrintSystemTest, AJobGoesToTheCurrentPrinterWithItsCopies)
{
    system->SetCurrentPrinter("Second");
    EXPECT_EQ(system->CurrentPrinter(), "Second");
    const QString out = s_out + "/Second.out";
    QFile::remove(out);
    ASSERT_TRUE(system->PrintText("Gardlock 2001\n____________________\nline one\r\nline two\r\n\n", 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(out).size() > 0; }, 20000));
    QFile pdf(out);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");

    QProcess text;
    text.start("pdftotext", {out, "-"});
    if (text.waitForFinished(20000) && text.exitCode() == 0) {
        const QString printed = QString::fromLocal8Bit(text.readAllStandardOutput());
        EXPECT_TRUE(printed.contains("line one\nline two")) << printed.toStdString();
        EXPECT_TRUE(printed.startsWith("Gardlock 2001\n____________________\n")) << printed.toStdString();
    }
    // The server's debug log names the copies of each job it ran.
    bool found = false;
    for (int job = 1; job < 20 && !found; ++job)
        found = JobArgument(job, 0) == "Second" && JobArgument(job, 4) == "3";
    EXPECT_TRUE(found);
}

TEST_F(CupsPrintSystemTest, PropertiesOpenOnlyAnInstalledPrinter)
{
    EXPECT_FALSE(system->ShowPrinterProperties("NoSuchPrinter", nullptr));
    EXPECT_FALSE(system->ShowPrinterProperties("", nullptr));
    bool shown = false;
    QTimer::singleShot(300, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            shown = true;
            dialog->close();
        }
    });
    EXPECT_TRUE(system->ShowPrinterProperties("GardlockTest", nullptr));
    EXPECT_TRUE(shown);
}

// Last: the server is stopped.
TEST_F(CupsPrintSystemTest, WithoutTheServerThereAreNoPrintersAndNoJob)
{
    EXPECT_EQ(system->CurrentPrinter(), "GardlockTest");
    StopServer();
    EXPECT_TRUE(system->PrinterNames().isEmpty());
    EXPECT_FALSE(system->PrintText("text", 1));
    EXPECT_EQ(system->QueryRegistryString(RegistryRoot::LocalMachine, kKey + "\\GardlockTest", "Port").status,
              Status::NoKey);
}

} // namespace

namespace {

// The layout of a job's text needs no server.
class PrintLayoutTest : public SandboxTest {
protected:
    static QString PdfText(const QString &path)
    {
        QProcess text;
        text.start("pdftotext", {"-layout", path, "-"});
        if (!text.waitForFinished(30000) || text.exitCode() != 0)
            return {};
        return QString::fromLocal8Bit(text.readAllStandardOutput());
    }
    static int PdfPages(const QString &path)
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
    QString Pdf() const { return home() + "/out.pdf"; }
};

TEST_F(PrintLayoutTest, LinesRunOnOntoNewPagesInOrder)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QPageLayout small(QPageSize(QPageSize::A7), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                            QPageLayout::Millimeter);
    QString text;
    for (int i = 0; i < 600; ++i)
        text += QStringLiteral("line %1\r\n").arg(i, 4, 10, QChar('0'));
    ASSERT_TRUE(platform::RenderPlainTextPdf(text, small, Pdf()));
    EXPECT_GT(PdfPages(Pdf()), 10);
    const QString printed = PdfText(Pdf());
    qsizetype at = 0;
    for (int i = 0; i < 600; ++i) {
        at = printed.indexOf(QStringLiteral("line %1").arg(i, 4, 10, QChar('0')), at);
        ASSERT_GE(at, 0) << i;
    }
}

TEST_F(PrintLayoutTest, ALongLineWrapsAfterABlankAndLosesNothing)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                         QPageLayout::Millimeter);
    QStringList words;
    for (int i = 0; i < 80; ++i)
        words << QStringLiteral("w%1").arg(i);
    const QString unbroken(300, QChar('x'));
    ASSERT_TRUE(platform::RenderPlainTextPdf(words.join(' ') + "\n" + unbroken + "\tend\n", a4, Pdf()));
    const QString printed = PdfText(Pdf());
    QStringList lines = printed.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].trimmed().startsWith("w0 w1 "));
    // Broken between two words: the next line starts with the word after the last one.
    const QString last = lines[0].trimmed().split(' ').last();
    ASSERT_TRUE(QRegularExpression("^w\\d+$").match(last).hasMatch()) << last.toStdString();
    EXPECT_TRUE(lines[1].trimmed().startsWith(QStringLiteral("w%1 ").arg(last.mid(1).toInt() + 1)));
    QString joined = printed;
    joined.remove(QRegularExpression("\\s"));
    EXPECT_TRUE(joined.contains(words.join(QString()) + unbroken + "end"));
}

TEST_F(PrintLayoutTest, AThousandPageLogIsLaidOutWhole)
{
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    // A rich text document of this size comes out as one empty page.
    const QPageLayout small(QPageSize(QPageSize::A7), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                            QPageLayout::Millimeter);
    QString text;
    for (int i = 0; i < 30000; ++i)
        text += QStringLiteral("record %1\r\n").arg(i);
    ASSERT_TRUE(platform::RenderPlainTextPdf(text, small, Pdf()));
    EXPECT_GT(PdfPages(Pdf()), 1000);
}

} // namespace
