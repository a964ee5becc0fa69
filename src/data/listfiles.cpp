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

QByteArray oneLine(const QByteArray& entry)
{
    if (!entry.contains('\r') && !entry.contains('\n')) {
        return entry;
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    QByteArray out;
    out.reserve(entry.size());
    const qsizetype n = entry.size();
    qsizetype i = 0;
    while (i < n) {
        if (!blank(entry.at(i))) {
            out += entry.at(i++);
            continue;
        }
        qsizetype end = i;
        bool lineEnd = false;
        while (end < n && blank(entry.at(end))) {
            lineEnd = lineEnd || entry.at(end) == '\r' || entry.at(end) == '\n';
            ++end;
        }
        if (!lineEnd) {
            out += entry.mid(i, end - i);
        } else if (i > 0 && end < n) {
            out += ' ';
        }
        i = end;
    }
    return out;
}

QByteArray joinLines(const QByteArrayList& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines) {
        out += oneLine(line);
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
