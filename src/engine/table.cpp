// A table object over a table file: opening, fields, the filter, order and master link that
// select its record set, and moving through it. Its writes are in tablewrite.cpp.

#include "table.h"

#include "error.h"
#include "filter.h"
#include "session.h"
#include "sqlite.h"

#include <map>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

namespace engine {

struct Table::Compiled {
    CompiledFilter filter;
    QByteArray orderBy;       // " ORDER BY ..., rowid"
    QList<int> masterColumns; // in the master's structure
    QList<int> detailColumns; // in ours
    QByteArray rowSql;        // the small fields of one record
    QList<int> rowColumns;
    std::vector<QByteArray> largeSql;        // one large field of one record, by position
    std::map<quint32, QByteArray> recordSql; // by the null master values
    quint64 generation = 0;                  // of the file, when the record set was read
    quint64 opening = 0;                     // the file this was made for (Database::opening)
};

namespace {

QList<QByteArray> splitNames(const QByteArray& names)
{
    QList<QByteArray> out;
    for (const QByteArray& part : names.split(';')) {
        if (!part.trimmed().isEmpty()) {
            out.append(part.trimmed());
        }
    }
    return out;
}

// The file of a table name inside a folder, letter case ignored; ".db" is tried for a bare name.
QString findTableFile(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    QStringList candidates{name};
    if (QFileInfo(name).suffix().isEmpty()) {
        candidates.append(name + QStringLiteral(".db"));
    }
    for (const QString& candidate : candidates) {
        if (dir.exists(candidate) && QFileInfo(dir.filePath(candidate)).isFile()) {
            return dir.filePath(candidate);
        }
        const QStringList entries = dir.entryList(QDir::Files);
        for (const QString& entry : entries) {
            if (entry.compare(candidate, Qt::CaseInsensitive) == 0) {
                return dir.filePath(entry);
            }
        }
    }
    return {};
}

} // namespace

// ---------------------------------------------------------------------------------------------

QByteArray Field::name() const
{
    return m_table->structure().fields.value(m_index).name;
}
FieldType Field::type() const
{
    return m_table->structure().fields.value(m_index).type;
}
Value Field::value() const
{
    return m_table->currentValue(m_index);
}
void Field::setValue(const Value& v)
{
    m_table->setBufferValue(m_index, v);
}

// ---------------------------------------------------------------------------------------------

Table::Table(QObject* parent) : QObject(parent) {}

Table::~Table() = default;

QString Table::locateFile() const
{
    if (isActive()) {
        return m_filePath;
    }
    if (!m_databaseName.isEmpty()) {
        const QString folder = session().aliasFolder(m_databaseName);
        const QString path = m_tableName.isEmpty() ? QString() : findTableFile(folder, m_tableName);
        if (!path.isEmpty()) {
            return path;
        }
        // Named as it was looked for last: a bare name is a ".db" file.
        const QString missing = QDir(folder).filePath(
            QFileInfo(m_tableName).suffix().isEmpty() ? m_tableName + QStringLiteral(".db") : m_tableName);
        throw sql::notFound(missing);
    }
    const QFileInfo info(m_tableName);
    if (info.isFile()) {
        return m_tableName;
    }
    const QString path = m_tableName.isEmpty() ? QString() : findTableFile(info.absolutePath(), info.fileName());
    if (!path.isEmpty()) {
        return path;
    }
    throw Error(Error::Kind::Missing, m_tableName, QStringLiteral("Table does not exist: %1").arg(m_tableName));
}

void Table::open()
{
    if (isActive()) {
        return;
    }
    if (m_tableName.isEmpty()) {
        throw Error(QStringLiteral("No table name given for %1").arg(objectName()));
    }
    const QString path = locateFile();
    // A table cut short is refused before anything is read from it; the rebuild, which opens the
    // file without a table object, still saves what it holds.
    if (QString what; sql::cutShort(path, &what)) {
        throw Error(Error::Kind::Damaged, path, QStringLiteral("Table file %1 is cut short: %2").arg(path, what));
    }
    session().open();
    m_db = session().database(path);
    m_filePath = path;
    try {
        if (const TableStructure* type = m_databaseName.isEmpty() ? nullptr : session().recordType(path)) {
            if (const RecordTypeDifference d = recordTypeDifference(*type, m_db->structure()); !d.field.isEmpty()) {
                throw Error(Error::Kind::Fields, path,
                            QStringLiteral("Table %1 (%2) is not of its record type: %3").arg(label(), path, d.what),
                            d.field);
            }
        }
        m_compiled = std::make_unique<Compiled>();
        compileNow();
        checkLink();
    } catch (...) {
        m_db.reset();
        m_compiled.reset();
        throw;
    }
    m_positionFile = m_db->replacements();
    m_outsideSeen = m_db->outsideChanges();
    m_state = State::Browse;
    invalidate();
    emit stateChanged();
}

void Table::close()
{
    if (!isActive()) {
        return;
    }
    m_buffer.clear();
    m_db.reset();
    m_compiled.reset();
    m_rows.clear();
    m_pos = -1;
    m_rowLoaded = -1;
    m_state = State::Inactive;
    emit stateChanged();
    emit recordSetChanged();
    emit currentChanged();
}

void Table::setActive(bool active)
{
    active ? open() : close();
}

QString Table::label() const
{
    return objectName().isEmpty() ? tableName() : objectName() + QStringLiteral(" (") + tableName() + ')';
}

void Table::requireActive(const char* what) const
{
    if (!isActive()) {
        throw Error(QStringLiteral("Cannot %1: table %2 is not open").arg(QString::fromLatin1(what), label()));
    }
}

void Table::requireWritable(const char* what) const
{
    requireActive(what);
    if (m_readOnly) {
        // The object was opened for reading: a fault of the caller, not of the file.
        throw Error(QStringLiteral("Cannot %1: table %2 is read-only").arg(QString::fromLatin1(what), label()));
    }
    if (sqlite3_db_readonly(m_db->handle(), "main") == 1) {
        throw Error(Error::Kind::ReadOnly, m_filePath,
                    QStringLiteral("Cannot %1: the file of table %2 may not be written")
                        .arg(QString::fromLatin1(what), label()));
    }
}

// ---------------------------------------------------------------------------------------------
// Fields

TableStructure Table::structure() const
{
    requireActive("read the structure");
    return m_db->structure();
}

int Table::fieldCount() const
{
    return isActive() ? int(m_db->structure().fields.size()) : 0;
}

int Table::fieldIndex(const QByteArray& name) const
{
    return isActive() ? m_db->structure().indexOf(name) : -1;
}

Field Table::field(int index) const
{
    requireActive("read a field");
    if (index < 0 || index >= fieldCount()) {
        throw Error(QStringLiteral("Field index %1 out of range for table %2").arg(index).arg(label()));
    }
    return Field(this, index);
}

Field Table::fieldByName(const QByteArray& name) const
{
    requireActive("read a field");
    const int index = fieldIndex(name);
    if (index < 0) {
        throw Error(QStringLiteral("Field '%1' not found in table %2").arg(QString::fromLatin1(name), label()));
    }
    return Field(this, index);
}

Value Table::currentValue(int index) const
{
    if (!isActive()) {
        return {};
    }
    if (m_state == State::Edit || m_state == State::Insert) {
        if (m_modified[size_t(index)]) {
            return m_buffer[size_t(index)];
        }
        if (m_state == State::Insert) {
            return {};
        }
    }
    resolve();
    if (m_pos < 0) {
        return {};
    }
    const qint64 rowid = m_rows[size_t(m_pos)];
    if (index == m_db->rowidColumn()) {
        return Value(rowid); // the integer key is the row id itself: nothing to read
    }
    if (rowid != m_rowLoaded) {
        const size_t count = size_t(m_db->structure().fields.size());
        m_row.assign(count, Value());
        m_have.assign(count, false);
        m_rowLoaded = rowid;
    }
    if (!m_have[size_t(index)]) {
        if (isLargeType(m_db->structure().fields[index].type)) {
            // Large values are read one by one, and only when asked for; the text of the query is
            // made once, not for every record a walk reads.
            sql::StatementUse read(m_db->cached(m_compiled->largeSql[size_t(index)]));
            read->bind(1, Value(rowid));
            m_row[size_t(index)] = read->step() ? read->column(0) : Value();
            m_have[size_t(index)] = true;
        } else {
            loadSmallFields();
        }
    }
    return m_row[size_t(index)];
}

// The short fields of the current record, in one read: lists take several of them per record.
void Table::loadSmallFields() const
{
    sql::StatementUse read(m_db->cached(m_compiled->rowSql));
    read->bind(1, Value(m_rowLoaded));
    const bool found = read->step();
    for (int i = 0; i < m_compiled->rowColumns.size(); ++i) {
        const int column = m_compiled->rowColumns[i];
        m_row[size_t(column)] = found ? read->column(i) : Value();
        m_have[size_t(column)] = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Filter, order and link

QList<int> Table::fieldList(const QByteArray& names, const QList<FieldDef>& fields, const char* what) const
{
    QList<int> out;
    for (const QByteArray& name : splitNames(names)) {
        int at = -1;
        for (int i = 0; i < fields.size() && at < 0; ++i) {
            if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
                at = i;
            }
        }
        if (at < 0) {
            throw Error(QStringLiteral("%1: field '%2' not found in table %3")
                            .arg(QString::fromLatin1(what), QString::fromLatin1(name), label()));
        }
        out.append(at);
    }
    return out;
}

QList<int> Table::orderFields() const
{
    const TableStructure& s = m_db->structure();
    if (!m_indexFieldNames.isEmpty()) {
        return fieldList(m_indexFieldNames, s.fields, "Index field names");
    }
    if (!m_indexName.isEmpty()) {
        const IndexDef* index = s.findIndex(m_indexName);
        if (!index) {
            throw Error(
                QStringLiteral("Index '%1' not found in table %2").arg(QString::fromLatin1(m_indexName), label()));
        }
        return fieldList(index->fields.join(';') + ';' + s.primaryKey.join(';'), s.fields, "Index");
    }
    return fieldList(s.primaryKey.join(';'), s.fields, "Primary key");
}

void Table::compileNow()
{
    const TableStructure& s = m_db->structure();
    Compiled c;
    c.opening = m_db->opening();
    if (m_filtered) {
        c.filter = compileFilter(m_filter, s, m_caseInsensitive);
    }
    const QList<int> order = orderFields();
    const IndexDef* named = m_indexName.isEmpty() ? nullptr : s.findIndex(m_indexName);
    QList<int> seen;
    for (int column : order) {
        if (seen.contains(column)) {
            continue;
        }
        seen.append(column);
        c.orderBy += (c.orderBy.isEmpty() ? " ORDER BY " : ", ") + sql::quotedName(s.fields[column].name);
        if (named && named->caseInsensitive && named->fields.contains(s.fields[column].name)) {
            c.orderBy += " COLLATE NOCASE";
        }
    }
    c.orderBy += c.orderBy.isEmpty() ? " ORDER BY rowid" : ", rowid";
    QByteArray columns;
    c.largeSql.resize(size_t(s.fields.size()));
    for (int i = 0; i < s.fields.size(); ++i) {
        if (!isLargeType(s.fields[i].type)) {
            columns += (columns.isEmpty() ? "" : ", ") + sql::quotedName(s.fields[i].name);
            c.rowColumns.append(i);
        } else {
            c.largeSql[size_t(i)] = "SELECT " + sql::quotedName(s.fields[i].name) + " FROM records WHERE rowid = ?1";
        }
    }
    c.rowSql = "SELECT " + (columns.isEmpty() ? QByteArray("rowid") : columns) + " FROM records WHERE rowid = ?1";
    *m_compiled = std::move(c);
}

QList<int> Table::activeDetailFields() const
{
    const QList<QByteArray> masters = splitNames(m_masterFields);
    if (!m_detailFields.isEmpty()) {
        const QList<int> detail = fieldList(m_detailFields, m_db->structure().fields, "Detail fields");
        if (detail.size() != masters.size()) {
            throw Error(QStringLiteral("Table %1 links %2 master fields to %3 detail fields")
                            .arg(label())
                            .arg(masters.size())
                            .arg(detail.size()));
        }
        return detail;
    }
    const QList<int> order = orderFields();
    if (order.size() < masters.size()) {
        throw Error(QStringLiteral("Table %1 has no order to follow master fields %2")
                        .arg(label(), QString::fromLatin1(m_masterFields)));
    }
    return order.mid(0, masters.size());
}

void Table::checkLink() const
{
    if (!m_compiled) {
        return;
    }
    m_compiled->recordSql.clear();
    if (!isActive() || !m_master || !m_master->isActive() || m_masterFields.isEmpty()) {
        m_compiled->masterColumns.clear();
        m_compiled->detailColumns.clear();
        return;
    }
    m_compiled->masterColumns =
        m_master->fieldList(m_masterFields, m_master->m_db->structure().fields, "Master fields");
    m_compiled->detailColumns = activeDetailFields();
}

Table::Settings Table::settings() const
{
    return {m_filter, m_filtered, m_caseInsensitive, m_masterFields, m_detailFields, m_indexFieldNames, m_indexName};
}

void Table::applySettings(const Settings& next)
{
    if (next == settings()) {
        return;
    }
    settle();
    const Settings old = settings();
    const auto take = [this](const Settings& s) {
        m_filter = s.filter;
        m_filtered = s.filtered;
        m_caseInsensitive = s.caseInsensitive;
        m_masterFields = s.masterFields;
        m_detailFields = s.detailFields;
        m_indexFieldNames = s.indexFieldNames;
        m_indexName = s.indexName;
    };
    take(next);
    if (isActive()) {
        // An open table takes a setting only when its filter, order and link still make sense;
        // otherwise it keeps the ones it had and the error passes on.
        try {
            compileNow();
            checkLink();
        } catch (...) {
            take(old);
            compileNow();
            checkLink();
            throw;
        }
    }
    invalidate();
}

void Table::setFilter(const QByteArray& text)
{
    Settings s = settings();
    s.filter = text;
    applySettings(s);
}

void Table::setFiltered(bool on)
{
    Settings s = settings();
    s.filtered = on;
    applySettings(s);
}

void Table::setCaseInsensitive(bool on)
{
    Settings s = settings();
    s.caseInsensitive = on;
    applySettings(s);
}

void Table::setMasterFields(const QByteArray& fields)
{
    Settings s = settings();
    s.masterFields = fields;
    applySettings(s);
}

void Table::setDetailFields(const QByteArray& fields)
{
    Settings s = settings();
    s.detailFields = fields;
    applySettings(s);
}

// Index field names and a named index exclude each other.
void Table::setIndexFieldNames(const QByteArray& fields)
{
    Settings s = settings();
    s.indexFieldNames = fields;
    s.indexName.clear();
    applySettings(s);
}

void Table::setIndexName(const QByteArray& name)
{
    Settings s = settings();
    s.indexName = name;
    s.indexFieldNames.clear();
    applySettings(s);
}

void Table::setMasterSource(Table* master)
{
    if (master == m_master) {
        return;
    }
    if (master == this) {
        throw Error(QStringLiteral("Table %1 cannot be its own master").arg(label()));
    }
    settle();
    disconnect(m_masterConnection);
    m_master = master;
    if (master) {
        m_masterConnection = connect(master, &Table::currentChanged, this, &Table::masterMoved);
    }
    // Source and fields are often changed one after the other, so the link is checked when the
    // fields are set or the records are next read, not here.
    if (m_compiled) {
        m_compiled->masterColumns.clear();
        m_compiled->detailColumns.clear();
        m_compiled->recordSql.clear();
    }
    invalidate();
}

// ---------------------------------------------------------------------------------------------
// The record set

void Table::invalidate()
{
    m_dirty = true;
    m_rowLoaded = -1;
    emit recordSetChanged();
    emit currentChanged();
}

void Table::masterMoved()
{
    // Without master fields the master's moves mean nothing here; and a chain that leads back
    // to this table (the archive tab links the regulations to their versions) stops here.
    if (m_masterFields.isEmpty() || m_followingMaster) {
        return;
    }
    const QScopedValueRollback<bool> guard(m_followingMaster, true);
    if (m_state == State::Edit || m_state == State::Insert) {
        // A pending edit belongs to the record the master showed; keep it when it can be kept.
        try {
            post();
        } catch (const Error&) {
            cancel();
        }
    }
    m_linkStale = true;
    emit recordSetChanged();
    emit currentChanged();
}

void Table::resolve() const
{
    if (!isActive()) {
        return;
    }
    // What another program wrote since the last read counts as a write.
    m_db->beginRead();
    const bool written = m_compiled->generation != m_db->generation();
    if (!m_dirty && !m_linkStale && !written) {
        return;
    }
    if (written) {
        followFile();
    }
    if (!m_dirty && !written && m_masterFields.isEmpty()) {
        m_linkStale = false;
        return;
    }
    // The master's current values, when the link is in force. A master opened after its detail
    // brings the link into force only now.
    const bool linked = m_master && m_master->isActive() && !m_masterFields.isEmpty();
    if (linked && m_compiled->masterColumns.isEmpty()) {
        checkLink();
    }
    QList<Value> key;
    bool masterEmpty = false;
    if (linked) {
        m_master->resolve();
        masterEmpty = m_master->m_pos < 0 && m_master->m_state != State::Insert;
        for (int column : m_compiled->masterColumns) {
            key.append(m_master->currentValue(column));
        }
    }
    if (!m_dirty && !written && linked == m_linked && key == m_masterKey) {
        // The master moved to a record with the same key: the same records, from the first.
        m_linkStale = false;
        m_pos = m_rows.empty() ? -1 : 0;
        m_eof = m_rows.empty();
        m_bof = true;
        return;
    }
    const qint64 keep = written && !m_dirty && m_pos >= 0 ? m_rows[size_t(m_pos)] : -1;
    m_rows.clear();
    if (!masterEmpty) {
        // The query text depends only on which master values are null; it is made once each.
        quint32 nulls = 0;
        for (int i = 0; i < key.size(); ++i) {
            nulls |= key[i].isNull() ? (1u << i) : 0;
        }
        QByteArray& sql = m_compiled->recordSql[nulls];
        QList<Value> parameters = m_compiled->filter.parameters;
        if (sql.isEmpty()) {
            QByteArray where = m_compiled->filter.condition;
            int next = int(parameters.size());
            for (int i = 0; i < key.size(); ++i) {
                const QByteArray column = sql::quotedName(m_db->structure().fields[m_compiled->detailColumns[i]].name);
                const QByteArray term =
                    key[i].isNull() ? column + " IS NULL" : column + " = ?" + QByteArray::number(++next);
                where = where.isEmpty() ? term : '(' + where + ") AND " + term;
            }
            sql = "SELECT rowid FROM records" + (where.isEmpty() ? QByteArray() : " WHERE " + where) +
                  m_compiled->orderBy;
        }
        for (const Value& v : key) {
            if (!v.isNull()) {
                parameters.append(v);
            }
        }
        sql::StatementUse query(m_db->cached(sql));
        for (int i = 0; i < parameters.size(); ++i) {
            query->bind(i + 1, parameters[i]);
        }
        while (query->step()) {
            m_rows.push_back(query->columnInteger(0));
        }
    }
    m_compiled->generation = m_db->generation();
    m_masterKey = key;
    m_linked = linked;
    m_dirty = false;
    m_linkStale = false;
    m_rowLoaded = -1;
    m_pos = m_rows.empty() ? -1 : 0;
    if (keep >= 0) {
        const auto it = std::find(m_rows.begin(), m_rows.end(), keep);
        if (it != m_rows.end()) {
            m_pos = int(it - m_rows.begin());
        }
    }
    m_eof = m_rows.empty();
    m_bof = m_pos <= 0;
}

void Table::followFile() const
{
    if (m_compiled->opening != m_db->opening()) {
        // Another file is open now: the filter and order are made for it, whose indexes may differ.
        const_cast<Table*>(this)->compileNow();
        checkLink();
    }
    if (m_outsideSeen != m_db->outsideChanges()) {
        m_outsideSeen = m_db->outsideChanges();
        // Another program changed the file: whatever shows this table reads it again, once the
        // action that found the change is over (its handlers may be reading the table right now).
        QMetaObject::invokeMethod(
            const_cast<Table*>(this),
            [this] {
                if (!isActive()) {
                    return;
                }
                try {
                    emit const_cast<Table*>(this)->recordSetChanged();
                    emit const_cast<Table*>(this)->currentChanged();
                } catch (const Error&) {
                    // Nothing the user asked for failed: the next action that reads the table
                    // meets the failure again and reports it.
                }
            },
            Qt::QueuedConnection);
    }
}

Error Table::replacedError(const char* what) const
{
    return Error(Error::Kind::Replaced, m_filePath,
                 QStringLiteral("Cannot %1: another program put a new file in place of table %2 (%3) after its "
                                "record was read")
                     .arg(QString::fromLatin1(what), label(), m_filePath));
}

int Table::recordCount() const
{
    resolve();
    return int(m_rows.size());
}

int Table::recNo() const
{
    resolve();
    return m_pos;
}

bool Table::eof() const
{
    resolve();
    return m_eof;
}

bool Table::bof() const
{
    resolve();
    return m_bof;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void Table::settle()
{
    if (m_state == State::Edit || m_state == State::Insert) {
        post();
    }
}

void Table::moved()
{
    m_rowLoaded = -1;
    emit currentChanged();
}

void Table::first()
{
    requireActive("move");
    settle();
    resolve();
    m_positionFile = m_db->replacements();
    m_pos = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    moved();
}

void Table::last()
{
    requireActive("move");
    settle();
    resolve();
    m_positionFile = m_db->replacements();
    m_pos = int(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.empty();
    moved();
}

void Table::next()
{
    moveBy(1);
}

void Table::prior()
{
    moveBy(-1);
}

void Table::moveBy(int n)
{
    requireActive("move");
    settle();
    resolve();
    m_positionFile = m_db->replacements();
    if (m_rows.empty() || n == 0) {
        m_eof = m_bof = m_rows.empty();
        return;
    }
    const int last = int(m_rows.size()) - 1;
    const qint64 target = qint64(m_pos) + n;
    const int pos = int(std::clamp<qint64>(target, 0, last));
    m_eof = n > 0 && target > last;
    m_bof = n < 0 && target < 0;
    if (pos != m_pos) {
        m_pos = pos;
        moved();
    }
}

} // namespace engine
