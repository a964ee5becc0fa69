#include "runfiles.h"

#include "tableutil.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace updates {

namespace {

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// None for no folder: an empty path would be the current directory.
QStringList filesOf(const QString& folder)
{
    return folder.isEmpty() ? QStringList() : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void removeInto(const QString& path, QStringList& removed)
{
    if (QFileInfo::exists(path) && QFile::remove(path)) {
        removed << QFileInfo(path).fileName();
    }
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

QString finishFile(const QString& downloadFolder, const QByteArray& name)
{
    const QString from = pendingFile(downloadFolder, name);
    const QString to = QDir(downloadFolder).filePath(QFile::decodeName(name));
    // The file's bytes went to disk when its download was saved; the tables it changed, with each
    // of their writes. Only the new name is left to make lasting.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    syncFolder(downloadFolder);
    syncFolder(pendingFolder(downloadFolder));
    return {};
}

QStringList clearLeftovers(const QString& downloadFolder, const QString& extractionFolder, const QString& dataFolder)
{
    QStringList removed;
    const QString pending = pendingFolder(downloadFolder);
    for (const QString& name : filesOf(pending)) {
        removeInto(QDir(pending).filePath(name), removed);
    }
    for (const QString& name : filesOf(extractionFolder)) {
        QFile::remove(QDir(extractionFolder).filePath(name));
    }

    removed << engine::clearRebuildLeftovers(dataFolder);
    return removed;
}

} // namespace updates
