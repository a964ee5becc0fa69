#pragma once

// Making archives with real tools and comparing what is extracted. A tool that fails throws
// std::runtime_error with its output, which fails the test that called it.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace ziptest {

// Runs `program` in `folder` and returns what it wrote to standard output.
QByteArray run(const QString& program, const QStringList& arguments, const QString& folder = {});
// Runs a Python script (the system interpreter, which has zipfile with bzip2).
QByteArray python(const QString& script, const QStringList& arguments = {}, const QString& folder = {});

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Incompressible bytes, the same for the same seed.
QByteArray randomBytes(int size, quint32 seed);
// Text that compresses well, like the tables the updater unpacks.
QByteArray textBytes(int size);

// A small tree of the kinds of files archives hold: text, random, empty, nested, a blank in a name.
void makeSampleTree(const QString& folder);

// Every file and folder under `folder` by relative path ("sub/" for a folder) with its bytes.
QMap<QString, QByteArray> tree(const QString& folder);

// What Debian's unzip extracts from `archive` into `folder`.
void unzipTo(const QString& archive, const QString& folder);

// Patches the little-endian value of `size` bytes at `offset` of the file at `path`.
void patchFile(const QString& path, qint64 offset, quint32 value, int size);

} // namespace ziptest
