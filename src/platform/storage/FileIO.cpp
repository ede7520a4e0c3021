#include "platform/storage/FileIO.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

void SyncFolderOf(const QByteArray &path)
{
    const QByteArray folder = QFileInfo(QString::fromLocal8Bit(path)).absolutePath().toLocal8Bit();
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

ReadResult ReadFileHead(const QString &path, qint64 maxBytes)
{
    ReadResult result;
    const QByteArray native = path.toLocal8Bit();
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        return result;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.status = ReadStatus::Unreadable;
        return result;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = ReadStatus::Unreadable;
        return result;
    }
    result.bytes.resize(qsizetype(qMin<qint64>(maxBytes, st.st_size)));
    qint64 done = 0;
    while (done < result.bytes.size()) {
        const ssize_t n = ::read(fd, result.bytes.data() + done, size_t(result.bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            result.bytes.clear();
            result.status = ReadStatus::Unreadable;
            return result;
        }
        if (n == 0)
            break;
        done += n;
    }
    result.bytes.resize(qsizetype(done));
    ::close(fd);
    result.status = ReadStatus::Ok;
    return result;
}

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, unsigned mode)
{
    const QByteArray target = path.toLocal8Bit();
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool ok =
        ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

bool AppendWhole(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // flock serialises copies of the program; O_APPEND alone would keep single
    // writes whole, but the lock also makes the cut-back below safe.
    const bool locked = ::flock(fd, LOCK_EX) == 0;
    const off_t before = S_ISREG(st.st_mode) ? ::lseek(fd, 0, SEEK_END) : 0;
    bool ok = WriteAll(fd, bytes.constData(), bytes.size());
    if (ok && S_ISREG(st.st_mode))
        ok = ::fdatasync(fd) == 0;
    if (!ok && S_ISREG(st.st_mode) && before >= 0 && ::ftruncate(fd, before) != 0) {
        // Nothing more to do: the append is reported as failed either way.
    }
    if (locked)
        ::flock(fd, LOCK_UN);
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

} // namespace platform
