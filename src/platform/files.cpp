#include "files.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

QString saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // A read-only target would otherwise make QSaveFile fall back to writing in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

bool makeWritable(const QString& path)
{
    QFile file(path);
    return file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

} // namespace platform
