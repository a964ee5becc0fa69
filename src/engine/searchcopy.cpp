#include "searchcopy.h"

#include "error.h"
#include "sqlite.h"
#include "table.h"

#include <QFileInfo>
#include <vector>

namespace engine {

namespace {

struct Registration {
    QString table; // base name, upper case
    QByteArray field;
    QByteArray version;
    SearchCopyMaker make;
};

std::vector<Registration>& registrations()
{
    static std::vector<Registration> all;
    return all;
}

QString baseName(const QString& tableFile)
{
    // "TB_Zakoni.db" and its temporary "TB_Zakoni.db.part" both name the table TB_Zakoni.
    return QFileInfo(tableFile).fileName().section(QLatin1Char('.'), 0, 0).toUpper();
}

QList<const Registration*> registrationsFor(const QString& tableFile)
{
    QList<const Registration*> out;
    const QString name = baseName(tableFile);
    for (const Registration& r : registrations()) {
        if (r.table == name) {
            out.append(&r);
        }
    }
    return out;
}

QByteArray copyTable(const QByteArray& field)
{
    return sql::quotedName("korvelin_copy_" + field);
}

QByteArray stampKey(const QByteArray& field)
{
    return "search_copy:" + field;
}

bool tableExists(sql::Database& db, const QByteArray& name)
{
    sql::Statement q(db.handle(), "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1");
    q.bind(1, Value(name));
    return q.step();
}

QByteArray storedVersion(sql::Database& db, const QByteArray& field)
{
    sql::Statement q(db.handle(), "SELECT value FROM korvelin_meta WHERE key = ?1");
    q.bind(1, Value(stampKey(field)));
    return q.step() ? q.column(0).toText() : QByteArray();
}

// The single integer key that stands for the row id, or -1 (the rule the table files are made by).
int rowidKey(const TableStructure& s)
{
    if (s.primaryKey.size() != 1) {
        return -1;
    }
    const int at = s.indexOf(s.primaryKey[0]);
    return at >= 0 && s.fields[at].type == FieldType::Integer ? at : -1;
}

// The copies' table, the triggers that keep them from going stale, and the version stamp; copies
// of another version are dropped.
void setUp(sql::Database& db, const TableStructure& s, int field, const Registration& r)
{
    const QByteArray name = s.fields[field].name;
    const QByteArray table = copyTable(name);
    db.exec(("CREATE TABLE IF NOT EXISTS " + table + " (record INTEGER PRIMARY KEY, text BLOB)").constData());
    const auto trigger = [&](const char* event, const QByteArray& when, const QByteArray& records) {
        db.exec(("CREATE TRIGGER IF NOT EXISTS " + sql::quotedName("korvelin_copy_" + name + "_" + event) + " AFTER " +
                 when + " ON records BEGIN DELETE FROM " + table + " WHERE record IN (" + records + "); END")
                    .constData());
    };
    trigger("insert", "INSERT", "NEW.rowid");
    trigger("delete", "DELETE", "OLD.rowid");
    // A changed integer key moves the record to another row id: both lose their copies.
    QByteArray columns = sql::quotedName(name);
    if (const int key = rowidKey(s); key >= 0) {
        columns += ", " + sql::quotedName(s.fields[key].name);
    }
    trigger("update", "UPDATE OF " + columns, "OLD.rowid, NEW.rowid");
    if (storedVersion(db, name) != r.version) {
        db.exec(("DELETE FROM " + table).constData());
        sql::Statement stamp(db.handle(), "INSERT OR REPLACE INTO korvelin_meta (key, value) VALUES (?1, ?2)");
        stamp.bind(1, Value(stampKey(name)));
        stamp.bind(2, Value(r.version), true);
        stamp.step();
    }
}

} // namespace

void registerSearchCopy(const QString& tableName, const QByteArray& fieldName, const QByteArray& version,
                        SearchCopyMaker make)
{
    const QString table = baseName(tableName);
    auto& all = registrations();
    for (Registration& r : all) {
        if (r.table == table && r.field.compare(fieldName, Qt::CaseInsensitive) == 0) {
            r = {table, fieldName, version, std::move(make)};
            return;
        }
    }
    all.push_back({table, fieldName, version, std::move(make)});
}

// ---------------------------------------------------------------------------------------------

SearchCopyReader::SearchCopyReader(const Table& table, const QByteArray& fieldName)
{
    table.requireActive("read search copies");
    m_db = table.m_db;
    const TableStructure& s = m_db->structure();
    const int field = s.indexOf(fieldName);
    if (field < 0) {
        throw Error(
            QStringLiteral("Field '%1' not found in table %2").arg(QString::fromLatin1(fieldName), table.tableName()));
    }
    if (s.primaryKey.size() != 1) {
        throw Error(QStringLiteral("Search copies need a key of one field: %1").arg(table.tableName()));
    }
    const Registration* registration = nullptr;
    for (const Registration* r : registrationsFor(table.filePath())) {
        if (r->field.compare(fieldName, Qt::CaseInsensitive) == 0) {
            registration = r;
        }
    }
    if (registration == nullptr) {
        throw Error(QStringLiteral("No search copy is registered for %1 of %2")
                        .arg(QString::fromLatin1(fieldName), table.tableName()));
    }
    m_make = registration->make;
    m_field = s.fields[field].name;
    m_version = registration->version;
    prepare();
}

void SearchCopyReader::prepare()
{
    const TableStructure& s = m_db->structure();
    const QByteArray& name = m_field;
    const QByteArray key = sql::quotedName(s.primaryKey[0]);
    m_opening = m_db->opening();
    m_stored = tableExists(*m_db, "korvelin_copy_" + name) && storedVersion(*m_db, name) == m_version;
    m_copySql = rowidKey(s) >= 0 ? "SELECT text FROM " + copyTable(name) + " WHERE record = ?1"
                                 : "SELECT c.text FROM " + copyTable(name) +
                                       " c JOIN records r ON c.record = r.rowid WHERE r." + key + " = ?1";
    m_fieldSql = "SELECT " + sql::quotedName(name) + " FROM records WHERE " + key + " = ?1";
    // From the first search on, the file is read through a memory map, as large as SQLite allows
    // (a larger file is mapped as far as the map reaches). Mapping it anew for every search
    // would cost more than the map saves.
    m_db->exec("PRAGMA mmap_size=2147418112");
}

SearchCopyReader::~SearchCopyReader() = default;

bool SearchCopyReader::read(const Value& key, const std::function<void(QByteArrayView)>& use)
{
    // A file another program put in place may hold no copies, or copies of another version.
    m_db->beginRead();
    if (m_opening != m_db->opening()) {
        prepare();
    }
    if (m_stored) {
        sql::StatementUse copy(m_db->cached(m_copySql));
        copy->bind(1, key);
        if (copy->step()) {
            // The bytes stay SQLite's until the statement moves on: no copy of the text is made.
            const auto* data = static_cast<const char*>(sqlite3_column_blob(copy->handle(), 0));
            use(QByteArrayView(data, sqlite3_column_bytes(copy->handle(), 0)));
            return true;
        }
    }
    sql::StatementUse field(m_db->cached(m_fieldSql));
    field->bind(1, key);
    if (!field->step()) {
        return false;
    }
    const QByteArray made = m_make(field->column(0).toText());
    use(made);
    return true;
}

QByteArray SearchCopyReader::text(const Value& key)
{
    QByteArray out;
    read(key, [&](QByteArrayView copy) { out = copy.toByteArray(); });
    return out;
}

// ---------------------------------------------------------------------------------------------

namespace searchcopy {

void fill(sql::Database& db, const TableStructure& structure, const QString& tableFile)
{
    for (const Registration* r : registrationsFor(tableFile)) {
        const int field = structure.indexOf(r->field);
        if (field < 0 || !isLargeType(structure.fields[field].type)) {
            continue;
        }
        setUp(db, structure, field, *r);
        const QByteArray table = copyTable(structure.fields[field].name);
        // The row ids first: the copies are written while nothing reads the table they go into.
        std::vector<qint64> missing;
        {
            sql::Statement q(db.handle(),
                             "SELECT rowid FROM records WHERE rowid NOT IN (SELECT record FROM " + table + ")");
            while (q.step()) {
                missing.push_back(q.columnInteger(0));
            }
        }
        if (missing.empty()) {
            continue;
        }
        sql::Statement read(db.handle(), "SELECT " + sql::quotedName(structure.fields[field].name) +
                                             " FROM records WHERE rowid = ?1");
        sql::Statement write(db.handle(), "INSERT OR REPLACE INTO " + table + " (record, text) VALUES (?1, ?2)");
        for (const qint64 rowid : missing) {
            read.bind(1, Value(rowid));
            const QByteArray value = read.step() ? read.column(0).toText() : QByteArray();
            read.reset();
            write.bind(1, Value(rowid));
            write.bind(2, Value(r->make(value)), true);
            write.step();
            write.reset();
        }
    }
}

void settle(sql::Database& db)
{
    sql::Transaction transaction(db);
    QList<QByteArray> tables;
    {
        sql::Statement list(db.handle(), "SELECT name FROM sqlite_schema WHERE type = 'table' AND name LIKE "
                                         "'korvelin\\_copy\\_%' ESCAPE '\\'");
        while (list.step()) {
            tables.append(list.column(0).toText());
        }
    }
    for (const QByteArray& table : tables) {
        db.exec(
            ("DELETE FROM " + sql::quotedName(table) + " WHERE record NOT IN (SELECT rowid FROM records)").constData());
    }
    fill(db, db.structure(), db.path());
    transaction.commit();
}

void refreshAfterWrite(sql::Database& db)
{
    if (registrationsFor(db.path()).isEmpty()) {
        return;
    }
    try {
        sql::Transaction transaction(db);
        fill(db, db.structure(), db.path());
        transaction.commit();
    } catch (const Error&) {
        // The write itself stands; the copies it left missing are made by readers as needed.
    }
}

} // namespace searchcopy

} // namespace engine
