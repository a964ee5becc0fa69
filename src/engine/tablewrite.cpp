// The writes of a table object: its edit buffer (edit, append, post, cancel, delete) and the
// update's import of another table's records by key.

#include "table.h"

#include "error.h"
#include "searchcopy.h"
#include "sqlite.h"

#include <optional>

namespace engine {

// ---------------------------------------------------------------------------------------------
// Edits

Table::State Table::state() const
{
    return m_state;
}

void Table::setBufferValue(int index, const Value& v)
{
    if (m_state != State::Edit && m_state != State::Insert) {
        throw Error(QStringLiteral("Table %1 is not in edit or insert state").arg(label()));
    }
    const FieldType type = m_db->structure().fields[index].type;
    Value stored = v;
    if (!v.isNull() && type == FieldType::Integer) {
        stored = Value(v.toInteger());
    } else if (!v.isNull() && type == FieldType::Float) {
        stored = Value(v.toFloat());
    } else if (!v.isNull() && !v.isBytes()) {
        stored = Value(v.toText());
    }
    m_buffer[size_t(index)] = stored;
    m_modified[size_t(index)] = true;
    emit currentChanged();
}

void Table::edit()
{
    requireWritable("edit");
    if (m_state == State::Edit || m_state == State::Insert) {
        return;
    }
    resolve();
    if (m_positionFile != m_db->replacements()) {
        throw replacedError("edit");
    }
    if (m_pos < 0) {
        append(); // an empty table takes a new record instead
        return;
    }
    m_editRow = m_rows[size_t(m_pos)];
    m_editFile = m_positionFile;
    m_buffer.assign(size_t(fieldCount()), Value());
    m_modified.assign(size_t(fieldCount()), false);
    m_state = State::Edit;
    emit stateChanged();
}

void Table::append()
{
    requireWritable("append");
    settle();
    m_editRow = -1;
    m_buffer.assign(size_t(fieldCount()), Value());
    m_modified.assign(size_t(fieldCount()), false);
    m_state = State::Insert;
    emit stateChanged();
    emit currentChanged();
}

void Table::post()
{
    if (m_state != State::Edit && m_state != State::Insert) {
        return;
    }
    const auto& fields = m_db->structure().fields;
    QByteArray sql;
    QList<Value> values;
    QList<bool> blobs;
    for (int i = 0; i < fields.size(); ++i) {
        if (m_modified[size_t(i)]) {
            values.append(m_buffer[size_t(i)]);
            blobs.append(isLargeType(fields[i].type));
            const QByteArray p = "?" + QByteArray::number(values.size());
            if (m_state == State::Edit) {
                sql += (sql.isEmpty() ? "" : ", ") + sql::quotedName(fields[i].name) + " = " + p;
            } else {
                sql += (sql.isEmpty() ? "" : ", ") + sql::quotedName(fields[i].name);
            }
        }
    }
    qint64 rowid = m_editRow;
    if (!values.isEmpty() || m_state == State::Insert) {
        sql::Transaction transaction(*m_db);
        // The record being edited was read from a file another program has since replaced: its
        // row id names another record in the new file, or none. A new record may go in.
        if (m_state == State::Edit && m_editFile != m_db->replacements()) {
            throw replacedError("post");
        }
        if (m_state == State::Edit) {
            sql = "UPDATE records SET " + sql + " WHERE rowid = ?" + QByteArray::number(values.size() + 1);
            values.append(Value(m_editRow));
            blobs.append(false);
        } else if (values.isEmpty()) {
            sql = "INSERT INTO records DEFAULT VALUES";
        } else {
            QByteArray marks;
            for (int i = 1; i <= values.size(); ++i) {
                marks += (i > 1 ? ",?" : "?") + QByteArray::number(i);
            }
            sql = "INSERT INTO records (" + sql + ") VALUES (" + marks + ')';
        }
        try {
            sql::StatementUse write(m_db->cached(sql));
            for (int i = 0; i < values.size(); ++i) {
                write->bind(i + 1, values[i], blobs[i]);
            }
            write->step();
        } catch (const Error& e) {
            throw Error(e, QStringLiteral("Cannot post to table %1: %2").arg(label(), e.message()));
        }
        if (m_state == State::Insert) {
            rowid = sqlite3_last_insert_rowid(m_db->handle());
        }
        transaction.commit();
        m_db->changed();
        searchcopy::refreshAfterWrite(*m_db);
    }
    m_state = State::Browse;
    m_buffer.clear();
    m_modified.clear();
    // Stay on the posted record while it passes the filter and the master range.
    m_dirty = true;
    resolve();
    m_positionFile = m_db->replacements();
    const auto it = std::find(m_rows.begin(), m_rows.end(), rowid);
    if (it != m_rows.end()) {
        m_pos = int(it - m_rows.begin());
        m_bof = m_pos == 0;
    }
    emit stateChanged();
    emit recordSetChanged();
    emit currentChanged();
}

void Table::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert) {
        return;
    }
    m_state = State::Browse;
    m_buffer.clear();
    m_modified.clear();
    emit stateChanged();
    emit currentChanged();
}

void Table::deleteRecord()
{
    requireWritable("delete");
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    resolve();
    if (m_positionFile != m_db->replacements()) {
        throw replacedError("delete");
    }
    if (m_pos < 0) {
        throw Error(QStringLiteral("Cannot delete from table %1: it has no current record").arg(label()));
    }
    const int pos = m_pos;
    {
        sql::Transaction transaction(*m_db);
        if (m_positionFile != m_db->replacements()) {
            throw replacedError("delete");
        }
        sql::StatementUse remove(m_db->cached("DELETE FROM records WHERE rowid = ?1"));
        remove->bind(1, Value(m_rows[size_t(pos)]));
        remove->step();
        transaction.commit();
        m_db->changed();
    }
    m_dirty = true;
    resolve();
    m_pos = std::min(pos, int(m_rows.size()) - 1);
    m_bof = m_pos <= 0;
    emit recordSetChanged();
    emit currentChanged();
}

// ---------------------------------------------------------------------------------------------
// Import

Table::MoveCounts Table::appendUpdateFrom(const Table& source)
{
    requireWritable("import into");
    source.requireActive("import from");
    if (source.m_db == m_db) {
        throw Error(QStringLiteral("Cannot import table %1 into itself").arg(label()));
    }
    settle();
    const TableStructure& to = m_db->structure();
    const TableStructure& from = source.m_db->structure();
    QList<int> sourceColumns; // for each of our fields, the source's, or -1
    QByteArray names;
    QByteArray marks;
    QByteArray updates;
    for (int i = 0; i < to.fields.size(); ++i) {
        sourceColumns.append(from.indexOf(to.fields[i].name));
        const QByteArray name = sql::quotedName(to.fields[i].name);
        const QByteArray mark = "?" + QByteArray::number(i + 1);
        names += (i ? ", " : "") + name;
        marks += (i ? ", " : "") + mark;
        if (!to.primaryKey.contains(to.fields[i].name)) {
            updates += (updates.isEmpty() ? "" : ", ") + name + " = " + mark;
        }
    }
    QByteArray keyWhere;
    if (to.primaryKey.isEmpty()) {
        // A table without a key (relations, the user's contracts) matches a record on all its
        // fields: importing the same update twice adds its records once.
        updates.clear();
        for (int i = 0; i < to.fields.size(); ++i) {
            keyWhere += (i ? " AND " : "") + sql::quotedName(to.fields[i].name) + " IS ?" + QByteArray::number(i + 1);
        }
    }
    for (int k = 0; k < to.primaryKey.size(); ++k) {
        const int at = to.indexOf(to.primaryKey[k]);
        if (sourceColumns[at] < 0) {
            throw Error(QStringLiteral("Cannot import into %1: the source lacks key field %2")
                            .arg(label(), QString::fromLatin1(to.primaryKey[k])));
        }
        keyWhere += (k ? " AND " : "") + sql::quotedName(to.fields[at].name) + " = ?" + QByteArray::number(at + 1);
    }
    QByteArray sourceSql = "SELECT ";
    for (int i = 0; i < from.fields.size(); ++i) {
        sourceSql += (i ? ", " : "") + sql::quotedName(from.fields[i].name);
    }
    sourceSql += " FROM records ORDER BY rowid";

    MoveCounts counts;
    {
        sql::Transaction transaction(*m_db);
        sql::Statement read(source.m_db->handle(), sourceSql);
        sql::Statement insert(m_db->handle(), "INSERT INTO records (" + names + ") VALUES (" + marks + ")");
        std::optional<sql::Statement> find;
        std::optional<sql::Statement> update;
        if (!keyWhere.isEmpty()) {
            find.emplace(m_db->handle(), "SELECT rowid FROM records WHERE " + keyWhere);
            if (!updates.isEmpty()) {
                update.emplace(m_db->handle(), "UPDATE records SET " + updates + " WHERE " + keyWhere);
            }
        }
        const auto bindAll = [&](sql::Statement& st) {
            // Each statement names only some of the fields; it takes values up to its last one.
            const int used = sqlite3_bind_parameter_count(st.handle());
            for (int i = 0; i < used; ++i) {
                const Value v = sourceColumns[i] < 0 ? Value() : read.column(sourceColumns[i]);
                st.bind(i + 1, v, isLargeType(to.fields[i].type));
            }
        };
        try {
            while (read.step()) {
                bool exists = false;
                if (find) {
                    bindAll(*find);
                    exists = find->step();
                    find->reset();
                }
                sql::Statement* write = exists ? (update ? &*update : nullptr) : &insert;
                if (write) {
                    bindAll(*write);
                    write->step();
                    write->reset();
                }
                ++(exists ? counts.updated : counts.appended);
            }
        } catch (const Error& e) {
            throw Error(e, QStringLiteral("Cannot import into table %1: %2").arg(label(), e.message()));
        }
        read.reset();
        transaction.commit();
        m_db->changed();
    }
    searchcopy::refreshAfterWrite(*m_db);
    invalidate();
    return counts;
}

} // namespace engine
