#pragma once

// Verifying and rebuilding one table file: the repair of a damaged table, and the last step of
// every import of an update, which leaves each touched table freshly written and compact.

#include "error.h"

#include <algorithm>
#include <QString>
#include <QStringList>

namespace engine {

// What a verification found. Levels: 0 the file is sound; 2 the check could not read the whole
// file; 3 the file is damaged (broken pages or indexes, records without a key, values that do
// not fit their fields). A rebuild repairs levels 2 and 3 as far as the records can be read.
struct Verification {
    int level = 0;
    QStringList findings;
    qint64 records = -1; // counted while checking; -1 when the count could not be read
};

// Verifies the table file at `path`. Throws Error when the file cannot be examined at all: it is
// missing, it is not a table file, or no password given to the session fits it.
Verification verifyTableFile(const QString& path);

// The files a rebuild of `path` keeps beside it. They are named after the table, so rebuilding
// one table never overwrites what the rebuild of another left. A rebuild that leaves records out
// also keeps the table as it was under a name of its own, "<table>.Original-<yyyy-MM-dd-HHmmss>
// [-n].db", which no later rebuild, repair or update writes or removes: the only place the records
// left out may still be read from.
struct RebuildFiles {
    QString copy;          // the rebuilt copy while it is written and checked
    QString backup;        // the table as it was before its last rebuild
    QString keyViolations; // records of the last salvage whose key was missing or repeated
    QString problems;      // records of the last salvage with values that do not fit their fields
};
RebuildFiles rebuildFiles(const QString& path);

// Removes what a rebuild or a table write cut short (a crash, a kill, a power cut) left in the
// data folder `dataFolder`: beside each table, the copy a rebuild was writing and its journal and
// the partly written files of records a salvage put aside or of an original being kept; and a
// table whose write was cut short has its journal played back (opening the file does it), so no
// one reads it half written. What a finished rebuild keeps (the backup, the originals, the records
// put aside) stays, and is never opened as a table. A symbolic link is removed itself, never
// followed. Returns the names of what was removed or rolled back, for a log. An empty folder name
// is skipped. Called while no table is being written.
QStringList clearRebuildLeftovers(const QString& dataFolder);

struct RebuildResult {
    bool rebuilt = false;  // the table file was replaced by a verified copy
    bool salvaged = false; // the table was damaged and its records were copied one by one
    qint64 records = 0;    // in the rebuilt table
    int keyViolations = 0;
    int problems = 0;
    // The records the table held before, as far as a damaged table lets them be counted: -1
    // when nothing could be counted, and only a lower bound unless `heldExact`. A salvage that
    // could not read every record counts them from the table's indexes.
    qint64 held = -1;
    bool heldExact = false;
    QStringList findings; // what the verification of the table found
    QString error;        // why the table was not replaced
    Error::Kind errorKind = Error::Kind::Other;
    QString original; // the table as it was, kept for good when records were left out

    // Records the rebuilt table lacks (put aside into the key-violation and problem files, or
    // lost with the pages they stood on); as far as they could be counted.
    qint64 leftOut() const { return held < 0 ? 0 : std::max<qint64>(0, held - records); }
    // True when records were left out, or may have been: the salvage could not read the whole
    // table and its records could not all be counted.
    bool lostRecords() const { return rebuilt && leavesRecordsOut(); }
    // The same for the copy, whether or not it took the table's place.
    bool leavesRecordsOut() const { return leftOut() > 0 || (salvaged && !heldExact); }
};

// Verifies the table, writes a fresh copy of it, verifies the copy and only then puts it in the
// table's place, the old file kept as the backup and, when records were left out, as the
// original too. Table objects open on the file read the new one from their next access. Throws
// Error as verifyTableFile does, and when the new file, in place, cannot be opened for writing (a
// failing disk): the table must not go on read-only or on its old file. Every other failure
// leaves the table file as it was and is told in the result, by its first cause.
RebuildResult rebuildTableFile(const QString& path);

} // namespace engine
