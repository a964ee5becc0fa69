#pragma once

// Reads the chosen fields of single records of a table object's file by their primary key (a key
// of one field), whatever the object's filter, link or current record, and without moving it: a
// search that looks up the details of each regulation it finds pays for one prepared statement,
// not for a move with its signals and its detail tables.

#include "structure.h"

#include <memory>
#include <optional>
#include <QList>

namespace engine {

class Table;
namespace sql {
class Database;
} // namespace sql

class KeyReader final {
public:
    // Throws engine::Error when the table is closed, a field does not exist or the key has more
    // than one field.
    KeyReader(const Table& table, const QList<int>& fields);
    ~KeyReader();
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;

    // The fields, in the order asked for, of the record whose key is `key`; nothing when there is
    // no such record.
    std::optional<QList<Value>> read(const Value& key);

private:
    std::shared_ptr<sql::Database> m_db;
    QByteArray m_sql;
    QList<int> m_fields;
    int m_rowidColumn = -1;
};

} // namespace engine
