#include "updaterules.h"

#include "paths.h"

#include <algorithm>
#include <QDir>
#include <QFile>

namespace updates {

QString downloadFolder()
{
    return platform::programFile(QStringLiteral("updates"));
}

QString extractionFolder()
{
    return platform::programFile(QStringLiteral("update/"));
}

QString logFile()
{
    return platform::programFile(QStringLiteral("log.txt"));
}

bool isArchiveName(const QByteArray& name)
{
    return name.contains("zip");
}

bool isNewsName(const QByteArray& name)
{
    return name.contains("txt");
}

ListedName classifyListedName(const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name == "..") {
        return ListedName::NotOurs;
    }
    if (!isArchiveName(name) && !isNewsName(name)) {
        return ListedName::NotOurs;
    }
    const bool drive = name.size() >= 2 && name[1] == ':';
    if (name.contains('/') || name.contains('\\') || name.contains("..") || drive || name.contains('\0')) {
        return ListedName::Unsafe;
    }
    return ListedName::Taken;
}

bool lessNoCase(const QByteArray& a, const QByteArray& b)
{
    return qstricmp(a.constData(), b.constData()) < 0;
}

QByteArrayList newFiles(QByteArrayList local, QByteArrayList server,
                        const std::function<void(const QByteArray&)>& notOnServer)
{
    std::stable_sort(local.begin(), local.end(), lessNoCase);
    std::stable_sort(server.begin(), server.end(), lessNoCase);
    for (const QByteArray& name : local) {
        const auto it = std::find_if(server.begin(), server.end(), [&](const QByteArray& s) {
            return qstricmp(s.constData(), name.constData()) == 0;
        });
        if (it != server.end()) {
            server.erase(it);
        } else if (notOnServer) {
            notOnServer(name);
        }
    }
    return server;
}

void renameShortNames(const QString& folder)
{
    for (int n = 1; n <= 11; ++n) {
        const QString from = platform::findFileNoCase(folder, QStringLiteral("%1.zip").arg(n));
        const QString to = QStringLiteral("%1.zip").arg(n, 3, 10, QLatin1Char('0'));
        if (from.isEmpty() || !platform::findFileNoCase(folder, to).isEmpty()) {
            continue;
        }
        QFile::rename(from, QDir(folder).filePath(to));
    }
}

} // namespace updates
