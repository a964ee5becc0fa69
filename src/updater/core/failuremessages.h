#pragma once

// What the user is told when an archive fails in an update run: what went wrong, whose fault it
// is (the archive's or the computer's), and that the archive is offered again. Every archive
// that fails is installed again, whole, by the next run.

#include "error.h"
#include "runfiles.h"

#include <QByteArray>

namespace updates {

// A table of the collection failed, or the tables could not be opened again after the install:
// "Azuriranje nije uspelo" and, on the lines after it, the table and the reason and what to do,
// as every engine failure is told (data::userMessage).
QByteArray installFailureMessage(const engine::Error& e);

// A table the archive `archive` brought (e.file()) is at fault: the message names the archive
// and the table, says what is wrong with the table, says the collection is as it was (when
// `collectionUnchanged`), and that the archive is offered again. It does not send the user to
// the repair: the collection's own tables are sound. An empty `archive` is told as "the archive".
QByteArray faultyArchiveTableMessage(const QByteArray& archive, const engine::Error& e, bool collectionUnchanged);

// Why an archive could not be extracted, after "Greska u otpakivanju!".
enum class UnpackFailure {
    FaultyArchive, // damaged, cut, unsafe, or an entry larger than it declares
    NoRoom,        // its entries would not fit on the disk with room to spare
    CannotRead,    // the downloaded file cannot be opened
    CannotWrite,   // an entry's file cannot be written into the extraction folder
};
// A faulty archive names `entry` when the fault is in that entry's data (damaged, cut, or
// inflating past its size).
QByteArray unpackFailureMessage(UnpackFailure why, const QByteArray& archive, const ExtractionRoom& room = {},
                                const QString& entry = {});

} // namespace updates
