#include "singleinstance.h"

#include "paths.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {
namespace {
QString g_folder;
}

QString namedMutexFolder()
{
    if (!g_folder.isEmpty()) {
        return g_folder;
    }
    // Without a home folder the program writes nothing outside its own folder, and the marker
    // there still keeps out a second instance of this installation.
    if (homeFolder().isEmpty()) {
        return programFolder();
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

void setNamedMutexFolder(const QString& folder)
{
    g_folder = folder;
}

NamedMutex::NamedMutex(const QString& name)
{
    QDir().mkpath(namedMutexFolder());
    m_lock = std::make_unique<QLockFile>(QDir(namedMutexFolder()).filePath(name + QStringLiteral(".lock")));
    // Only a dead holder makes the marker stale, never its age.
    m_lock->setStaleLockTime(0);
    // Only a marker another process holds means another instance. One that cannot be made at all
    // (a full disk, a folder that cannot be written) says nothing of other instances, and telling
    // the user one is running would keep the program from ever starting.
    m_alreadyExisted = !m_lock->tryLock(100) && m_lock->error() == QLockFile::LockFailedError;
}

NamedMutex::~NamedMutex() = default;

} // namespace platform
