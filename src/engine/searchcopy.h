#pragma once

// Search copies: for a chosen large field of a chosen table file (the regulations' Latin text),
// the file keeps beside each record a text made from the field by a function the program
// registers (the searches register the upper-cased plain text of the rich text), so a search
// through every text neither parses nor case-folds rich text. The copies live in a table of
// their own inside the same file: the table's fields and their positions do not change.
//
// A copy is never stale. Triggers inside the file drop a record's copy whenever the record is
// inserted or deleted or its field (or integer key) is updated, whoever writes; the engine's own
// writes (posts, imports, new table files) then make the missing copies again. A file records
// the version of the function its copies were made with; copies of another version count as
// none. A reader that finds no copy makes it from the field on the spot, so copies only ever
// save time and never change a result.

#include "structure.h"

#include <functional>
#include <memory>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace engine {

class Table;
namespace sql {
class Database;
class Statement;
} // namespace sql

using SearchCopyMaker = std::function<QByteArray(const QByteArray& value)>;

// Registers the copy of `fieldName` in the table files called `tableName` (compared without the
// extension and without regard to case). `version` names what `make` gives: change it whenever
// `make` changes, and every file's copies are made again at its next write. Registering the
// same table and field again replaces the earlier registration.
void registerSearchCopy(const QString& tableName, const QByteArray& fieldName, const QByteArray& version,
                        SearchCopyMaker make);

// Reads the copies of one field of a table object's file by the records' primary key (a key of
// one field), whatever the object's filter, link or current record.
//
// A reader has its file read through a memory map from then on: a search reads every copy, and
// reading them page by page through system calls would take most of its time. The mapped pages
// are the system's file cache, shared and given back whenever the system needs them; the reader
// itself holds no copy beyond the one being read.
class SearchCopyReader final {
public:
    // Throws engine::Error when the table is closed, the field is missing, the key has more than
    // one field, or no copy is registered for this file and field.
    SearchCopyReader(const Table& table, const QByteArray& fieldName);
    ~SearchCopyReader();
    SearchCopyReader(const SearchCopyReader&) = delete;
    SearchCopyReader& operator=(const SearchCopyReader&) = delete;

    // Calls `use` with the copy for the record whose key is `key`, made from the field when the
    // file holds none; the view lasts for the call only. False, and no call, when there is no
    // such record.
    bool read(const Value& key, const std::function<void(QByteArrayView copy)>& use);
    // The same, copied out; empty when there is no such record.
    QByteArray text(const Value& key);
    // True when the file holds copies of the registered version.
    bool stored() const { return m_stored; }

private:
    void prepare(); // for the file the connection has open

    std::shared_ptr<sql::Database> m_db;
    SearchCopyMaker m_make;
    QByteArray m_field;
    QByteArray m_version;
    QByteArray m_copySql;
    QByteArray m_fieldSql;
    bool m_stored = false;
    quint64 m_opening = 0; // the file it was prepared for (Database::opening)
};

namespace searchcopy {

// Makes the missing copies of the registered fields of a table file, inside the caller's write
// transaction. `tableFile` is the file's name (its final name when it is written under a
// temporary one); `structure` its fields.
void fill(sql::Database& db, const TableStructure& structure, const QString& tableFile);

// Makes a table file's copies hold exactly its records, in a transaction of its own: the copies of
// records it no longer holds go (a rebuild that left records out copied their copies along, and
// a copy of a record that is gone would still be found by a search), and the missing copies of
// the registered fields are made. Copies of fields no longer registered are kept to their records
// too.
void settle(sql::Database& db);

// After a write to an open table file: the missing copies, in a transaction of their own. A
// failure only leaves copies missing, which readers make up for, so it is not passed on.
void refreshAfterWrite(sql::Database& db);

} // namespace searchcopy

} // namespace engine
