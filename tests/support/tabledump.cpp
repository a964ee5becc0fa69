#include "tabledump.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <stdexcept>

namespace tabletest {

namespace {

class Db {
public:
    explicit Db(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            throw std::runtime_error("cannot open " + path.toStdString());
        }
    }
    ~Db() { sqlite3_close(m_db); }
    sqlite3* get() const { return m_db; }

    sqlite3_stmt* prepare(const QByteArray& sql) const
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(m_db));
        }
        return st;
    }

private:
    sqlite3* m_db = nullptr;
};

QByteArray keyOrder(const Db& db)
{
    sqlite3_stmt* info = db.prepare("PRAGMA table_info(records)");
    QList<std::pair<int, QByteArray>> key;
    while (sqlite3_step(info) == SQLITE_ROW) {
        if (const int part = sqlite3_column_int(info, 5); part > 0) {
            key.append({part, '"' + QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(info, 1))) + '"'});
        }
    }
    sqlite3_finalize(info);
    std::sort(key.begin(), key.end());
    QByteArray order;
    for (const auto& part : key) {
        order += part.second + ", ";
    }
    return order + "rowid";
}

} // namespace

QByteArrayList dump(const QString& path)
{
    const Db db(path);
    sqlite3_stmt* st = db.prepare("SELECT * FROM records ORDER BY " + keyOrder(db));
    QByteArrayList lines;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QByteArray line;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const int type = sqlite3_column_type(st, i);
            line += QByteArray::number(type) + ':';
            if (type != SQLITE_NULL) {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
                line += QByteArray(bytes, sqlite3_column_bytes(st, i)).toHex();
            }
            line += '|';
        }
        lines.append(line);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return lines;
}

QByteArray digest(const QString& path)
{
    return QCryptographicHash::hash(dump(path).join('\n'), QCryptographicHash::Sha1).toHex();
}

qint64 countRecords(const QString& path)
{
    const Db db(path);
    sqlite3_stmt* st = db.prepare("SELECT count(*) FROM records");
    const qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

QList<qint64> integers(const QString& path, const QByteArray& sql)
{
    const Db db(path);
    sqlite3_stmt* st = db.prepare(sql);
    QList<qint64> out;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        out.append(sqlite3_column_int64(st, 0));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return out;
}

void execute(const QString& path, const QByteArray& sql)
{
    const Db db(path);
    char* message = nullptr;
    if (sqlite3_exec(db.get(), sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error("cannot run " + sql.toStdString() + ": " + text);
    }
}

int rootPage(const QString& path, const QByteArray& name)
{
    const Db db(path);
    sqlite3_stmt* st = db.prepare("SELECT rootpage FROM sqlite_schema WHERE name = '" + name + "'");
    const int page = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    return page;
}

QList<int> leafPages(const QString& path, const QByteArray& name)
{
    const Db db(path);
    sqlite3_stmt* st =
        db.prepare("SELECT pageno FROM dbstat WHERE name = '" + name + "' AND pagetype = 'leaf' ORDER BY pageno");
    QList<int> pages;
    while (sqlite3_step(st) == SQLITE_ROW) {
        pages.append(sqlite3_column_int(st, 0));
    }
    sqlite3_finalize(st);
    return pages;
}

namespace {

int pageSize(const QString& path)
{
    const Db db(path);
    sqlite3_stmt* st = db.prepare("PRAGMA page_size");
    const int size = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 4096;
    sqlite3_finalize(st);
    return size;
}

void overwritePages(const QString& path, const QList<int>& pages, char byte)
{
    const int size = pageSize(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) {
        throw std::runtime_error("cannot damage " + path.toStdString());
    }
    for (const int page : pages) {
        if (!f.seek(qint64(page - 1) * size) || f.write(QByteArray(size, byte)) != size) {
            throw std::runtime_error("cannot damage " + path.toStdString());
        }
    }
}

} // namespace

void zeroPage(const QString& path, int page)
{
    overwritePages(path, {page}, '\0');
}

void damagePages(const QString& path, const QList<int>& pages)
{
    overwritePages(path, pages, '\xa5');
}

void copyFiles(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to)) {
        throw std::runtime_error("cannot make " + to.toStdString());
    }
    for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files)) {
        if (!QFile::copy(f.filePath(), QDir(to).filePath(f.fileName()))) {
            throw std::runtime_error("cannot copy " + f.filePath().toStdString());
        }
    }
}

} // namespace tabletest
