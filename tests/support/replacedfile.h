#pragma once

// Another program at work on the table files while the program runs: the real sqlite3 tool
// changing a file, and a backup tool restoring a table by renaming a new file over the old one.

#include <cstdio>
#include <QFile>
#include <QProcess>
#include <QString>
#include <unistd.h>

namespace testsupport {

// Runs the sqlite3 tool on `path`; empty when it ran and succeeded, else what went wrong.
inline QString runSqliteTool(const QString& path, const QByteArray& sql)
{
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {path, QString::fromLatin1(sql)});
    if (!tool.waitForFinished(10000)) {
        return QStringLiteral("the sqlite3 tool did not run: ") + tool.errorString();
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        return QString::fromLocal8Bit(tool.readAllStandardError());
    }
    return {};
}

// Puts `replacement` in the place of `path` by renaming it over, as a backup tool restores a
// file. The old file stays reachable as `keep` (a hard link) when one is named, so a test can
// show that nothing was written into it. Empty when done, else what went wrong.
inline QString renameOver(const QString& replacement, const QString& path, const QString& keep = {})
{
    if (!keep.isEmpty() && ::link(QFile::encodeName(path).constData(), QFile::encodeName(keep).constData()) != 0) {
        return QStringLiteral("cannot link %1").arg(path);
    }
    if (std::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(path).constData()) != 0) {
        return QStringLiteral("cannot rename %1 over %2").arg(replacement, path);
    }
    return {};
}

// A copy of the table file at `path`, changed by the sqlite3 tool with `sql`, renamed over it.
inline QString replaceWithChangedCopy(const QString& path, const QByteArray& sql, const QString& keep = {})
{
    const QString copy = path + QStringLiteral(".restored");
    QFile::remove(copy);
    if (!QFile::copy(path, copy)) {
        return QStringLiteral("cannot copy %1").arg(path);
    }
    if (const QString failed = runSqliteTool(copy, sql); !failed.isEmpty()) {
        return failed;
    }
    return renameOver(copy, path, keep);
}

} // namespace testsupport
