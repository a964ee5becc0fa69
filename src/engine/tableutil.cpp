#include "tableutil.h"

#include "error.h"
#include "files.h"
#include "searchcopy.h"
#include "session.h"
#include "sqlite.h"
#include "table.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace engine {

using platform::isSymLink;
using platform::syncFolder;

namespace {

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Connection = std::unique_ptr<sqlite3, CloseConnection>;

Connection openConnection(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    Connection owned(db);
    if (rc != SQLITE_OK) {
        // The system's reason tells a file that may not be opened from a disk that failed.
        throw Error(
            sql::errorKind(rc, sql::systemError(db)), path,
            QStringLiteral("Cannot open %1: %2").arg(path, db ? sql::lastError(db) : QStringLiteral("no memory")));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 2000);
    return owned;
}

void exec(sqlite3* db, const QByteArray& sqlText)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sqlText.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        throw Error(sql::errorKind(sqlite3_extended_errcode(db), sql::systemError(db)), sql::fileOf(db),
                    QStringLiteral("%1 (%2)").arg(text, QString::fromUtf8(sqlText.left(60))));
    }
}

// Puts the file's bytes on disk before its name is given to it: a rename of a file still in the
// page cache can survive a power cut that its contents do not.
void syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!ok) {
        throw Error(sql::systemErrorKind(error), path,
                    QStringLiteral("Cannot write %1 to disk: %2").arg(path, qt_error_string(error)));
    }
}

// Removes the name itself: a symbolic link goes, never what it points to, also when that is
// missing. False when there was nothing of that name.
bool removeFile(const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0) {
        return true;
    }
    const int error = errno;
    if (error == ENOENT) {
        return false;
    }
    throw Error(sql::systemErrorKind(error), path,
                QStringLiteral("Cannot remove %1: %2").arg(path, qt_error_string(error)));
}

// Whether anything carries the name, a symbolic link to nothing included.
bool nameTaken(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 || errno != ENOENT;
}

struct Column {
    QByteArray name;
    QByteArray declared;
    int keyPart = 0; // 1-based place in the primary key, 0 when not in it
};

QList<Column> columnsOf(sqlite3* db, const QByteArray& schema = "main")
{
    QList<Column> columns;
    sql::Statement info(db, "PRAGMA " + schema + ".table_info(records)");
    while (info.step()) {
        columns.append({info.column(1).toText(), info.column(2).toText(), int(info.columnInteger(5))});
    }
    return columns;
}

bool isNumeric(const Column& c)
{
    const QByteArray d = c.declared.toUpper();
    return d == "INTEGER" || d == "FLOAT";
}

// A single INTEGER key is the row id itself and can be neither missing nor repeated.
bool hasRowidKey(const QList<Column>& columns)
{
    int parts = 0;
    bool integer = false;
    for (const Column& c : columns) {
        if (c.keyPart > 0) {
            ++parts;
            integer = c.declared.toUpper() == "INTEGER";
        }
    }
    return parts == 1 && integer;
}

// Records the program cannot read: text that is not a number in a number field (reading it as a
// number fails) and, for other keys, a key part left empty.
QByteArray misfitCondition(const QList<Column>& columns)
{
    QByteArray condition;
    for (const Column& c : columns) {
        if (isNumeric(c)) {
            const QByteArray name = sql::quotedName(c.name);
            condition += (condition.isEmpty() ? "" : " OR ") + QByteArray("(typeof(") + name + ") = 'text' AND trim(" +
                         name + ") <> '')";
        }
    }
    return condition;
}

QByteArray missingKeyCondition(const QList<Column>& columns)
{
    if (hasRowidKey(columns)) {
        return {};
    }
    QByteArray condition;
    for (const Column& c : columns) {
        if (c.keyPart > 0) {
            condition += (condition.isEmpty() ? "" : " OR ") + sql::quotedName(c.name) + " IS NULL";
        }
    }
    return condition;
}

qint64 count(sqlite3* db, const QByteArray& sqlText)
{
    sql::Statement st(db, sqlText);
    return st.step() ? st.columnInteger(0) : 0;
}

Verification check(sqlite3* db)
{
    Verification v;
    try {
        sql::Statement integrity(db, "PRAGMA integrity_check(20)");
        while (integrity.step()) {
            const QByteArray line = integrity.column(0).toText();
            if (line != "ok") {
                v.findings << QString::fromUtf8(line);
            }
        }
    } catch (const Error& e) {
        v.level = 2;
        v.findings << e.message();
        return v;
    }
    if (!v.findings.isEmpty()) {
        v.level = 3;
    }
    try {
        const QList<Column> columns = columnsOf(db);
        v.records = count(db, "SELECT count(*) FROM records");
        if (const QByteArray misfit = misfitCondition(columns); !misfit.isEmpty()) {
            if (const qint64 n = count(db, "SELECT count(*) FROM records WHERE " + misfit); n > 0) {
                v.level = 3;
                v.findings << QStringLiteral("%1 records hold values that do not fit their fields").arg(n);
            }
        }
        if (const QByteArray missing = missingKeyCondition(columns); !missing.isEmpty()) {
            if (const qint64 n = count(db, "SELECT count(*) FROM records WHERE " + missing); n > 0) {
                v.level = 3;
                v.findings << QStringLiteral("%1 records have no key").arg(n);
            }
        }
    } catch (const Error& e) {
        v.level = std::max(v.level, 2);
        v.records = -1;
        v.findings << e.message();
    }
    return v;
}

// ---------------------------------------------------------------------------------------------
// The salvage of a damaged table: every record that can be read is copied one by one.

// A table file of the same fields without a key, for the records a salvage puts aside. It is
// made only when the first such record comes, and put in place when complete.
class SideFile final {
public:
    SideFile(QString path, sqlite3* meta, const QList<Column>& columns)
        : m_path(std::move(path)), m_meta(meta), m_columns(columns)
    {
    }

    void add(sqlite3_stmt* row, int firstColumn)
    {
        if (!m_db) {
            create();
        }
        for (int i = 0; i < m_columns.size(); ++i) {
            sqlite3_bind_value(m_insert.handle(), i + 1, sqlite3_column_value(row, firstColumn + i));
        }
        m_insert.step();
        m_insert.reset();
        ++m_count;
    }

    int count() const { return m_count; }

    void commit()
    {
        if (!m_db) {
            return;
        }
        m_insert = {};
        exec(m_db.get(), "COMMIT");
        m_db.reset();
        syncFile(m_path + QStringLiteral(".part"));
        if (std::rename(QFile::encodeName(m_path + QStringLiteral(".part")).constData(),
                        QFile::encodeName(m_path).constData()) != 0) {
            throw Error(QStringLiteral("Cannot put %1 in place").arg(m_path));
        }
    }

    ~SideFile()
    {
        if (m_db) {
            m_insert = {};
            m_db.reset();
            QFile::remove(m_path + QStringLiteral(".part"));
        }
    }

private:
    void create()
    {
        const QString part = m_path + QStringLiteral(".part");
        removeFile(part);
        m_db = openConnection(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        exec(m_db.get(), "PRAGMA journal_mode=OFF");
        exec(m_db.get(), "PRAGMA synchronous=OFF");
        QByteArray create = "CREATE TABLE records (";
        QByteArray marks;
        for (int i = 0; i < m_columns.size(); ++i) {
            create += (i ? ", " : "") + sql::quotedName(m_columns[i].name) + ' ' + m_columns[i].declared;
            marks += (i ? ",?" : "?") + QByteArray::number(i + 1);
        }
        exec(m_db.get(), create + ')');
        exec(m_db.get(), "CREATE TABLE korvelin_meta (key TEXT PRIMARY KEY, value BLOB)");
        exec(m_db.get(), "BEGIN");
        // The same password verifier as the table's, so the file opens as any table does.
        sql::Statement read(m_meta, "SELECT key, value FROM korvelin_meta");
        sql::Statement write(m_db.get(), "INSERT INTO korvelin_meta VALUES (?1, ?2)");
        while (read.step()) {
            sqlite3_bind_value(write.handle(), 1, sqlite3_column_value(read.handle(), 0));
            sqlite3_bind_value(write.handle(), 2, sqlite3_column_value(read.handle(), 1));
            write.step();
            write.reset();
        }
        m_insert = sql::Statement(m_db.get(), "INSERT INTO records VALUES (" + marks + ')');
    }

    QString m_path;
    sqlite3* m_meta; // a connection to a file that holds the table's password verifier
    QList<Column> m_columns;
    Connection m_db;
    sql::Statement m_insert;
    int m_count = 0;
};

struct Salvage {
    qint64 copied = 0;
    std::vector<qint64> read; // the row ids of every record read, copied or put aside
    QStringList findings;
    // Put in place only once the copy has passed its verification.
    std::unique_ptr<SideFile> keyViolations;
    std::unique_ptr<SideFile> problems;
};

// Steps `rows` on. A read that fails (a damaged page) ends the walk and its reason is returned;
// whatever the caller then does with the row, a failure to write it (a full disk) is no read's and
// goes on to the caller's caller with its own cause.
std::optional<Error> stepRead(sql::Statement& rows, bool* more)
{
    try {
        *more = rows.step();
        return std::nullopt;
    } catch (const Error& e) {
        *more = false;
        return e;
    }
}

// Copies every row of `table` that `read` gives into the same table of `write`; the reason a read
// failed, when one did.
std::optional<Error> copyRows(sqlite3* read, sqlite3* write, const QByteArray& table)
{
    std::optional<sql::Statement> from;
    try {
        from.emplace(read, "SELECT * FROM " + sql::quotedName(table));
    } catch (const Error& e) {
        return e;
    }
    const int columns = sqlite3_column_count(from->handle());
    QByteArray marks;
    for (int i = 1; i <= columns; ++i) {
        marks += (i > 1 ? ",?" : "?") + QByteArray::number(i);
    }
    sql::Statement to(write, "INSERT OR REPLACE INTO " + sql::quotedName(table) + " VALUES (" + marks + ')');
    for (bool more = true;;) {
        if (std::optional<Error> failed = stepRead(*from, &more); failed || !more) {
            return failed;
        }
        for (int i = 0; i < columns; ++i) {
            sqlite3_bind_value(to.handle(), i + 1, sqlite3_column_value(from->handle(), i));
        }
        to.step();
        to.reset();
    }
}

// The damaged file is read through a connection of its own: after a read of a broken page that
// connection may refuse everything, and the copy's writes must not go down with it.
Salvage salvageInto(const QString& livePath, const RebuildFiles& files)
{
    Salvage result;
    Connection liveConnection = openConnection(livePath, SQLITE_OPEN_READONLY);
    sqlite3* live = liveConnection.get();
    Connection copy = openConnection(files.copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3* db = copy.get();
    exec(db, "PRAGMA journal_mode=OFF");
    exec(db, "PRAGMA synchronous=OFF");
    struct Object {
        QByteArray type;
        QByteArray name;
        QByteArray sql;
    };
    QList<Object> objects;
    {
        sql::Statement schema(live, "SELECT type, name, sql FROM sqlite_schema WHERE sql IS NOT NULL AND name NOT "
                                    "LIKE 'sqlite_%' ORDER BY rowid");
        while (schema.step()) {
            objects.append({schema.column(0).toText(), schema.column(1).toText(), schema.column(2).toText()});
        }
    }
    const auto exists = [db](const QByteArray& name) {
        sql::Statement st(db, "SELECT count(*) FROM sqlite_schema WHERE name = ?1");
        st.bind(1, Value(name));
        return st.step() && st.columnInteger(0) > 0;
    };
    exec(db, "BEGIN");
    // Tables first (a virtual table makes its own shadow tables), then the records, then the
    // indexes, so they are built from the records that made it.
    for (const Object& o : objects) {
        if (o.type == "table" && !exists(o.name)) {
            exec(db, o.sql);
        }
    }
    for (const Object& o : objects) {
        if (o.type == "table" && o.name != "records" && !o.sql.toUpper().startsWith("CREATE VIRTUAL")) {
            const std::optional<Error> unread = copyRows(live, db, o.name);
            if (unread && !o.name.startsWith("korvelin_copy_")) {
                throw *unread;
            }
            // Search copies only save time: those that cannot be read are made again when needed.
            if (unread) {
                result.findings << QStringLiteral("Search copies could not all be read: %1").arg(unread->message());
            }
        }
    }

    const QList<Column> columns = columnsOf(live);
    QByteArray names;
    QByteArray marks;
    for (int i = 0; i < columns.size(); ++i) {
        names += ", " + sql::quotedName(columns[i].name);
        marks += ",?" + QByteArray::number(i + 2);
    }
    const QByteArray misfit = misfitCondition(columns);
    const QByteArray missing = missingKeyCondition(columns);
    const QByteArray flags =
        ", " + (misfit.isEmpty() ? QByteArray("0") : misfit) + ", " + (missing.isEmpty() ? QByteArray("0") : missing);
    sql::Statement insert(db, "INSERT INTO records (rowid" + names + ") VALUES (?1" + marks + ')');
    result.keyViolations = std::make_unique<SideFile>(files.keyViolations, db, columns);
    result.problems = std::make_unique<SideFile>(files.problems, db, columns);
    SideFile& keyViolations = *result.keyViolations;
    SideFile& problems = *result.problems;

    // Column 0 is the row id, then the fields, then the two tests.
    const int misfitColumn = int(columns.size()) + 1;
    const auto take = [&](sql::Statement& row) {
        result.read.push_back(row.columnInteger(0));
        if (sqlite3_column_int(row.handle(), misfitColumn) != 0) {
            problems.add(row.handle(), 1);
            return;
        }
        if (sqlite3_column_int(row.handle(), misfitColumn + 1) != 0) {
            keyViolations.add(row.handle(), 1);
            return;
        }
        for (int i = 0; i <= columns.size(); ++i) {
            sqlite3_bind_value(insert.handle(), i + 1, sqlite3_column_value(row.handle(), i));
        }
        const int rc = sqlite3_step(insert.handle());
        sqlite3_reset(insert.handle());
        if ((rc & 0xff) == SQLITE_CONSTRAINT) {
            keyViolations.add(row.handle(), 1);
        } else if (rc != SQLITE_DONE) {
            sql::raise(db, rc, QStringLiteral("Cannot write the rebuilt copy"));
        } else {
            ++result.copied;
        }
    };
    // Forwards until the end or a page that cannot be read, then backwards from the end down to
    // the last record read, which saves the records behind a damaged stretch.
    // Only the reads are the damaged table's: a record that cannot be written into the copy (the
    // disk is full or fails) ends the salvage with that cause, not with the next read's.
    qint64 last = std::numeric_limits<qint64>::min();
    bool broken = false;
    {
        sql::Statement forward(live, "SELECT rowid" + names + flags + " FROM records ORDER BY rowid");
        for (bool more = true;;) {
            if (const std::optional<Error> failed = stepRead(forward, &more)) {
                broken = true;
                result.findings
                    << QStringLiteral("Records after row %1 could not be read: %2").arg(last).arg(failed->message());
            }
            if (!more) {
                break;
            }
            last = forward.columnInteger(0);
            take(forward);
        }
    }
    if (broken) {
        std::optional<sql::Statement> backward;
        std::optional<Error> failed;
        try {
            backward.emplace(live, "SELECT rowid" + names + flags + " FROM records WHERE rowid > ?1 ORDER BY rowid DESC");
            backward->bind(1, Value(last));
        } catch (const Error& e) {
            failed = e;
        }
        for (bool more = backward.has_value(); more;) {
            failed = stepRead(*backward, &more);
            if (more) {
                take(*backward);
            }
        }
        if (failed) {
            result.findings << QStringLiteral("Some records could not be read: %1").arg(failed->message());
        }
    }
    for (const Object& o : objects) {
        if (o.type != "table") {
            exec(db, o.sql);
        }
    }
    insert = {};
    exec(db, "COMMIT");
    return result;
}

// How many records a damaged table held, when counting its records failed: the row ids the
// salvage read, with those that its indexes still name. Exact only when one of its indexes could
// be read whole, as every record has an entry in each index. The search copies are no count of
// the records: a file repaired before may still keep copies of records it lost then.
std::pair<qint64, bool> countDamaged(const QString& livePath, const std::vector<qint64>& read)
{
    std::unordered_set<qint64> rowids(read.begin(), read.end());
    bool exact = false;
    try {
        Connection connection = openConnection(livePath, SQLITE_OPEN_READONLY);
        sqlite3* live = connection.get();
        QList<QByteArray> indexes;
        {
            sql::Statement list(live, "SELECT name FROM sqlite_schema WHERE type = 'index' AND tbl_name = 'records'");
            while (list.step()) {
                indexes.append(sql::quotedName(list.column(0).toText()));
            }
        }
        for (const QByteArray& index : indexes) {
            try {
                sql::Statement ids(live, "SELECT rowid FROM records INDEXED BY " + index);
                while (ids.step()) {
                    rowids.insert(ids.columnInteger(0));
                }
                exact = true;
            } catch (const Error&) {
                // A damaged index still gave the row ids read before the damage.
            }
        }
    } catch (const Error&) {
        // Nothing more could be counted than the records read.
    }
    return {qint64(rowids.size()), exact};
}

// Failures that are not the table's: the disk, the folder or another program.
bool isTheComputers(Error::Kind kind)
{
    return kind == Error::Kind::DiskFull || kind == Error::Kind::Io || kind == Error::Kind::ReadOnly ||
           kind == Error::Kind::Locked;
}

void vacuumInto(const QString& live, const QString& copy)
{
    Connection db = openConnection(live, SQLITE_OPEN_READONLY);
    sql::Statement vacuum(db.get(), "VACUUM INTO ?1");
    vacuum.bind(1, Value(QFile::encodeName(copy)));
    vacuum.step();
}

// The copy must open as a table file for the session's passwords, with the table's fields and
// key, and pass every check.
void verifyCopy(const QString& copy, const sql::Database& live, qint64 expectedRecords)
{
    sql::Database db(copy, sql::Database::Mode::OpenExisting);
    if (!db.acceptsPassword(session().passwords())) {
        throw Error(QStringLiteral("The rebuilt copy does not take the tables' password"));
    }
    if (!(db.structure() == live.structure())) {
        throw Error(QStringLiteral("The rebuilt copy has other fields than the table"));
    }
    const Verification v = check(db.handle());
    if (v.level != 0) {
        throw Error(
            QStringLiteral("The rebuilt copy failed its verification: %1").arg(v.findings.join(QStringLiteral("; "))));
    }
    if (v.records != expectedRecords) {
        throw Error(
            QStringLiteral("The rebuilt copy holds %1 records instead of %2").arg(v.records).arg(expectedRecords));
    }
}

// The table as it was stays as the backup: a second name for the same file when the file system
// allows it (nothing is copied), a copy otherwise.
void keepBackup(const QString& path, const QString& backup)
{
    removeFile(backup);
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) == 0) {
        return;
    }
    if (!QFile::copy(path, backup)) {
        throw Error(QStringLiteral("Cannot keep a backup of the table in %1").arg(backup));
    }
    syncFile(backup);
}

const QLatin1String OriginalMark(".Original-");
const QLatin1String PartSuffix(".part");

// The table as it was, when its rebuild leaves records out, under a name no one has used: the
// date and time, and a number when that name is taken. A second name for the same file when the
// file system allows it; else a copy, given its name only once it is on disk. Nothing of the
// program writes or removes such a file afterwards.
QString keepOriginal(const QString& path)
{
    const QFileInfo info(path);
    const QString stem =
        info.dir().filePath(info.completeBaseName() + OriginalMark +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1;; ++n) {
        const QString original = stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".db");
        if (::link(from.constData(), QFile::encodeName(original).constData()) == 0) {
            syncFolder(info.absolutePath());
            return original;
        }
        if (errno == EEXIST || nameTaken(original)) {
            continue;
        }
        const QString part = original + PartSuffix;
        removeFile(part);
        if (!QFile::copy(path, part)) {
            removeFile(part);
            throw Error(QStringLiteral("Cannot keep the original of the table in %1").arg(original));
        }
        syncFile(part);
        if (nameTaken(original) ||
            std::rename(QFile::encodeName(part).constData(), QFile::encodeName(original).constData()) != 0) {
            removeFile(part);
            throw Error(QStringLiteral("Cannot keep the original of the table in %1").arg(original));
        }
        syncFolder(info.absolutePath());
        return original;
    }
}


} // namespace

Verification verifyTableFile(const QString& path)
{
    const std::shared_ptr<sql::Database> db = session().database(path);
    return check(db->handle());
}

RebuildFiles rebuildFiles(const QString& path)
{
    const QFileInfo info(path);
    const auto beside = [&](const char* what) {
        return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + QLatin1String(what) +
                                   QStringLiteral(".db"));
    };
    return {beside("Rebuild"), beside("Backup"), beside("KEYVIOL"), beside("PROBLEM")};
}

RebuildResult rebuildTableFile(const QString& path)
{
    // Held for the whole rebuild: every table object open on the file shares this connection,
    // which reads the new file once it is in place.
    const std::shared_ptr<sql::Database> live = session().database(path);
    const QString file = live->path();
    const Verification verification = check(live->handle());
    RebuildResult result;
    result.findings = verification.findings;
    const RebuildFiles files = rebuildFiles(file);
    try {
        // A copy and its journal that a cut rebuild left would be taken for the new copy's.
        removeFile(files.copy);
        removeFile(files.copy + QStringLiteral("-journal"));
        qint64 expected = verification.records;
        Salvage salvage;
        bool copied = false;
        if (verification.level == 0) {
            try {
                vacuumInto(file, files.copy);
                copied = true;
            } catch (const Error& e) {
                removeFile(files.copy);
                // A sound table whose copy could not be written (no room, a failing disk, a folder
                // that may not be written) fails for that reason: salvaging it record by record
                // would meet the same disk and tell a later, wrong cause.
                if (isTheComputers(e.kind())) {
                    throw;
                }
                result.findings << e.message();
            }
        }
        result.held = verification.records;
        result.heldExact = verification.records >= 0;
        if (!copied) {
            salvage = salvageInto(file, files);
            result.salvaged = true;
            result.keyViolations = salvage.keyViolations->count();
            result.problems = salvage.problems->count();
            result.findings << salvage.findings;
            expected = salvage.copied;
            if (!result.heldExact) {
                std::tie(result.held, result.heldExact) = countDamaged(file, salvage.read);
            }
        }
        {
            // The copy's search copies hold exactly its records: those of records left out went
            // along with the rest of the file.
            sql::Database copy(files.copy, sql::Database::Mode::OpenExisting);
            searchcopy::settle(copy);
        }
        verifyCopy(files.copy, *live, expected);
        if (result.salvaged) {
            salvage.keyViolations->commit();
            salvage.problems->commit();
        }
        syncFile(files.copy);
        RebuildResult asRebuilt = result;
        asRebuilt.records = expected;
        if (asRebuilt.leavesRecordsOut()) {
            // Kept before the table's name goes to the copy: the records left out may still be
            // read from nowhere else, and the backup's name is taken by the next rebuild.
            result.original = keepOriginal(file);
        }
        keepBackup(file, files.backup);
        if (std::rename(QFile::encodeName(files.copy).constData(), QFile::encodeName(file).constData()) != 0) {
            throw Error(QStringLiteral("Cannot put the rebuilt table in place: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
        syncFolder(QFileInfo(file).absolutePath());
        result.records = expected;
    } catch (const Error& e) {
        QFile::remove(files.copy);
        result.error = e.message();
        result.errorKind = e.kind();
        return result;
    }
    live->reopen();
    result.rebuilt = true;
    return result;
}

namespace {

const char* const JournalSuffix = "-journal";

bool isTableFile(const QString& name)
{
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive);
}

// The rebuild's own files are tables too, by their names; only the live tables are rolled back
// and have rebuild files of their own.
bool isRebuildFile(const QString& path)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName());
    for (const QString& kind : {QStringLiteral(".Rebuild"), QStringLiteral(".Backup"), QStringLiteral(".KEYVIOL"),
                                QStringLiteral(".PROBLEM")}) {
        if (stem.endsWith(kind, Qt::CaseInsensitive)) {
            return true;
        }
    }
    static const QRegularExpression original(QStringLiteral("\\.Original-\\d{4}-\\d{2}-\\d{2}-\\d{6}(-\\d+)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return original.match(stem).hasMatch();
}

// A journal without its header's mark: empty, or its first bytes still zero.
bool holdsNothing(const QString& journal)
{
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = f.read(8);
    return header.count('\0') == header.size();
}

void removeInto(const QString& path, QStringList& removed)
{
    try {
        if (removeFile(path)) {
            removed << QFileInfo(path).fileName();
        }
    } catch (const Error&) {
        // What cannot be removed is tried again at the next clean-up.
    }
}

} // namespace

QStringList clearRebuildLeftovers(const QString& dataFolder)
{
    QStringList removed;
    const QDir data(dataFolder);
    const QStringList names =
        dataFolder.isEmpty() ? QStringList() : data.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = data.filePath(name);
        // The records a salvage was putting aside, or an original being copied, cut short.
        if (name.endsWith(PartSuffix, Qt::CaseInsensitive) && isTableFile(name.chopped(PartSuffix.size())) &&
            isRebuildFile(path.chopped(PartSuffix.size()))) {
            removeInto(path, removed);
            continue;
        }
        if (!isTableFile(name) || isRebuildFile(path)) {
            continue;
        }
        const RebuildFiles files = rebuildFiles(path);
        removeInto(files.copy, removed);
        removeInto(files.copy + QLatin1String(JournalSuffix), removed);

        // A table's name that is a link is never opened here: playing a journal back would write
        // into whatever file it points to, which is no table of this folder's to roll back.
        if (isSymLink(path)) {
            continue;
        }
        const QString journal = path + QLatin1String(JournalSuffix);
        if (isSymLink(journal)) {
            // No journal the engine writes is a link: what it points to is no one's to play back
            // into the table, nor to be written through.
            removeInto(journal, removed);
            continue;
        }
        if (!QFileInfo::exists(journal)) {
            continue;
        }
        try {
            Table table;
            table.setTableName(path);
            table.open();
        } catch (const Error&) {
            // A table that does not open is left to the program's own opening, which tells why.
            continue;
        }
        // The engine played a journal that held the table's old pages back into it and removed it.
        // One that stays was cut short before the table itself was written to (the journal is
        // marked valid only once it is on disk, before the first write to the table), so it holds
        // nothing to play back.
        if (!QFileInfo::exists(journal)) {
            removed << QFileInfo(journal).fileName();
        } else if (holdsNothing(journal)) {
            removeInto(journal, removed);
        }
    }
    return removed;
}

} // namespace engine
