#pragma once

// Installing the tables of one extracted update archive into the live tables, and the lists
// that go with it. No windows: the updater window supplies the table objects and the rebuild.

#include "error.h"
#include "table.h"

#include <functional>
#include <optional>
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
    bool importFailed = false;  // a row could not be imported, or its table could not be verified
    bool rebuildFailed = false; // an imported table could not be rebuilt
    // The failure was the archive's: a table it brought does not open as a table for the
    // session's passwords, is damaged or cut short, or has fields other than its live table's.
    bool archiveFault = false;
    // Why a row could not be imported, naming the table file concerned: the live table, or the
    // archived one in the extraction folder when that is what was wrong.
    std::optional<engine::Error> error;
    QString failure;       // what failed, for the log
    QStringList installed; // the files imported, in order
    bool ok() const { return !importFailed && !rebuildFailed; }
};

// Installs the archived tables found in `extractionFolder`. First every archived table is
// checked, before any table of the collection is touched: it opens as a table, has its live
// table's fields and key, and passes a verification; one that fails stops the install with the
// collection as it was (archiveFault). Then row by row: the target is closed, made writable and
// opened, takes the archived records (appended, or updating those whose key it holds) in one
// transaction, and is rebuilt; the opinions are imported in their key order and get their own
// order back afterwards, also when their row fails. A row whose file is absent is skipped and
// its table not touched. The first row that fails stops the install: the target cannot be
// opened or written, or the imported table cannot be verified or rebuilt. The rows before it
// stay installed; a row whose import went in but whose rebuild failed keeps its imported
// records. Installing the same tables again gives what one whole install gives, so an install
// cut short at any point is completed by installing again. Targets may be left closed.
InstallResult installTables(const QString& extractionFolder, const InstallSteps& steps);

} // namespace updates
