// Reads of a table object that do not move it: a whole record set or file in one statement
// (Table::scan), and single records by key (KeyReader).

#include "error.h"
#include "keyreader.h"
#include "sqlite.h"
#include "table.h"

#include <unordered_map>

namespace engine {

namespace {

// "SELECT rowid, a, b FROM records": the fields other than the row id's own key.
QByteArray selectFields(const TableStructure& s, const QList<int>& fields, int rowidColumn)
{
    QByteArray sql = "SELECT rowid";
    for (const int f : fields) {
        if (f != rowidColumn) {
            sql += ", " + sql::quotedName(s.fields[f].name);
        }
    }
    return sql + " FROM records";
}

// One row of a statement from selectFields, in the order the fields were asked for; `values`
// keeps its capacity from row to row.
void rowValues(const sql::Statement& st, const QList<int>& fields, int rowidColumn, QList<Value>& values)
{
    values.clear();
    int column = 1;
    for (const int f : fields) {
        values.append(f == rowidColumn ? Value(st.columnInteger(0)) : st.column(column++));
    }
}

} // namespace

void Table::scan(const QList<int>& fields, const std::function<bool(const QList<Value>&)>& each, ScanRange range) const
{
    requireActive("scan");
    // Before the statement is made: a file put in place by another program is taken now, and
    // not while the statement reads the old one.
    m_db->beginRead();
    const TableStructure& s = m_db->structure();
    for (const int f : fields) {
        if (f < 0 || f >= s.fields.size()) {
            throw Error(QStringLiteral("Field index %1 out of range for table %2").arg(f).arg(tableName()));
        }
    }
    const int rowidColumn = m_db->rowidColumn();
    // A statement of its own, not a cached one: `each` may read this table meanwhile.
    sql::Statement all(m_db->handle(), selectFields(s, fields, rowidColumn));
    QList<Value> row;
    row.reserve(fields.size());
    if (range == ScanRange::WholeFile) {
        while (all.step()) {
            rowValues(all, fields, rowidColumn, row);
            if (!each(row)) {
                return;
            }
        }
        return;
    }
    // The record set is the cursor's own list of row ids, so filter, link and order mean exactly
    // what they mean to a move; the fields come from one pass over the file.
    resolve();
    const std::vector<qint64> rows = m_rows;
    const bool keyOnly = std::all_of(fields.begin(), fields.end(), [&](int f) { return f == rowidColumn; });
    std::unordered_map<qint64, QList<Value>> values;
    if (!keyOnly) {
        values.reserve(rows.size());
        while (all.step()) {
            rowValues(all, fields, rowidColumn, row);
            values.emplace(all.columnInteger(0), row);
        }
        all.reset();
    }
    for (const qint64 rowid : rows) {
        if (keyOnly) {
            if (!each(QList<Value>(fields.size(), Value(rowid)))) {
                return;
            }
            continue;
        }
        const auto it = values.find(rowid);
        if (it != values.end() && !each(it->second)) {
            return;
        }
    }
}

bool FileVersion::operator==(const FileVersion& other) const
{
    const bool sameFile = !m_file.owner_before(other.m_file) && !other.m_file.owner_before(m_file);
    return sameFile && !m_file.expired() && m_writes == other.m_writes;
}

FileVersion Table::fileVersion() const
{
    FileVersion v;
    if (isActive()) {
        m_db->beginRead(); // finds what other programs wrote meanwhile
        v.m_file = m_db;
        v.m_writes = m_db->generation();
    }
    return v;
}

KeyReader::KeyReader(const Table& table, const QList<int>& fields) : m_fields(fields)
{
    table.requireActive("read a record");
    m_db = table.m_db;
    const TableStructure& s = m_db->structure();
    if (s.primaryKey.size() != 1) {
        throw Error(QStringLiteral("Table %1 has no key of one field").arg(table.tableName()));
    }
    for (const int f : fields) {
        if (f < 0 || f >= s.fields.size()) {
            throw Error(QStringLiteral("Field index %1 out of range for table %2").arg(f).arg(table.tableName()));
        }
    }
    m_rowidColumn = m_db->rowidColumn();
    m_sql = selectFields(s, fields, m_rowidColumn) + " WHERE " + sql::quotedName(s.primaryKey[0]) + " = ?1";
}

KeyReader::~KeyReader() = default;

std::optional<QList<Value>> KeyReader::read(const Value& key)
{
    // The connection's cached statement reads inside the read transaction it shares, which
    // spares every lookup the file checks of a transaction of its own.
    sql::StatementUse read(m_db->cached(m_sql));
    read->bind(1, key);
    if (!read->step()) {
        return std::nullopt;
    }
    QList<Value> values;
    rowValues(*read, m_fields, m_rowidColumn, values);
    return values;
}

} // namespace engine
