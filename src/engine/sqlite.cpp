#include "sqlite.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace engine::sql {

QString lastError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QByteArray quotedName(const QByteArray& name)
{
    QByteArray out = "\"";
    out += QByteArray(name).replace('"', "\"\"");
    out += '"';
    return out;
}

// ---------------------------------------------------------------------------------------------

Statement::Statement(sqlite3* db, const QByteArray& sql, bool persistent)
{
    const int rc = sqlite3_prepare_v3(db, sql.constData(), int(sql.size()), persistent ? SQLITE_PREPARE_PERSISTENT : 0,
                                      &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        throw Error(QStringLiteral("Cannot prepare a table query: %1").arg(lastError(db)));
    }
}

Statement& Statement::operator=(Statement&& o) noexcept
{
    if (this != &o) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(o.m_stmt, nullptr);
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const Value& v, bool asBlob)
{
    int rc = SQLITE_OK;
    if (v.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else if (v.isInteger()) {
        rc = sqlite3_bind_int64(m_stmt, index, v.integer());
    } else if (v.isFloat()) {
        rc = sqlite3_bind_double(m_stmt, index, v.real());
    } else {
        const QByteArray& b = v.bytes();
        rc = asBlob ? sqlite3_bind_blob64(m_stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT)
                    : sqlite3_bind_text64(m_stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT,
                                          SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) {
        throw Error(QStringLiteral("Cannot bind a value: %1").arg(lastError(sqlite3_db_handle(m_stmt))));
    }
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    const QString message = lastError(sqlite3_db_handle(m_stmt));
    sqlite3_reset(m_stmt);
    throw Error(QStringLiteral("Table access failed: %1").arg(message));
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

Value Statement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return Value(qint64(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_stmt, index));
    default: {
        const void* data = sqlite3_column_blob(m_stmt, index);
        const int size = sqlite3_column_bytes(m_stmt, index);
        return Value(QByteArray(static_cast<const char*>(data), size));
    }
    }
}

// ---------------------------------------------------------------------------------------------

Database::Database(const QString& path, Mode mode) : m_path(path)
{
    openHandle(mode);
}

void Database::openHandle(Mode mode)
{
    const QString& path = m_path;
    const QByteArray native = QFileInfo(path).absoluteFilePath().toUtf8();
    const int flags = mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READWRITE;
    if (mode == Mode::OpenExisting && !QFileInfo(path).isFile()) {
        throw Error(QStringLiteral("Table file does not exist: %1").arg(path));
    }
    if (sqlite3_open_v2(native.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString message = m_db ? lastError(m_db) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error(QStringLiteral("Cannot open table file %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 2000);
    if (mode == Mode::Create) {
        // A new file is written whole into a temporary name and renamed when complete; a crash
        // leaves only that temporary file, so no journal is needed while it is filled.
        exec("PRAGMA journal_mode=OFF");
        exec("PRAGMA synchronous=OFF");
        return;
    }
    try {
        // Each post must be on disk when it returns.
        exec("PRAGMA synchronous=FULL");
        readStructure();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

void Database::reopen()
{
    m_statements.clear();
    endRead();
    sqlite3_close(m_db);
    m_db = nullptr;
    m_structure = {};
    m_rowidColumn = -1;
    openHandle(Mode::OpenExisting);
    changed();
}

Database::~Database()
{
    m_statements.clear();
    endRead();
    sqlite3_close(m_db);
}

void Database::endRead()
{
    if (m_reading) {
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_reading = false;
    }
}

void Database::fail(const QString& what) const
{
    throw Error(QStringLiteral("%1 (%2): %3").arg(what, m_path, lastError(m_db)));
}

void Database::exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        throw Error(QStringLiteral("Table file %1: %2").arg(m_path, text));
    }
}

Statement& Database::cached(const QByteArray& sql)
{
    if (!m_reading && sqlite3_get_autocommit(m_db)) {
        exec("BEGIN");
        m_reading = true;
    }
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        it = m_statements.emplace(sql, std::make_unique<Statement>(m_db, sql, true)).first;
    }
    return *it->second;
}

QByteArray declaredType(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::Text:
        return f.size > 0 ? "TEXT(" + QByteArray::number(f.size) + ")" : QByteArray("TEXT");
    case FieldType::Integer:
        return "INTEGER";
    case FieldType::Float:
        return "FLOAT";
    // The large types carry BLOB in their name, so SQLite keeps their bytes exactly as given.
    case FieldType::FormattedText:
        return "FORMATTED_BLOB";
    case FieldType::Memo:
        return "MEMO_BLOB";
    case FieldType::Graphic:
        return "GRAPHIC_BLOB";
    }
    return "BLOB";
}

static FieldDef fieldFromDeclared(const QByteArray& name, const QByteArray& declared)
{
    FieldDef f{name, FieldType::Text, 0};
    const QByteArray d = declared.toUpper();
    if (d.startsWith("TEXT")) {
        const int open = d.indexOf('(');
        if (open > 0) {
            f.size = d.mid(open + 1, d.indexOf(')') - open - 1).toInt();
        }
    } else if (d == "INTEGER") {
        f.type = FieldType::Integer;
    } else if (d == "FLOAT") {
        f.type = FieldType::Float;
    } else if (d == "FORMATTED_BLOB") {
        f.type = FieldType::FormattedText;
    } else if (d == "MEMO_BLOB") {
        f.type = FieldType::Memo;
    } else if (d == "GRAPHIC_BLOB") {
        f.type = FieldType::Graphic;
    } else {
        throw Error(QStringLiteral("Field %1 has an unknown type %2")
                        .arg(QString::fromLatin1(name), QString::fromLatin1(declared)));
    }
    return f;
}

void Database::readStructure()
{
    {
        Statement check(m_db, "SELECT count(*) FROM sqlite_schema WHERE type='table' AND name IN ('records', "
                              "'korvelin_meta')");
        if (!check.step() || check.columnInteger(0) != 2) {
            throw Error(QStringLiteral("Not a table file: %1").arg(m_path));
        }
    }
    QList<std::pair<int, QByteArray>> keyParts;
    Statement info(m_db, "PRAGMA table_info(records)");
    while (info.step()) {
        const QByteArray name = info.column(1).toText();
        m_structure.fields.append(fieldFromDeclared(name, info.column(2).toText()));
        if (const qint64 pk = info.columnInteger(5); pk > 0) {
            keyParts.append({int(pk), name});
        }
    }
    std::sort(keyParts.begin(), keyParts.end());
    if (keyParts.size() == 1) {
        const int at = m_structure.indexOf(keyParts[0].second);
        const QByteArray declared = m_structure.fields[at].type == FieldType::Integer ? "INTEGER" : "";
        if (!declared.isEmpty()) {
            m_rowidColumn = at; // an INTEGER PRIMARY KEY stands for the row id
        }
    }
    for (const auto& part : keyParts) {
        m_structure.primaryKey.append(part.second);
    }
    // Secondary indexes in the order they were made (the key's own index has no SQL text).
    Statement list(m_db, "SELECT name FROM sqlite_schema WHERE type = 'index' AND tbl_name = 'records' AND sql IS NOT "
                         "NULL ORDER BY rowid");
    while (list.step()) {
        IndexDef index{list.column(0).toText(), {}, false};
        Statement columns(m_db, "PRAGMA index_xinfo(" + quotedName(index.name) + ")");
        while (columns.step()) {
            if (columns.columnInteger(5) == 0) {
                continue; // the row id that every index entry carries
            }
            index.fields.append(columns.column(2).toText());
            if (columns.column(4).toText().compare("NOCASE", Qt::CaseInsensitive) == 0) {
                index.caseInsensitive = true;
            }
        }
        m_structure.indexes.append(index);
    }
}

QByteArray passwordVerifier(const QByteArray& salt, const QByteArray& password)
{
    return QCryptographicHash::hash(salt + password, QCryptographicHash::Sha256);
}

bool Database::acceptsPassword(const QList<QByteArray>& passwords) const
{
    Statement read(m_db, "SELECT key, value FROM korvelin_meta WHERE key IN ('password_salt', 'password_verifier')");
    QByteArray salt;
    QByteArray verifier;
    while (read.step()) {
        (read.column(0).toText() == "password_salt" ? salt : verifier) = read.column(1).toText();
    }
    if (verifier.isEmpty()) {
        return false;
    }
    for (const QByteArray& p : passwords) {
        if (passwordVerifier(salt, p) == verifier) {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

Transaction::Transaction(Database& db) : m_db(db.handle())
{
    db.endRead();
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw Error(QStringLiteral("Cannot start a write: %1").arg(lastError(m_db)));
    }
}

Transaction::~Transaction()
{
    if (!m_done) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit()
{
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw Error(QStringLiteral("Cannot complete a write: %1").arg(lastError(m_db)));
    }
    m_done = true;
}

} // namespace engine::sql
