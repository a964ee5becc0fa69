#pragma once

// What the user is told of a failure: in the program's language (YUSCII, like every message),
// naming the file concerned and saying what the user can do about it. The engine's own text,
// meant for the log and for developers, is never what a message box shows.

#include "error.h"
#include "files.h"

#include <exception>
#include <QByteArray>
#include <QList>

namespace data {

// Two lines joined by CR LF: what happened, naming the table's file, and what to do.
QByteArray userMessage(const engine::Error& e);
// The same for an engine error; any other failure's own text.
QByteArray userMessage(const std::exception& e);
// The same, told when the repair itself failed on the table: the repair is not offered again.
QByteArray repairFailureMessage(const engine::Error& e);

// The file's name as the messages give it: the name alone, without its folder.
QByteArray messageFileName(const QString& file);

// A file beside the program that could not be saved, and why.
struct FileSaveFailure {
    QByteArray fileName;
    platform::WriteFailure failure;
};
// What the user is told when files beside the program could not be saved: what happened to each,
// naming it, and what to do, the files with one reason together. When no reason is known, the
// program's own three lines for a failed save, then the files.
QByteArray saveFailureMessage(const QList<FileSaveFailure>& failures);

} // namespace data
