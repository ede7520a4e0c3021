#include "platform/instance/InstanceGuard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// Plain Unix-domain sockets rather than Qt Network's: the guard is linked
// into every start of the program, locks included, and those load nothing
// they do not need.

namespace platform {

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate ");
const QByteArray kShowLog = QByteArrayLiteral("show-log");
// A request longer than this is not one of ours.
constexpr qsizetype kMaxRequest = 4096;

std::optional<sockaddr_un> AddressOf(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bytes.size() >= qsizetype(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return address;
}

int NewSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

// A connected socket to whatever answers at the path, or -1.
int ConnectTo(const QString &path)
{
    const std::optional<sockaddr_un> address = AddressOf(path);
    if (!address)
        return -1;
    const int fd = NewSocket();
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QString TempFolderOfThisUser()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("gardlock-%1").arg(::getuid()));
}

// The runtime folder when there is one; a set but missing one counts as none.
QString RuntimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat st {};
    if (folder.isEmpty() || (::lstat(QFile::encodeName(folder).constData(), &st) != 0 && errno == ENOENT))
        return {};
    return folder;
}

// The socket's folder, made if it is the temporary one and missing, and
// checked; the empty text, with the reason in `problem`, when it is unsafe.
QString PreparedFolder(QString &problem)
{
    QString folder = RuntimeFolder();
    if (folder.isEmpty()) {
        folder = TempFolderOfThisUser();
        // One that is already there, whoever made it, is judged below like any other.
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            problem = folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
    }
    if (const QString why = UnsafeFolderReason(folder); !why.isEmpty()) {
        problem = folder + QStringLiteral(": ") + why;
        return {};
    }
    return folder;
}

std::function<void()> &ShowLogHandler()
{
    static std::function<void()> show;
    return show;
}

void ActivateWindowTitled(const QString &title)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowTitle() == title) {
            window->raise();
            window->activateWindow();
            break;
        }
    }
}

// One connection of a later copy: lines "activate <title>".
class Requester : public QObject {
public:
    Requester(int fd, QObject *parent)
        : QObject(parent), m_fd(fd), m_notifier(fd, QSocketNotifier::Read, this)
    {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { Read(); });
    }
    ~Requester() override { ::close(m_fd); }

private:
    void Read()
    {
        char chunk[512];
        for (;;) {
            const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
            if (count > 0) {
                m_pending.append(chunk, count);
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            const bool ended = count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            HandleLines();
            if (ended || m_pending.size() > kMaxRequest) {
                m_notifier.setEnabled(false);
                deleteLater();
            }
            return;
        }
    }

    void HandleLines()
    {
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (line.startsWith(kActivate))
                ActivateWindowTitled(QString::fromUtf8(line.mid(kActivate.size())));
            else if (line == kShowLog && ShowLogHandler())
                ShowLogHandler()();
        }
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

// The first copy's listening socket.
class Listener : public QObject {
public:
    Listener(int fd, QString path, QObject *parent)
        : QObject(parent), m_fd(fd), m_path(std::move(path)), m_notifier(fd, QSocketNotifier::Read, this)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] {
            const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                return;
            // Requests come from this user's copies only.
            if (PeerIsThisUser(connection))
                new Requester(connection, this);
            else
                ::close(connection);
        });
    }
    ~Listener() override { ::close(m_fd); }
    const QString &Path() const { return m_path; }

private:
    int m_fd;
    QString m_path;
    QSocketNotifier m_notifier;
};

QPointer<Listener> &TheListener()
{
    static QPointer<Listener> listener;
    return listener;
}

} // namespace

QString InstanceSocketPath()
{
    QString folder = RuntimeFolder();
    if (folder.isEmpty())
        folder = TempFolderOfThisUser();
    return QDir(folder).filePath(QStringLiteral("gardlock-%1.instance").arg(::getuid()));
}

QString UnsafeFolderReason(const QString &folder)
{
    // lstat: a symbolic link is refused, not followed to wherever it points.
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to user %1").arg(st.st_uid);
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("others have rights on it (mode %1)").arg(st.st_mode & 07777, 4, 8, QChar('0'));
    return {};
}

bool IsThisUser(const ucred &peer)
{
    return peer.uid == ::geteuid();
}

bool PeerIsThisUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           IsThisUser(peer);
}

InstanceState ClaimInstance()
{
    const QString path = InstanceSocketPath();
    QPointer<Listener> &listener = TheListener();
    if (listener && listener->Path() == path)
        return InstanceState::First;
    delete listener.data();

    const auto report = [&](const QString &what) {
        std::fprintf(stderr, "gardlock: cannot tell whether another copy runs: %s\n", qPrintable(what));
        return InstanceState::Unavailable;
    };
    QString problem;
    if (PreparedFolder(problem).isEmpty())
        return report(problem);

    if (const int probe = ConnectTo(path); probe >= 0) {
        const bool ours = PeerIsThisUser(probe);
        ::close(probe);
        if (!ours)
            return report(path + QStringLiteral(": answered by another user's process"));
        return InstanceState::EarlierCopyRuns;
    }
    const std::optional<sockaddr_un> address = AddressOf(path);
    const int fd = address ? NewSocket() : -1;
    const auto unavailable = [&](const char *why) {
        if (fd >= 0)
            ::close(fd);
        return report(path + QStringLiteral(": ") + QString::fromLocal8Bit(why));
    };
    if (fd < 0)
        return unavailable(address ? std::strerror(errno) : "the path is too long");
    // Nobody answers in a folder that is ours alone: whatever is left at the
    // path is a crashed copy's socket.
    ::unlink(address->sun_path);
    // Only this user may connect: the socket is made without group or other rights.
    const mode_t oldMask = ::umask(077);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) == 0;
    const int bindError = errno;
    ::umask(oldMask);
    if (!bound)
        return unavailable(std::strerror(bindError));
    if (::listen(fd, 8) != 0)
        return unavailable(std::strerror(errno));
    listener = new Listener(fd, path, qApp);
    return InstanceState::First;
}

namespace {

// One request line to this user's earlier copy.
bool SendToEarlierCopy(const QByteArray &request)
{
    const int fd = ConnectTo(InstanceSocketPath());
    if (fd < 0)
        return false;
    // Requests go to this user's copy only.
    if (!PeerIsThisUser(fd)) {
        ::close(fd);
        return false;
    }
    qsizetype written = 0;
    while (written < request.size()) {
        const ssize_t count =
            ::send(fd, request.constData() + written, size_t(request.size() - written), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += count;
    }
    ::close(fd);
    return written == request.size();
}

} // namespace

bool ActivateEarlierCopy(const QString &title)
{
    return SendToEarlierCopy(kActivate + title.toUtf8() + '\n');
}

bool ShowLogInEarlierCopy()
{
    return SendToEarlierCopy(kShowLog + '\n');
}

void OnShowLogRequest(std::function<void()> show)
{
    ShowLogHandler() = std::move(show);
}

} // namespace platform
