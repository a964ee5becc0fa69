#pragma once

// Installing the tables of one extracted update archive into the live tables, and the lists
// that go with it. No windows: the updater window supplies the table objects and the rebuild.

#include "table.h"

#include <functional>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

namespace data {
struct MainTables;
}

namespace updates {

// One row of the import list: the archived table's file and the live table object it goes into.
struct ImportRow {
    const char* file;         // in the extraction folder, letter case aside
    const char* target;       // the table object's name
    bool attachments = false; // the attachments window's object rather than the main window's
};
// The twelve rows, in the order they are installed. The user's own contracts are not among them:
// an install never changes them, whatever an archive holds.
const QList<ImportRow>& importList();

// The validity files an install deletes: each name + ".VAL" in the data folder, in this order.
const QList<const char*>& validityTables();
void removeValidityFiles(const QString& dataFolder);

// The titles of an update's regulations table, in its order, duplicates included.
QByteArrayList newestTitles(engine::Table& regulations);

// The live table object of a row: among the main window's tables by its name, or the
// attachments table. Throws engine::Error for a name that is not there.
engine::Table* targetAmong(data::MainTables& tables, engine::Table& attachments, const ImportRow& row);

struct InstallSteps {
    // The live table object of a row; never null.
    std::function<engine::Table*(const ImportRow&)> target;
    // Verifies and rebuilds a table after its import: false when the rebuild failed (the table
    // then keeps its imported records in its old file); throws engine::Error when it could not
    // even be verified, which fails the row.
    std::function<bool(engine::Table&)> rebuild;
    // Called with the update's regulations table once it is installed.
    std::function<void(engine::Table& regulations)> newest;
    // Before each row's import, with the row's file as found in the extraction folder.
    std::function<void(const QString& file)> progress;
};

struct InstallResult {
    bool importFailed = false;  // a row could not be imported: it and the rows after it were not
    bool rebuildFailed = false; // an imported table could not be rebuilt
    QString failure;            // what failed first
    QStringList installed;      // the files imported, in order
    bool ok() const { return !importFailed && !rebuildFailed; }
};

// Installs the archived tables found in `extractionFolder`, row by row: the target is closed,
// made writable and opened, takes the archived records (appended, or updating those whose key
// it holds) in one transaction, and is rebuilt; the opinions are imported in their key order
// and get their own order back afterwards, also when their row fails. A row whose file is
// absent is skipped and its table not touched. A row that cannot be imported (its file is not a
// sound table of the target's kind, or the target cannot be opened) stops the install: the rows
// before it stay installed, it and the rest are left as they were. Targets may be left closed.
InstallResult installTables(const QString& extractionFolder, const InstallSteps& steps);

} // namespace updates
