#pragma once

// Reading table files straight through SQLite, past the engine, so tests can compare what is on
// disk and damage files the way a failing disk or another program would.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tabletest {

// Every record of the table file, in key order (row order for tables without a key), one line
// per record with each value's type and bytes; equal dumps mean equal tables.
QByteArrayList dump(const QString& path);
// One hash of the dump.
QByteArray digest(const QString& path);
qint64 countRecords(const QString& path);
// The first column of every row `sql` gives, as integers (row ids, keys, counts).
QList<qint64> integers(const QString& path, const QByteArray& sql);

// Runs statements on the file with no engine in the way (no password, no checks).
void execute(const QString& path, const QByteArray& sql);
// The first page of the named index or table.
int rootPage(const QString& path, const QByteArray& name);
// The leaf pages of the named table or index, in page order.
QList<int> leafPages(const QString& path, const QByteArray& name);
// Overwrites one whole page (counted from 1) of the file with zeros.
void zeroPage(const QString& path, int page);
// Overwrites whole pages (counted from 1) with bytes that are no page at all, as a failing disk
// leaves them.
void damagePages(const QString& path, const QList<int>& pages);

// Copies the files of one folder into another, made when missing (a fresh copy of a generated
// collection for each test, so what one test damages does not reach the next).
void copyFiles(const QString& from, const QString& to);

} // namespace tabletest
