#pragma once

// Tests of where the program writes when the user has no home folder: the environment changed for
// a scope, and what a folder or the root of the file system holds.

#include <optional>
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace testsupport {

// Environment variables set or unset for as long as it lives, then given back their values.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                qputenv(it->first.constData(), *it->second);
            } else {
                qunsetenv(it->first.constData());
            }
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const QByteArray& name, const QByteArray& value)
    {
        save(name);
        qputenv(name.constData(), value);
    }
    void unset(const QByteArray& name)
    {
        save(name);
        qunsetenv(name.constData());
    }

private:
    void save(const QByteArray& name)
    {
        const char* n = name.constData();
        m_saved.emplace_back(name, qEnvironmentVariableIsSet(n) ? std::optional(qgetenv(n)) : std::nullopt);
    }

    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

// The variables that name the user's folders.
inline const QByteArrayList& userFolderVariables()
{
    static const QByteArrayList names = {"HOME",           "XDG_DATA_HOME",   "XDG_CONFIG_HOME",
                                         "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "KORVELIN_REGISTRY_FOLDER"};
    return names;
}

// Every entry below `folder` (hidden ones too), relative to it, in order.
inline QStringList treeOf(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        out << QDir(folder).relativeFilePath(it.next());
    }
    out.sort();
    return out;
}

// What the root of the file system holds where a program that takes the root for the user's home
// folder would write: each entry with its size, time and inode, so that a file written again in
// place of an older one is told apart from it. The root may hold such entries already (left by
// other programs), so tests compare the state before and after rather than look for absence.
inline QStringList rootTraces()
{
    QStringList out;
    const auto describe = [&out](const QString& path) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
            out << QStringLiteral("%1 %2 %3.%4 %5")
                       .arg(path)
                       .arg(qint64(st.st_size))
                       .arg(qint64(st.st_mtim.tv_sec))
                       .arg(qint64(st.st_mtim.tv_nsec))
                       .arg(quint64(st.st_ino));
        }
    };
    for (const char* name : {".local", ".config", ".cache", ".fontconfig", "HKEY_LOCAL_MACHINE.ini",
                             "HKEY_CURRENT_USER.ini", "KorvelinMutex.lock"}) {
        const QString path = QStringLiteral("/") + QLatin1String(name);
        describe(path);
        QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            describe(it.next());
        }
    }
    return out;
}

} // namespace testsupport
