#include "files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

WriteResult failed(const QByteArray& path, int error)
{
    // Whatever the call that met it said (a rename onto a folder gives EISDIR or ENOTEMPTY), a
    // folder in the file's place is what keeps the file from being saved.
    const WriteFailure kind = isFolder(path) ? WriteFailure::FolderInPlace : writeFailureFromErrno(error);
    return {kind, systemReason(error)};
}

// Creates a new file beside `target` with a name no other file has; -1 with errno set on failure.
int createTemporary(const QByteArray& target, QByteArray* name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = target + '.';
        for (int i = 0; i < 6; ++i) {
            candidate += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        }
        // Mode 0666 less the umask, as any new file of the program's.
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            *name = candidate;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

WriteFailure writeFailureFromErrno(int error)
{
    switch (error) {
    case 0:
        return WriteFailure::None;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return WriteFailure::NoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteFailure::NoPermission;
    case EISDIR:
        return WriteFailure::FolderInPlace;
    default:
        return WriteFailure::Unknown;
    }
}

WriteResult saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return failed(target, EISDIR);
    }
    QByteArray temporary;
    const int fd = createTemporary(target, &temporary);
    if (fd < 0) {
        return failed(target, errno);
    }
    const auto discard = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        return failed(target, error);
    };
    if (exists && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0) {
        return discard(errno);
    }
    // Written until all is out: a write the system takes only in part (a full disk) goes on
    // from where it stopped, and fails with the reason on the next call.
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + at, size_t(bytes.size() - at));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return discard(errno);
        }
        at += written;
    }
    // On the disk before it takes the old file's place: a crash after the rename finds it whole.
    if (::fsync(fd) != 0) {
        return discard(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(target, error);
    }
    // A rename replaces a symbolic link itself, never what it points to.
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(target, error);
    }
    return {};
}

WriteResult makeWritable(const QString& path)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(target.constData(), &st) != 0 || S_ISLNK(st.st_mode)) {
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        return failed(target, EISDIR);
    }
    if ((st.st_mode & S_IWUSR) != 0) {
        return {};
    }
    if (::chmod(target.constData(), (st.st_mode & 07777) | S_IWUSR) != 0) {
        return failed(target, errno);
    }
    return {};
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isSymLink(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace platform
