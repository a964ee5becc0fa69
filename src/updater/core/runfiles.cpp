#include "runfiles.h"

#include "files.h"
#include "tableutil.h"

#include <algorithm>
#include <cerrno>
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

using platform::systemReason;

namespace {

constexpr const char* PendingName = ".incomplete";

// A folder is opened as it stands: O_NOFOLLOW makes a link in its place fail the open instead of
// leading elsewhere, and O_NONBLOCK keeps a pipe of that name from holding the open up.
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool isLinkAt(int folderFd, const char* name)
{
    struct stat status;
    return ::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

// Opens the folder `name` of the open folder `parentFd` as a real folder: made when missing, and
// a link in its place (to a folder, a file or nothing) removed first. The open itself is the
// check, so a link put there after any look is never followed. -1 with errno set when it cannot
// be; ENOTDIR when something that is no folder and no link stands there. Unless `create`, a
// missing folder is left missing (ENOENT).
int ownFolderAt(int parentFd, const char* name, bool create, bool* linkRemoved = nullptr)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::openat(parentFd, name, FolderFlags);
        if (fd >= 0) {
            return fd;
        }
        const int error = errno;
        if (error == ENOENT) {
            if (!create) {
                errno = ENOENT;
                return -1;
            }
            if (::mkdirat(parentFd, name, 0777) != 0 && errno != EEXIST) {
                return -1;
            }
        } else if (error == ELOOP || error == ENOTDIR) {
            if (!isLinkAt(parentFd, name)) {
                errno = ENOTDIR;
                return -1;
            }
            if (::unlinkat(parentFd, name, 0) != 0 && errno != ENOENT) {
                return -1;
            }
            if (linkRemoved != nullptr) {
                *linkRemoved = true;
            }
        } else {
            errno = error;
            return -1;
        }
    }
    errno = ELOOP; // another program keeps putting something there
    return -1;
}

// The folder `folder` by its parent, which is made when missing and opened by its name.
int ownFolderByName(const QString& folder, bool create = true, bool* linkRemoved = nullptr)
{
    const QFileInfo info(QDir::cleanPath(folder));
    if (create) {
        QDir().mkpath(info.path());
    }
    const int parent = ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        return -1;
    }
    const int fd = ownFolderAt(parent, QFile::encodeName(info.fileName()).constData(), create, linkRemoved);
    const int error = errno;
    ::close(parent);
    errno = error;
    return fd;
}

// Removes the entries of the open folder `fd` that are no real folders; in real folders below
// the top only the links go. Each entry is first opened as a folder, links not followed: what
// opens is a real folder and is entered by that descriptor, what does not is removed as the
// name it is. So nothing outside is ever reached. Takes `fd`.
void clearAt(int fd, bool top, QStringList& removed)
{
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    QList<QByteArray> files;
    QList<int> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const int sub = ::openat(fd, entry->d_name, FolderFlags);
        if (sub >= 0) {
            folders << sub;
            continue;
        }
        struct stat status;
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(status.st_mode)) {
            continue;
        }
        if (top || S_ISLNK(status.st_mode)) {
            files << name;
        }
    }
    for (const QByteArray& name : files) {
        if (::unlinkat(fd, name.constData(), 0) == 0 && top) {
            removed << QFile::decodeName(name);
        }
    }
    for (const int sub : folders) {
        QStringList ignored;
        clearAt(sub, false, ignored);
    }
    ::closedir(dir); // closes fd
}

void clearOpenFolder(int fd, QStringList& removed)
{
    if (fd < 0) {
        return;
    }
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0) {
        ::lseek(copy, 0, SEEK_SET);
        clearAt(copy, true, removed);
    }
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

QString pendingFolder(const QString& downloadFolder)
{
    return QDir(downloadFolder).filePath(QLatin1String(PendingName));
}

QString pendingFile(const QString& downloadFolder, const QByteArray& name)
{
    return QDir(pendingFolder(downloadFolder)).filePath(QFile::decodeName(name));
}

bool ownFolder(const QString& folder, QString* why)
{
    const int fd = ownFolderByName(folder);
    if (fd < 0) {
        if (why != nullptr) {
            *why = systemReason(errno);
        }
        return false;
    }
    ::close(fd);
    return true;
}

QStringList clearFolder(const QString& folder)
{
    QStringList removed;
    if (folder.isEmpty()) {
        return removed; // an empty path would be the current directory
    }
    // Without a trailing separator, which would have the link followed.
    const int fd = ::open(QFile::encodeName(QDir::cleanPath(folder)).constData(), FolderFlags);
    if (fd >= 0) {
        clearAt(fd, true, removed);
    }
    return removed;
}

RunFolders::RunFolders(const QString& downloadFolder, const QString& extractionFolder)
    : m_downloadFolder(downloadFolder), m_extractionFolder(extractionFolder)
{
}

RunFolders::~RunFolders()
{
    closeFd(m_downloadFd);
    closeFd(m_pendingFd);
    closeFd(m_extractionFd);
}

bool RunFolders::openDownloadFolder(QString* why)
{
    if (m_downloadFolder.isEmpty()) {
        if (why != nullptr) {
            *why = systemReason(EINVAL);
        }
        return false;
    }
    if (m_downloadFd < 0) {
        m_downloadFd = ownFolderByName(m_downloadFolder);
        if (m_downloadFd < 0 && why != nullptr) {
            *why = systemReason(errno);
        }
    }
    return m_downloadFd >= 0;
}

int RunFolders::pendingFd(QString* why)
{
    if (m_pendingFd < 0) {
        m_pendingFd = m_downloadFd < 0 ? (errno = EBADF, -1) : ownFolderAt(m_downloadFd, PendingName, true);
        if (m_pendingFd < 0 && why != nullptr) {
            *why = systemReason(errno);
        }
    }
    return m_pendingFd;
}

int RunFolders::extractionFd(QString* why)
{
    if (m_extractionFd < 0) {
        m_extractionFd = m_extractionFolder.isEmpty() ? (errno = EINVAL, -1) : ownFolderByName(m_extractionFolder);
        if (m_extractionFd < 0 && why != nullptr) {
            *why = systemReason(errno);
        }
    }
    return m_extractionFd;
}

QString RunFolders::openedExtractionFolder(QString* why)
{
    const int fd = extractionFd(why);
    return fd < 0 ? QString() : QStringLiteral("/proc/self/fd/%1").arg(fd);
}

QStringList RunFolders::clearLeftovers(const QString& dataFolder)
{
    QStringList removed;
    if (m_downloadFd >= 0 && m_pendingFd < 0) {
        bool linkRemoved = false;
        m_pendingFd = ownFolderAt(m_downloadFd, PendingName, false, &linkRemoved);
        if (linkRemoved) {
            removed << QLatin1String(PendingName);
        }
    }
    clearOpenFolder(m_pendingFd, removed);
    if (m_extractionFd < 0 && !m_extractionFolder.isEmpty()) {
        // A missing one is made when an archive is extracted; a link in its place is made a real
        // folder now.
        bool linkRemoved = false;
        m_extractionFd = ownFolderByName(m_extractionFolder, false, &linkRemoved);
        if (m_extractionFd < 0 && linkRemoved) {
            m_extractionFd = ownFolderByName(m_extractionFolder);
        }
    }
    QStringList extracted;
    clearOpenFolder(m_extractionFd, extracted);

    removed << engine::clearRebuildLeftovers(dataFolder);
    return removed;
}

void RunFolders::clearExtractionFolder()
{
    QStringList ignored;
    clearOpenFolder(extractionFd(), ignored);
}

int RunFolders::openPending(const QByteArray& name)
{
    const int folder = pendingFd();
    if (folder < 0) {
        return -1;
    }
    return ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

QString RunFolders::finishFile(const QByteArray& name)
{
    QString why;
    const int from = pendingFd(&why);
    if (from < 0) {
        return why;
    }
    // The file's bytes went to disk when its download was saved; the tables it changed, with each
    // of their writes. Only the new name is left to make lasting.
    if (::renameat(from, name.constData(), m_downloadFd, name.constData()) != 0) {
        return systemReason(errno);
    }
    ::fsync(m_downloadFd);
    ::fsync(from);
    return {};
}

bool RunFolders::discardFile(const QByteArray& name)
{
    const int folder = pendingFd();
    return folder >= 0 && ::unlinkat(folder, name.constData(), 0) == 0;
}

PendingDownload::PendingDownload(RunFolders& folders, const QByteArray& name) : m_folders(folders), m_name(name) {}

PendingDownload::~PendingDownload()
{
    discard();
}

qint64 PendingDownload::Device::writeData(const char* data, qint64 size)
{
    qint64 written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size_t(size - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failure = n < 0 ? errno : ENOSPC;
            setErrorString(systemReason(failure));
            return -1;
        }
        written += n;
    }
    return written;
}

bool PendingDownload::noRoom() const
{
    const int failure = m_failure != 0 ? m_failure : m_device.failure;
    return failure == ENOSPC || failure == EDQUOT;
}

bool PendingDownload::fail(int error)
{
    m_failure = error;
    m_error = systemReason(error);
    discard();
    return false;
}

void PendingDownload::discard()
{
    m_device.close();
    closeFd(m_fd);
    if (!m_partName.isEmpty()) {
        ::unlinkat(m_folders.pendingFd(), m_partName.constData(), 0);
        m_partName.clear();
    }
}

bool PendingDownload::open()
{
    const int folder = m_folders.pendingFd(&m_error);
    if (folder < 0) {
        return false;
    }
    // A name of its own, made anew: O_EXCL creates no file through a link of that name. The
    // clean-up of the next run removes it whatever its name, should the program end meanwhile.
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_partName = m_name + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
        m_fd = ::openat(folder, m_partName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            const int error = errno;
            m_partName.clear();
            if (error != EEXIST || attempt == 100) {
                return fail(error);
            }
        }
    }
    m_device.fd = m_fd;
    m_device.failure = 0;
    m_device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

bool PendingDownload::commit()
{
    if (m_fd < 0) {
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
    const int folder = m_folders.pendingFd();
    if (::renameat(folder, m_partName.constData(), folder, m_name.constData()) != 0) {
        return fail(errno);
    }
    m_partName.clear();
    return true;
}

namespace {

DiskSpace spaceOf(const struct stat& status, int statResult, const struct statvfs& disk, int diskResult)
{
    DiskSpace space;
    if (statResult == 0) {
        space.device = quint64(status.st_dev);
    }
    if (diskResult == 0) {
        space.available = qint64(disk.f_bavail) * qint64(disk.f_frsize);
    }
    return space;
}

} // namespace

DiskSpace diskSpace(int folderFd)
{
    struct stat status {};
    struct statvfs disk {};
    const int statResult = ::fstat(folderFd, &status);
    return spaceOf(status, statResult, disk, ::fstatvfs(folderFd, &disk));
}

DiskSpace diskSpace(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat status {};
    struct statvfs disk {};
    const int statResult = ::stat(path.constData(), &status);
    return spaceOf(status, statResult, disk, ::statvfs(path.constData(), &disk));
}

ExtractionRoom extractionRoom(qint64 declared, const DiskSpace& extraction, const DiskSpace& data)
{
    // Room is kept beyond the entries themselves: the install that follows writes journals and
    // rebuilds the tables it touched into copies beside them, and the log goes on being written.
    // A tenth of the entries covers what the file system spends on files of that size and the
    // tables' growth by their records; at least 64 MB is kept for the journals and copies of
    // small archives. Any margin may refuse an archive on a disk that would just have held it;
    // the user is told how much room it needs.
    constexpr qint64 MinimumMargin = qint64(64) << 20;
    ExtractionRoom room;
    room.needed = declared + std::max(MinimumMargin, declared / 10);
    room.available = extraction.available;
    if (extraction.available >= 0 && room.needed > extraction.available) {
        room.fits = false;
        return room;
    }
    // The tables take in the entries' records and are rebuilt beside themselves: a data folder
    // on a disk of its own needs that room there.
    const bool otherDisk = data.device != extraction.device || extraction.available < 0;
    if (otherDisk && data.available >= 0 && room.needed > data.available) {
        room.fits = false;
        room.available = data.available;
        room.dataDisk = true;
    }
    return room;
}

} // namespace updates
