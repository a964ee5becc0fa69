#include "listfiles.h"

#include <QFile>

namespace listfiles {

QByteArrayList splitLines(const QByteArray& bytes)
{
    QByteArrayList lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes.at(i);
        if (c == '\r' || c == '\n') {
            lines << bytes.mid(start, i - start);
            if (c == '\r' && i + 1 < n && bytes.at(i + 1) == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    // A final line break does not open another, empty line.
    if (start < n) {
        lines << bytes.mid(start);
    }
    return lines;
}

QByteArray joinLines(const QByteArrayList& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

QByteArrayList load(const QString& path, bool* ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok != nullptr) {
            *ok = false;
        }
        return {};
    }
    if (ok != nullptr) {
        *ok = true;
    }
    return splitLines(file.readAll());
}

platform::WriteResult save(const QString& path, const QByteArrayList& lines)
{
    return platform::saveFileAtomically(path, joinLines(lines));
}

} // namespace listfiles
