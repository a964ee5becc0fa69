#pragma once

// Table files: one SQLite file per table, holding the table's records in its field order, its
// indexes, and a verifier of the tables' password.

#include "structure.h"

#include <memory>
#include <QString>

namespace engine {

namespace sql {
class Database;
}

// Writes a new table file in one pass: records are appended in memory order into a temporary
// file beside the target, and commit() puts the complete file in place by renaming it, so a
// reader never sees a half-written table. Without commit() the temporary file is removed.
class TableFileWriter final {
public:
    TableFileWriter(const QString& path, const TableStructure& structure, const QByteArray& password);
    ~TableFileWriter();
    TableFileWriter(const TableFileWriter&) = delete;
    TableFileWriter& operator=(const TableFileWriter&) = delete;

    void append(const QList<Value>& record); // values by field position; missing ones are null
    void commit();

private:
    QString m_path;
    QString m_tempPath;
    TableStructure m_structure;
    std::unique_ptr<sql::Database> m_db;
    bool m_committed = false;
};

// An empty table file with this structure.
void createTableFile(const QString& path, const TableStructure& structure, const QByteArray& password);

} // namespace engine
