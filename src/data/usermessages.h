#pragma once

// What the user is told of a failure: in the program's language (YUSCII, like every message),
// naming the file concerned and saying what the user can do about it. The engine's own text,
// meant for the log and for developers, is never what a message box shows.

#include "error.h"

#include <exception>
#include <QByteArray>

namespace data {

// Two lines joined by CR LF: what happened, naming the table's file, and what to do.
QByteArray userMessage(const engine::Error& e);
// The same for an engine error; any other failure's own text.
QByteArray userMessage(const std::exception& e);
// The same, told when the repair itself failed on the table: the repair is not offered again.
QByteArray repairFailureMessage(const engine::Error& e);

// The file's name as the messages give it: the name alone, without its folder.
QByteArray messageFileName(const QString& file);

} // namespace data
