#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {
namespace {
QString g_programFolder;

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}
} // namespace

QString programFolder()
{
    if (!g_programFolder.isEmpty()) {
        return g_programFolder;
    }
    return withSlash(QCoreApplication::applicationDirPath());
}

void setProgramFolder(const QString& folder)
{
    g_programFolder = folder.isEmpty() ? QString() : withSlash(QDir::cleanPath(folder));
}

QString findFileNoCase(const QString& folder, const QString& name)
{
    if (name.isEmpty()) {
        return {};
    }
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name))) {
        return dir.filePath(name);
    }
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return {};
}

QString programFile(const QString& name)
{
    return programFolder() + name;
}

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || QDir::isRelativePath(home) || QDir::cleanPath(home) == QDir::rootPath()) {
        return {};
    }
    return QFileInfo(home).isDir() ? QDir::cleanPath(home) : QString();
}

QString userFolder(const char* variable, const QString& underHome)
{
    const QString home = homeFolder();
    if (home.isEmpty()) {
        return {};
    }
    // A relative path is no folder by those rules: it would land wherever the program was started.
    const QString set = qEnvironmentVariable(variable);
    if (!set.isEmpty() && QDir::isAbsolutePath(set)) {
        return QDir::cleanPath(set);
    }
    return QDir(home).filePath(underHome);
}

} // namespace platform
