#include "runfiles.h"

#include "tableutil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace updates {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool isLink(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

// Removes the entries of the open folder `fd` that are no real folders; in real folders below
// the top only the links go. Entries are looked at as they are, links not followed, and a
// sub-folder is entered only by a descriptor opened without following a link, so nothing
// outside is ever reached.
void clearAt(int fd, bool top, QStringList& removed)
{
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    QList<QByteArray> files;
    QList<QByteArray> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        struct stat status;
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            folders << name;
        } else if (top || S_ISLNK(status.st_mode)) {
            files << name;
        }
    }
    for (const QByteArray& name : files) {
        if (::unlinkat(fd, name.constData(), 0) == 0 && top) {
            removed << QFile::decodeName(name);
        }
    }
    for (const QByteArray& name : folders) {
        const int sub = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) {
            QStringList ignored;
            clearAt(sub, false, ignored);
        }
    }
    ::closedir(dir); // closes fd
}

} // namespace

QString pendingFolder(const QString& downloadFolder)
{
    return QDir(downloadFolder).filePath(QStringLiteral(".incomplete"));
}

QString pendingFile(const QString& downloadFolder, const QByteArray& name)
{
    return QDir(pendingFolder(downloadFolder)).filePath(QFile::decodeName(name));
}

bool ownFolder(const QString& folder, QString* why)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    int error = 0;
    if (isLink(path) && ::unlink(path.constData()) != 0) {
        error = errno;
    } else {
        struct stat status;
        if (::lstat(path.constData(), &status) == 0) {
            error = S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
        } else {
            const QString parent = QFileInfo(QFile::decodeName(path)).path();
            QDir().mkpath(parent);
            if (::mkdir(path.constData(), 0777) != 0) {
                error = errno;
            }
        }
    }
    if (error != 0 && why != nullptr) {
        *why = systemReason(error);
    }
    return error == 0;
}

QStringList clearFolder(const QString& folder)
{
    QStringList removed;
    if (folder.isEmpty()) {
        return removed; // an empty path would be the current directory
    }
    // Without a trailing separator, which would have the link followed.
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        clearAt(fd, true, removed);
    }
    return removed;
}

PendingDownload::PendingDownload(const QString& downloadFolder, const QByteArray& name)
    : m_folder(pendingFolder(downloadFolder)), m_name(name)
{
}

PendingDownload::~PendingDownload()
{
    discard();
}

bool PendingDownload::fail(int error)
{
    m_error = systemReason(error);
    discard();
    return false;
}

void PendingDownload::discard()
{
    m_device.close();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_partName.isEmpty()) {
        ::unlinkat(m_folderFd, m_partName.constData(), 0);
        m_partName.clear();
    }
    if (m_folderFd >= 0) {
        ::close(m_folderFd);
        m_folderFd = -1;
    }
}

bool PendingDownload::open()
{
    if (!ownFolder(m_folder, &m_error)) {
        return false;
    }
    // Opened as it stands, not followed: a link put in the folder's place meanwhile fails here.
    m_folderFd = ::open(QFile::encodeName(QDir::cleanPath(m_folder)).constData(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_folderFd < 0) {
        return fail(errno);
    }
    // A name of its own, made anew: O_EXCL creates no file through a link of that name. The
    // clean-up of the next run removes it whatever its name, should the program end meanwhile.
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_partName = m_name + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
        m_fd = ::openat(m_folderFd, m_partName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            const int error = errno;
            m_partName.clear();
            if (error != EEXIST || attempt == 100) {
                return fail(error);
            }
        }
    }
    if (!m_device.open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        m_error = m_device.errorString();
        discard();
        return false;
    }
    return true;
}

bool PendingDownload::commit()
{
    if (m_fd < 0) {
        return false;
    }
    if (!m_device.flush()) {
        m_error = m_device.errorString();
        discard();
        return false;
    }
    m_device.close();
    // On disk before it takes its name: a name that outlives a power cut holds the whole file.
    if (::fsync(m_fd) != 0) {
        return fail(errno);
    }
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) {
        return fail(errno);
    }
    // The rename replaces a link that stands under the waiting name; it writes nothing through it.
    if (::renameat(m_folderFd, m_partName.constData(), m_folderFd, m_name.constData()) != 0) {
        return fail(errno);
    }
    m_partName.clear();
    discard();
    return true;
}

QString finishFile(const QString& downloadFolder, const QByteArray& name)
{
    const QString from = pendingFile(downloadFolder, name);
    const QString to = QDir(downloadFolder).filePath(QFile::decodeName(name));
    // The file's bytes went to disk when its download was saved; the tables it changed, with each
    // of their writes. Only the new name is left to make lasting.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        return systemReason(errno);
    }
    syncFolder(downloadFolder);
    syncFolder(pendingFolder(downloadFolder));
    return {};
}

QStringList clearLeftovers(const QString& downloadFolder, const QString& extractionFolder, const QString& dataFolder)
{
    QStringList removed;
    if (!downloadFolder.isEmpty()) {
        const QString pending = pendingFolder(downloadFolder);
        const QByteArray path = QFile::encodeName(pending);
        if (isLink(path)) {
            if (::unlink(path.constData()) == 0) {
                removed << QFileInfo(pending).fileName();
            }
        } else {
            removed << clearFolder(pending);
        }
    }
    if (!extractionFolder.isEmpty()) {
        if (isLink(QFile::encodeName(QDir::cleanPath(extractionFolder)))) {
            ownFolder(extractionFolder);
        }
        clearFolder(extractionFolder);
    }

    removed << engine::clearRebuildLeftovers(dataFolder);
    return removed;
}

ExtractionRoom extractionRoom(const QString& folder, qint64 declared)
{
    // Room is kept beyond the entries themselves: the install that follows writes journals and
    // rebuilds the tables it touched into copies beside them, mostly on the same disk, and the
    // log goes on being written. A tenth of the entries covers what the file system spends on
    // files of that size and the tables' growth by their records; at least 64 MB is kept for
    // the journals and copies of small archives. Any margin may refuse an archive on a disk that
    // would just have held it; the user is told how much room it needs.
    constexpr qint64 MinimumMargin = qint64(64) << 20;
    ExtractionRoom room;
    room.needed = declared + std::max(MinimumMargin, declared / 10);
    struct statvfs disk;
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) != 0) {
        return room; // the per-entry limits still hold while writing
    }
    room.available = qint64(disk.f_bavail) * qint64(disk.f_frsize);
    room.fits = room.needed <= room.available;
    return room;
}

} // namespace updates
