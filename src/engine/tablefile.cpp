#include "tablefile.h"

#include "error.h"
#include "searchcopy.h"
#include "sqlite.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <unistd.h>

namespace engine {

static QByteArray createSql(const TableStructure& s)
{
    // A single integer key becomes SQLite's row id, so finding a record by key is one lookup.
    const bool rowidKey = s.primaryKey.size() == 1 && s.indexOf(s.primaryKey[0]) >= 0 &&
                          s.fields[s.indexOf(s.primaryKey[0])].type == FieldType::Integer;
    QByteArray sql = "CREATE TABLE records (";
    for (int i = 0; i < s.fields.size(); ++i) {
        const FieldDef& f = s.fields[i];
        sql += (i ? ", " : "") + sql::quotedName(f.name) + ' ' + sql::declaredType(f);
        if (rowidKey && f.name == s.primaryKey[0]) {
            sql += " PRIMARY KEY";
        }
    }
    if (!s.primaryKey.isEmpty() && !rowidKey) {
        sql += ", PRIMARY KEY (";
        for (int i = 0; i < s.primaryKey.size(); ++i) {
            sql += (i ? ", " : "") + sql::quotedName(s.primaryKey[i]);
        }
        sql += ')';
    }
    return sql + ')';
}

static QByteArray indexSql(const TableStructure& s, const IndexDef& index)
{
    QByteArray sql = "CREATE INDEX " + sql::quotedName(index.name) + " ON records (";
    for (int i = 0; i < index.fields.size(); ++i) {
        const int at = s.indexOf(index.fields[i]);
        if (at < 0) {
            throw Error(QStringLiteral("Index %1 names a missing field %2")
                            .arg(QString::fromLatin1(index.name), QString::fromLatin1(index.fields[i])));
        }
        sql += (i ? ", " : "") + sql::quotedName(s.fields[at].name);
        // Numbers sort the same under either collation; naming it keeps the flag on record.
        if (index.caseInsensitive) {
            sql += " COLLATE NOCASE";
        }
    }
    return sql + ')';
}

TableFileWriter::TableFileWriter(const QString& path, const TableStructure& structure, const QByteArray& password)
    : m_path(path), m_tempPath(path + QStringLiteral(".part")), m_structure(structure)
{
    if (structure.fields.isEmpty()) {
        throw Error(QStringLiteral("A table needs at least one field: %1").arg(path));
    }
    QFile::remove(m_tempPath);
    m_db = std::make_unique<sql::Database>(m_tempPath, sql::Database::Mode::Create);
    m_db->exec(createSql(structure).constData());
    m_db->exec("CREATE TABLE korvelin_meta (key TEXT PRIMARY KEY, value BLOB)");
    // The verifier only gates access: whoever has the password may open the table. The records
    // themselves are stored in the clear; this is not encryption.
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(salt.data()),
                                         reinterpret_cast<quint32*>(salt.data() + salt.size()));
    sql::Statement meta(m_db->handle(), "INSERT INTO korvelin_meta VALUES (?1, ?2)");
    const QList<std::pair<QByteArray, QByteArray>> rows = {
        {"format", "korvelin table 1"},
        {"password_salt", salt},
        {"password_verifier", sql::passwordVerifier(salt, password)}};
    for (const auto& [key, value] : rows) {
        meta.bind(1, Value(key));
        meta.bind(2, Value(value), true);
        meta.step();
        meta.reset();
    }
    m_db->exec("BEGIN");
}

TableFileWriter::~TableFileWriter()
{
    if (!m_committed) {
        m_db.reset();
        QFile::remove(m_tempPath);
    }
}

void TableFileWriter::append(const QList<Value>& record)
{
    if (record.size() > m_structure.fields.size()) {
        throw Error(QStringLiteral("A record has more values than the table has fields: %1").arg(m_path));
    }
    QByteArray sql = "INSERT INTO records VALUES (";
    for (int i = 0; i < m_structure.fields.size(); ++i) {
        sql += (i ? ",?" : "?") + QByteArray::number(i + 1);
    }
    sql::StatementUse insert(m_db->cached(sql + ')'));
    for (int i = 0; i < m_structure.fields.size(); ++i) {
        insert->bind(i + 1, i < record.size() ? record[i] : Value(), isLargeType(m_structure.fields[i].type));
    }
    insert->step();
}

void TableFileWriter::commit()
{
    for (const IndexDef& index : m_structure.indexes) {
        m_db->exec(indexSql(m_structure, index).constData());
    }
    searchcopy::fill(*m_db, m_structure, m_path);
    m_db->exec("COMMIT");
    m_db.reset();
    {
        // The file must be complete on disk before its name takes the old file's place.
        const int fd = ::open(QFile::encodeName(m_tempPath).constData(), O_RDWR);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        if (!synced) {
            throw Error(sql::systemErrorKind(error), m_path,
                        QStringLiteral("Cannot write table file %1: %2").arg(m_tempPath, qt_error_string(error)));
        }
    }
    if (std::rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int error = errno;
        throw Error(sql::systemErrorKind(error), m_path,
                    QStringLiteral("Cannot put table file in place: %1: %2").arg(m_path, qt_error_string(error)));
    }
    m_committed = true;
}

void createTableFile(const QString& path, const TableStructure& structure, const QByteArray& password)
{
    TableFileWriter writer(path, structure, password);
    writer.commit();
}

} // namespace engine
