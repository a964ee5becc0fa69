#pragma once

// Verifying and rebuilding one table file: the repair of a damaged table, and the last step of
// every import of an update, which leaves each touched table freshly written and compact.

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
// one table never overwrites what the rebuild of another left.
struct RebuildFiles {
    QString copy;          // the rebuilt copy while it is written and checked
    QString backup;        // the table as it was before its last rebuild
    QString keyViolations; // records of the last salvage whose key was missing or repeated
    QString problems;      // records of the last salvage with values that do not fit their fields
};
RebuildFiles rebuildFiles(const QString& path);

struct RebuildResult {
    bool rebuilt = false;  // the table file was replaced by a verified copy
    bool salvaged = false; // the table was damaged and its records were copied one by one
    qint64 records = 0;    // in the rebuilt table
    int keyViolations = 0;
    int problems = 0;
    QStringList findings; // what the verification of the table found
    QString error;        // why the table was not replaced
};

// Verifies the table, writes a fresh copy of it, verifies the copy and only then puts it in the
// table's place, the old file kept as the backup. Table objects open on the file read the new
// one from their next access. Throws Error as verifyTableFile does; every later failure leaves
// the table file as it was and is told in the result.
RebuildResult rebuildTableFile(const QString& path);

} // namespace engine
