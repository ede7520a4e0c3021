#include "platform/autostart/RegStuff.h"
#include "platform/ProcessFacts.h"

#include "platform/storage/FileIO.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace {

QString ListName(StartupList list)
{
    return list == StartupList::Services ? "services" : "run";
}

// Every byte outside [A-Za-z0-9.-] becomes _XX, so distinct commands never
// share a file name.
QString FileNamePart(const QString &command)
{
    QString out;
    for (unsigned char c : command.toUtf8()) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '-')
            out.append(QChar(c));
        else
            out.append(QString("_%1").arg(c, 2, 16, QChar('0')).toUpper());
    }
    return out;
}

// Quoting of one argument in a desktop entry's Exec key.
QString ExecQuote(const QString &arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = false;
    for (QChar c : arg)
        needs = needs || reserved.contains(c);
    if (!needs)
        return arg;
    QString quoted = "\"";
    for (QChar c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// Desktop entry values escape backslashes and line breaks.
QString EntryValue(const QString &value)
{
    QString out = value;
    out.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
    return out;
}

QString SwitchOf(const QString &command)
{
    const int blank = command.indexOf(' ');
    return blank < 0 ? QString() : command.mid(blank + 1);
}

} // namespace

QString StartupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart";
}

QString StartupEntryPath(StartupList list, const QString &command)
{
    return StartupFolder() + "/gardlock-" + ListName(list) + "-" + FileNamePart(command) + ".desktop";
}

QString StartupProgram()
{
    QString folder = app::Path();
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + app::ExeName();
}

QString StartupCommandLine(const QString &command)
{
    const QString sw = SwitchOf(command);
    const QString exe = ExecQuote(StartupProgram());
    return sw.isEmpty() ? exe : exe + " " + ExecQuote(sw);
}

bool WriteAutostartEntry(StartupList list, const QString &command, const QString &commandLine)
{
    // TryExec: once the program is removed (a package never touches home
    // folders, so the entry stays) the desktop skips the entry instead of
    // failing to start it at every log-in.
    // A folder that cannot be made shows as the write failing below.
    QDir().mkpath(StartupFolder());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=%1\n"
                                         "Comment=Gardlock 2001 start-up entry\n"
                                         "Exec=%2\n"
                                         "TryExec=%3\n"
                                         "Terminal=false\n"
                                         "X-Gardlock-Command=%4\n"
                                         "X-Gardlock-List=%5\n")
                              .arg(EntryValue("Gardlock 2001 (" + command + ")"), EntryValue(commandLine),
                                   EntryValue(StartupProgram()), EntryValue(command), ListName(list));
    return platform::WriteFileAtomically(StartupEntryPath(list, command), entry.toUtf8(), 0644);
}

bool RemoveAutostartEntry(StartupList list, const QString &command)
{
    // unlink, not QFile::remove: a dangling symlink is an entry too. No
    // entry there (ENOENT), or no folder to hold one (ENOTDIR), is success.
    const QByteArray path = StartupEntryPath(list, command).toLocal8Bit();
    return ::unlink(path.constData()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

bool AddServiceStartup(const QString &command)
{
    return WriteAutostartEntry(StartupList::Services, command, StartupCommandLine(command));
}

bool RemoveServiceStartup(const QString &command)
{
    return RemoveAutostartEntry(StartupList::Services, command);
}

bool AddRunStartup(const QString &command)
{
    return WriteAutostartEntry(StartupList::Run, command, StartupCommandLine(command));
}

bool RemoveRunStartup(const QString &command)
{
    return RemoveAutostartEntry(StartupList::Run, command);
}

bool HasStartupEntry(StartupList list, const QString &command)
{
    return QFile::exists(StartupEntryPath(list, command));
}
