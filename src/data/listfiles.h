#pragma once

// The configuration file and the list files beside the program: plain text, one entry per line.
// Lines are read whatever their ends (CR, LF or CR LF) and written with CR LF; the bytes of an
// entry are kept as they are (YUSCII).

#include "files.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace listfiles {

// The list files beside the program, in the order they are loaded.
inline constexpr const char* SearchesFile = "pretrage.ini"; // recent searches
inline constexpr const char* FrequentFile = "cesti.ini";    // frequently opened regulations
inline constexpr const char* QuickFile = "brzi.ini";        // regulations marked for quick opening
inline constexpr const char* NewestFile = "novo.lst";       // titles of the last update

QByteArrayList splitLines(const QByteArray& bytes);
// Each entry on its own line, whatever it holds: see oneLine.
QByteArray joinLines(const QByteArrayList& lines);

// An entry as one line of its file. A line end inside an entry would split it into two entries
// at the next start, so a run of blanks and tabs that holds line ends (CR, LF) becomes one blank,
// and nothing at either end of the entry.
QByteArray oneLine(const QByteArray& entry);

// The lines of a file; empty when it is missing or cannot be read (`ok` tells which).
QByteArrayList load(const QString& path, bool* ok = nullptr);
// Saves atomically: the file is replaced whole, or keeps what it held.
platform::WriteResult save(const QString& path, const QByteArrayList& lines);

} // namespace listfiles
