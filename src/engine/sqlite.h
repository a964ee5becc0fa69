#pragma once

// Thin RAII wrappers over the SQLite C interface, used inside the engine only.

#include "error.h"
#include "structure.h"

#include <functional>
#include <memory>
#include <QObject>
#include <QString>
#include <sqlite3.h>
#include <string>
#include <unordered_map>

namespace engine::sql {

class Statement final {
public:
    Statement() = default;
    Statement(sqlite3* db, const QByteArray& sql, bool persistent = false);
    Statement(Statement&& o) noexcept : m_stmt(std::exchange(o.m_stmt, nullptr)) {}
    Statement& operator=(Statement&& o) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // 1-based. Bytes go in as text, so text comparisons and collations apply, or as a blob for
    // the large fields, whose bytes (pictures included) must come back exactly.
    void bind(int index, const Value& v, bool asBlob = false);
    bool step();                   // true while a row is there
    void reset();                  // also releases the read lock the statement held
    Value column(int index) const; // 0-based
    qint64 columnInteger(int index) const { return sqlite3_column_int64(m_stmt, index); }
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Resets a statement borrowed from a cache when the borrower is done, whatever happens.
class StatementUse final {
public:
    explicit StatementUse(Statement& s) : m_s(s) {}
    ~StatementUse() { m_s.reset(); }
    Statement* operator->() { return &m_s; }
    Statement& operator*() { return m_s; }

private:
    Statement& m_s;
};

// One open table file: its connection, structure and prepared statements. Every table object
// over the same file shares one, so a write is seen by all of them at once.
class Database final {
public:
    enum class Mode { OpenExisting, Create };
    Database(const QString& path, Mode mode); // throws
    ~Database();
    // Opens the file at the same path anew, after it was replaced by a rebuilt one: every table
    // object sharing this connection reads the new file from its next access. Throws when the
    // new file cannot be opened (for writing); the connection then stays on the file it had, and
    // its next access follows the path to the new one.
    void reopen();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return m_db; }
    const QString& path() const { return m_path; }
    const TableStructure& structure() const { return m_structure; }
    // The field that is SQLite's row id (a single integer key), or -1.
    int rowidColumn() const { return m_rowidColumn; }
    // Prepared once per text and kept; callers reset it after use (StatementUse). Runs inside
    // the read transaction of beginRead.
    Statement& cached(const QByteArray& sql);
    void exec(const char* sql);

    // Reads share one read transaction: starting one for every read costs file locks and
    // checks that would take most of the time of a walk through a table. It lasts until the
    // program's event loop next runs, that is until the user's action is handled (or until a
    // write of ours): between the user's actions other programs may write the file. Without an
    // event loop (tools, benchmarks) it lasts until the next write or the end.
    // Starting one also finds whether another program wrote the file since our last read, and
    // then counts that as a change (generation()); and whether another program put a new file
    // at the path (a backup tool restoring a table by renaming it over the old one), which the
    // open connection would never see: it then reads the new file (followReplacement()).
    void beginRead();

    // A file put at the path in place of the one open is opened instead when it passes the checks
    // of opening (a table file, not cut short, under the session's password, with the fields and
    // key of the file it replaces); otherwise the connection stays on the old file and the
    // failure is thrown, the same as opening the new file would throw it. Nothing is done while
    // a transaction or a statement of this connection is under way: the next read checks again.
    // The rebuild takes a file cut short, to save what it holds.
    enum class CutShort { Refused, Taken };
    void followReplacement(CutShort cutShort = CutShort::Refused);
    // The check of the session's password that a file put in place must pass; throws.
    void setAdmission(std::function<void(const Database&)> admit) { m_admit = std::move(admit); }

    // Counts the files opened at the path after the first: rebuilds put in place (reopen()) and
    // files put there by other programs. What was prepared for one file is made again.
    quint64 opening() const { return m_opening; }
    // Counts the files put in place by other programs. A record's row id means nothing in
    // another file, so a write that names a record read before the count moved is refused.
    quint64 replacements() const { return m_replacements; }
    // Counts the changes other programs made: writes to the file and files put in its place.
    quint64 outsideChanges() const { return m_outsideChanges; }

    // The stored verifier of the tables' password, checked against each password given.
    bool acceptsPassword(const QList<QByteArray>& passwords) const;

    // Counts the changes to the file: the writes made through this connection, and those of
    // other programs as found when a read begins. Cursors and caches read again when it moves.
    quint64 generation() const { return m_generation; }
    void changed() { ++m_generation; }

private:
    friend class Transaction;
    void openHandle(Mode mode);
    void readStructure();
    void endRead();
    void closeHandle();
    bool replacedOnDisk() const;
    bool movedAway() const { return m_watched && replacedOnDisk(); }
    void takeFile(Database& fresh);

    QString m_path;
    sqlite3* m_db = nullptr;
    TableStructure m_structure;
    int m_rowidColumn = -1;
    struct Hash {
        size_t operator()(const QByteArray& b) const { return qHash(b); }
    };
    std::unordered_map<QByteArray, std::unique_ptr<Statement>, Hash> m_statements;
    quint64 m_generation = 0;
    bool m_reading = false; // a read transaction of ours is open
    // What SQLite counts of other connections' writes (PRAGMA data_version); -1 before the first read.
    std::unique_ptr<Statement> m_dataVersion;
    qint64 m_seenVersion = -1;
    // Ends the read transaction from the event loop; gone with the connection, and its timers with it.
    std::unique_ptr<QObject> m_readEnder;
    // The file the connection has open, as the system names it: taken from the path just before
    // opening, so a file put in place meanwhile is found at the next check, never missed.
    QByteArray m_native;
    bool m_watched = false; // a file made here (Create) is ours alone
    quint64 m_device = 0;
    quint64 m_inode = 0;
    std::function<void(const Database&)> m_admit;
    quint64 m_opening = 0;
    quint64 m_replacements = 0;
    quint64 m_outsideChanges = 0;
};

// A write transaction: rolled back unless committed, so a failed write leaves the file as it was.
// A write into a file that another program replaced meanwhile fails (Error::Kind::Replaced): it
// would have gone into the old file, gone from the folder.
class Transaction final {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& m_database;
    sqlite3* m_db = nullptr;
    bool m_done = false;
};

// Names used inside every table file.
inline constexpr const char* RecordsTable = "records";
inline constexpr const char* MetaTable = "korvelin_meta";

QByteArray quotedName(const QByteArray& name); // "name" for SQL text
QByteArray declaredType(const FieldDef& field);
QByteArray passwordVerifier(const QByteArray& salt, const QByteArray& password);
QString lastError(sqlite3* db);

// What a failure means to the user, from SQLite's result code (primary or extended) and the
// system's error number behind it, or from the system's error number alone for the files the
// engine writes itself.
Error::Kind errorKind(int rc, int systemError = 0);
Error::Kind systemErrorKind(int error);
// The file a failure of `kind` on the table `file` is told of: for a link, whichever of the
// table's name and the journal SQLite keeps beside it is the link; else the table.
QString failedFile(Error::Kind kind, const QString& file);
// Why no table file is found at `path`: it is missing, or the folder it would lie in may not be
// read, which hides whatever it holds (the error then names the folder).
Error notFound(const QString& path);
// The system's error number behind the last failure of a connection's file I/O; 0 when none is
// known.
int systemError(sqlite3* db);
// The file of a connection; empty for none.
QString fileOf(sqlite3* db);
// True when the table file is shorter than its header says: it has lost its end (a copy or a
// download cut short). SQLite finds that out only when it reads a missing page, which may be deep
// into a walk through the table; the header tells at once. While a journal lies beside the file,
// an interrupted write is still to be rolled back and the header may speak of pages the rollback
// takes away: then it is not judged here. `what` says how much is missing.
bool cutShort(const QString& path, QString* what);
// Throws the failure of a call on `db` that returned `rc`, classified and naming the file:
// "<what> (<file>): <SQLite's text>".
[[noreturn]] void raise(sqlite3* db, int rc, const QString& what);

} // namespace engine::sql
