#include "runfiles.h"

#include "error.h"
#include "table.h"
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

const char* const JournalSuffix = "-journal";

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

bool isTableFile(const QString& name)
{
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive);
}

// The rebuild's own files are tables too, by their names; only the live tables are rolled back
// and have rebuild files of their own.
bool isRebuildFile(const QString& path)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName());
    for (const QString& kind : {QStringLiteral(".Rebuild"), QStringLiteral(".Backup"), QStringLiteral(".KEYVIOL"),
                                QStringLiteral(".PROBLEM")}) {
        if (stem.endsWith(kind, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

// A journal without its header's mark: empty, or its first bytes still zero.
bool holdsNothing(const QString& journal)
{
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = f.read(8);
    return header.count('\0') == header.size();
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

    const QDir data(dataFolder);
    const QStringList names = filesOf(dataFolder);
    for (const QString& name : names) {
        const QString path = data.filePath(name);
        if (!isTableFile(name) || isRebuildFile(path)) {
            continue;
        }
        const engine::RebuildFiles files = engine::rebuildFiles(path);
        removeInto(files.copy, removed);
        removeInto(files.copy + QLatin1String(JournalSuffix), removed);
        // A salvage writes the records it puts aside under these names until it is complete.
        removeInto(files.keyViolations + QStringLiteral(".part"), removed);
        removeInto(files.problems + QStringLiteral(".part"), removed);

        const QString journal = path + QLatin1String(JournalSuffix);
        if (!QFileInfo::exists(journal)) {
            continue;
        }
        try {
            engine::Table table;
            table.setTableName(path);
            table.open();
        } catch (const engine::Error&) {
            // A table that does not open is left to the program's own opening, which tells why.
            continue;
        }
        // The engine played a journal that held the table's old pages back into it and removed it.
        // One that stays was cut short before the table itself was written to (the journal is
        // marked valid only once it is on disk, before the first write to the table), so it holds
        // nothing to play back.
        if (!QFileInfo::exists(journal)) {
            removed << QFileInfo(journal).fileName();
        } else if (holdsNothing(journal)) {
            removeInto(journal, removed);
        }
    }
    return removed;
}

} // namespace updates
