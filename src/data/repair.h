#pragma once

// The database repair: every table of the collection verified and rebuilt in a fixed order, the
// progress set after each, and one message at the end. A repair reports success only when every
// table was rebuilt and none lost a record; the first table that fails stops it and is named in
// the message, and every table that lost records is named with how many and the file that keeps
// its original for good.

#include "tables.h"
#include "tableutil.h"

#include <functional>
#include <QByteArray>
#include <QList>

namespace repair {

struct Step {
    QByteArray table; // the table file's name without extension
    int progress;     // the progress after it; -1 leaves the progress as it stands
    // The main window's table object over it; null for the attachments window's pictures.
    engine::Table data::MainTables::*object;
};

// In the order they are rebuilt.
const QList<Step>& steps();

// A table whose rebuild had to leave records out.
struct Loss {
    QByteArray file;       // the table's file name, "TB_Zakoni.db"
    QByteArray folder;     // the name of the folder it lies in
    qint64 held = -1;      // records before the rebuild, -1 when they could not be counted
    bool heldExact = true; // false: `held` is only a lower bound
    qint64 kept = 0;       // records in the rebuilt table
    int keyViolations = 0; // of the records left out, those put into <table>.KEYVIOL.db
    int problems = 0;      // and into <table>.PROBLEM.db
    QByteArray original;   // the file that keeps the table as it was, "<table>.Original-<date>.db"
    QByteArray keyViolationsFile;
    QByteArray problemsFile;
};

struct Outcome {
    bool ok = true;
    QByteArray failedTable; // empty when every table was rebuilt
    QByteArray reason;      // why it failed, for the user
    QList<Loss> losses;     // in the order of the steps
};

// Clears what a cut rebuild left in the data folder, then rebuilds the file of each table in the
// order of the steps and reports progress. Each file is the one its table object names: one of
// `tables`, or for the pictures `attachments` (the attachments window's table; when null, the
// pictures' file is looked for by name in the data folder).
Outcome run(const data::MainTables& tables, const engine::Table* attachments, const std::function<void(int)>& progress);

// The message that ends a repair.
QByteArray message(const Outcome& outcome);

// What the rebuild of the table file `path` lost, as the repair's message tells it (how many
// records and where the original is kept); empty when it lost nothing. An update's rebuild of a
// damaged table tells the same.
QByteArray lossMessage(const QString& path, const engine::RebuildResult& result);

} // namespace repair
