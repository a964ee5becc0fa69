#include "singleinstance.h"

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
    m_alreadyExisted = !m_lock->tryLock(100);
}

NamedMutex::~NamedMutex() = default;

} // namespace platform
