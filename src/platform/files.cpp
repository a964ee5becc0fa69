#include "files.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

QString saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // A read-only target would otherwise make QSaveFile fall back to writing in place.
    file.setDirectWriteFallback(false);
    // Unbuffered, and written until all is out: a buffered write that the system takes only in
    // part (a full disk) would be dropped without an error, and the cut file committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    for (qint64 at = 0; at < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + at, bytes.size() - at);
        if (written <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return error;
        }
        at += written;
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
