#include "fileversion.h"

#include <QFile>

namespace platform {
namespace {
// The markers are split in the source so that this program's own file carries no stray block.
const QByteArray kBegin = QByteArray("\x01KVERSION") + "INFO\x01";
const QByteArray kEnd = QByteArray("\x01KVERSION") + "END\x01";

QByteArray block(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    const qsizetype begin = bytes.indexOf(kBegin);
    if (begin < 0) {
        return {};
    }
    const qsizetype end = bytes.indexOf(kEnd, begin + kBegin.size());
    if (end < 0) {
        return {};
    }
    return bytes.mid(begin + kBegin.size(), end - begin - kBegin.size());
}
} // namespace

QByteArray makeVersionInfo(const QMap<QString, QString>& values)
{
    QByteArray out = kBegin;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        out += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
    }
    out += kEnd;
    return out;
}

qint64 versionInfoSize(const QString& path)
{
    return block(path).size();
}

QMap<QString, QString> readVersionInfo(const QString& path)
{
    QMap<QString, QString> values;
    for (const QByteArray& line : block(path).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return values;
}

} // namespace platform
