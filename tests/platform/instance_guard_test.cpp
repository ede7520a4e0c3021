// The one-copy guard's folder and the credentials it believes: another
// user's file, folder or socket where ours belongs never counts as an
// earlier copy and is never used.

#include "platform/instance/InstanceGuard.h"
#include "support/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace platform;
using testing_support::SandboxTest;

namespace {

// Stands for any user but this one.
constexpr uid_t kOtherUser = 65534;

mode_t ModeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

ino_t InodeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

sockaddr_un AddressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(),
                std::min(size_t(bytes.size()), sizeof address.sun_path - 1));
    return address;
}

// A listening socket at the path, of this process; -1 on failure.
int ListenAt(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = AddressOf(path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

class InstanceGuardTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        m_oldTmp = qgetenv("TMPDIR");
        m_hadTmp = qEnvironmentVariableIsSet("TMPDIR");
    }
    void TearDown() override
    {
        for (int fd : m_fds)
            ::close(fd);
        if (m_hadTmp)
            qputenv("TMPDIR", m_oldTmp);
        else
            qunsetenv("TMPDIR");
        SandboxTest::TearDown();
    }

    // A fresh temporary folder of its own and no runtime folder, so that each
    // case has its own socket path.
    QString UseFreshTempFolderOnly()
    {
        const QString tmp = home() + QStringLiteral("/tmp%1").arg(++m_tmpCount);
        EXPECT_TRUE(QDir().mkpath(tmp));
        qputenv("TMPDIR", QFile::encodeName(tmp));
        qunsetenv("XDG_RUNTIME_DIR");
        return tmp;
    }
    QString PrivateTempFolder(const QString &tmp) const
    {
        return tmp + QStringLiteral("/gardlock-%1").arg(::getuid());
    }
    void Keep(int fd) { m_fds.push_back(fd); }

private:
    QByteArray m_oldTmp;
    bool m_hadTmp = false;
    int m_tmpCount = 0;
    std::vector<int> m_fds;
};

TEST_F(InstanceGuardTest, WithoutARuntimeFolderTheSocketLivesInAPrivateTemporaryFolder)
{
    const QString tmp = UseFreshTempFolderOnly();
    // What another user leaves at the old shared path cannot be removed by
    // this one (a folder with something in it stands for that) and no longer
    // matters.
    const QString oldPath = tmp + QStringLiteral("/gardlock-%1.instance").arg(::getuid());
    ASSERT_TRUE(QDir().mkpath(oldPath + "/inside"));

    const QString folder = PrivateTempFolder(tmp);
    EXPECT_EQ(InstanceSocketPath(), folder + QStringLiteral("/gardlock-%1.instance").arg(::getuid()));
    EXPECT_EQ(ClaimInstance(), InstanceState::First);
    EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
    EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
    EXPECT_TRUE(S_ISSOCK(ModeOf(InstanceSocketPath())));
    EXPECT_EQ(ModeOf(InstanceSocketPath()) & 077, 0u);
    EXPECT_TRUE(QFileInfo(oldPath + "/inside").isDir());

    // A runtime folder that is set but missing counts as none.
    const QString tmp2 = UseFreshTempFolderOnly();
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home() + "/no runtime"));
    EXPECT_EQ(ClaimInstance(), InstanceState::First);
    EXPECT_TRUE(
        S_ISSOCK(ModeOf(PrivateTempFolder(tmp2) + QStringLiteral("/gardlock-%1.instance").arg(::getuid()))));
}

// Each case lays out the socket's folder; a socket of this user that answers
// in it would have been an earlier copy had the folder been trusted.
struct UnsafeCase {
    const char *what;
    std::function<QString(const QString &tmp, const QString &home)> layOut; // the folder to answer in, or ""
};

TEST_F(InstanceGuardTest, AnUnsafeFolderIsNeitherBelievedNorUsed)
{
    const auto privateFolder = [](const QString &tmp) {
        return tmp + QStringLiteral("/gardlock-%1").arg(::getuid());
    };
    const auto runtimeFolder = [](const QString &folder) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        return folder;
    };
    const std::vector<UnsafeCase> cases = {
        {"temporary folder open to others",
         [&](const QString &tmp, const QString &) {
             const QString f = privateFolder(tmp);
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0755);
             return f;
         }},
        {"temporary folder open to its group",
         [&](const QString &tmp, const QString &) {
             const QString f = privateFolder(tmp);
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0770);
             return f;
         }},
        {"temporary folder is a symbolic link to a private folder",
         [&](const QString &tmp, const QString &home) {
             const QString target = home + "/elsewhere-" + QFileInfo(tmp).fileName();
             QDir().mkpath(target);
             ::chmod(QFile::encodeName(target).constData(), 0700);
             QFile::link(target, privateFolder(tmp));
             return target;
         }},
        {"temporary folder is a file",
         [&](const QString &tmp, const QString &) {
             WriteBytes(privateFolder(tmp), "not a folder");
             return QString();
         }},
        {"runtime folder open to others",
         [&](const QString &tmp, const QString &) {
             const QString f = runtimeFolder(tmp + "/runtime");
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0711);
             return f;
         }},
        {"runtime folder is a symbolic link to a private folder",
         [&](const QString &tmp, const QString &home) {
             const QString target = home + "/runtime-" + QFileInfo(tmp).fileName();
             QDir().mkpath(target);
             ::chmod(QFile::encodeName(target).constData(), 0700);
             QFile::link(target, tmp + "/runtime");
             runtimeFolder(tmp + "/runtime");
             return target;
         }},
    };
    for (const UnsafeCase &c : cases) {
        SCOPED_TRACE(c.what);
        const QString tmp = UseFreshTempFolderOnly();
        const QString answerIn = c.layOut(tmp, home());
        const QString socketName = QStringLiteral("/gardlock-%1.instance").arg(::getuid());
        ino_t answering = 0;
        if (!answerIn.isEmpty()) {
            const int fd = ListenAt(answerIn + socketName);
            ASSERT_GE(fd, 0);
            Keep(fd);
            answering = InodeOf(answerIn + socketName);
        }
        EXPECT_EQ(ClaimInstance(), InstanceState::Unavailable);
        // Left as it was: nothing removed, nothing bound in its place.
        if (answering != 0) {
            EXPECT_EQ(InodeOf(answerIn + socketName), answering);
        } else {
            EXPECT_EQ(ReadBytes(PrivateTempFolder(tmp)), "not a folder");
        }
    }
}

TEST_F(InstanceGuardTest, AFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    const QString tmp = UseFreshTempFolderOnly();
    const QString folder = PrivateTempFolder(tmp);
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kOtherUser, kOtherUser), 0);
    EXPECT_FALSE(UnsafeFolderReason(folder).isEmpty());
    EXPECT_EQ(ClaimInstance(), InstanceState::Unavailable);
    EXPECT_EQ(ModeOf(InstanceSocketPath()), 0u);
}

// Runs `body` in a child process and gives its exit status, or -1 when it
// did not end in time; the event loop keeps turning meanwhile.
int InChild(const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    const bool ended =
        pid > 0 && QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 15000);
    if (!ended && pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(InstanceGuardTest, CredentialsAreJudgedByTheUser)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    Keep(pair[0]);
    Keep(pair[1]);
    EXPECT_TRUE(PeerIsThisUser(pair[0]));
    EXPECT_TRUE(PeerIsThisUser(pair[1]));
    EXPECT_FALSE(PeerIsThisUser(-1));

    ucred peer{::getpid(), ::geteuid(), ::getegid()};
    EXPECT_TRUE(IsThisUser(peer));
    peer.uid = ::geteuid() + 1;
    EXPECT_FALSE(IsThisUser(peer));
    peer = {::getpid(), kOtherUser == ::geteuid() ? 0 : kOtherUser, ::getegid()};
    EXPECT_FALSE(IsThisUser(peer));
}

TEST_F(InstanceGuardTest, AListenerOfAnotherUserIsNotAnEarlierCopy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a process of another user needs root";
    const QString path = InstanceSocketPath();
    int ready[2], hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Bound as root in our folder, listening as the other user: the
        // credentials a connecting copy sees are those of listen().
        ::close(hold[1]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = AddressOf(path);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
            ::syscall(SYS_setresuid, -1, kOtherUser, -1) != 0 || ::listen(fd, 4) != 0)
            ::_exit(1);
        (void)!::write(ready[1], "r", 1);
        char c;
        (void)!::read(hold[0], &c, 1); // until the test is done
        ::_exit(0);
    }
    ASSERT_GT(pid, 0);
    ::close(ready[1]);
    ::close(hold[0]);
    char c = 0;
    const bool listening = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);

    if (listening) {
        EXPECT_EQ(ClaimInstance(), InstanceState::Unavailable);
        EXPECT_FALSE(ActivateEarlierCopy("Gardlock 2001"));
        EXPECT_TRUE(S_ISSOCK(ModeOf(path))) << "the other user's socket is left alone";
    }
    ::close(hold[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(listening) << "the other user's listener did not come up";
}

TEST_F(InstanceGuardTest, TheFirstCopyHangsUpOnAnotherUsersRequest)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a process of another user needs root";
    ASSERT_EQ(ClaimInstance(), InstanceState::First);
    const sockaddr_un address = AddressOf(InstanceSocketPath());
    const int result = InChild([&] {
        // Connects as the other user; the folder and the socket are reached
        // with root's file rights, which the credentials do not show.
        if (::syscall(SYS_setresuid, -1, kOtherUser, -1) != 0)
            return 1;
        ::setfsuid(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return 2;
        const char request[] = "activate Gardlock 2001\n";
        if (::write(fd, request, sizeof request - 1) != ssize_t(sizeof request - 1))
            return 3;
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 10000) != 1)
            return 4; // still open: the request was taken
        char c;
        const ssize_t count = ::read(fd, &c, 1);
        return count == 0 || (count < 0 && errno == ECONNRESET) ? 0 : 5;
    });
    EXPECT_EQ(result, 0) << "1-3: could not ask; 4: the request was taken; 5: it was answered";
}

} // namespace
