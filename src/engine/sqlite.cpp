#include "sqlite.h"

#include "files.h"

#include <cerrno>
#include <dirent.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine::sql {

QString lastError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

Error::Kind errorKind(int rc, int osError)
{
    // SQLite refuses to write a file that was renamed or deleted under its connection: another
    // program put a new file at the path, and the write would have gone to the old one.
    if (rc == SQLITE_READONLY_DBMOVED) {
        return Error::Kind::Replaced;
    }
    if (rc == SQLITE_CANTOPEN_SYMLINK) {
        return Error::Kind::Link;
    }
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        return Error::Kind::NotATable;
    case SQLITE_CORRUPT:
        return Error::Kind::Damaged;
    case SQLITE_FULL:
        return Error::Kind::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Error::Kind::ReadOnly;
    case SQLITE_CANTOPEN: {
        // The file is there (that is checked first), but may not be opened: the system's error
        // tells whether for want of permission, because the disk failed, or because a link
        // stands in the place of a journal (SQLite opens those with O_NOFOLLOW, so it fails
        // them with ELOOP, a link to nothing too).
        const Error::Kind kind = systemErrorKind(osError);
        return kind == Error::Kind::Other || kind == Error::Kind::Missing ? Error::Kind::ReadOnly : kind;
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error::Kind::Locked;
    case SQLITE_IOERR:
        // A page that cannot be read is a damaged file to the user; a failed write or sync is
        // not the file's fault.
        if (rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ) {
            return Error::Kind::Damaged;
        }
        // SQLite calls only a write that stopped short a full disk; one that failed outright
        // tells why through the system's error (no space, a quota, a file size limit, no
        // permission); any other is the disk's own failure.
        switch (const Error::Kind kind = systemErrorKind(osError)) {
        case Error::Kind::DiskFull:
        case Error::Kind::ReadOnly:
            return kind;
        default:
            return Error::Kind::Io;
        }
    default:
        return Error::Kind::Other;
    }
}

Error::Kind systemErrorKind(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Error::Kind::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
        return Error::Kind::ReadOnly;
    case ENOENT:
        return Error::Kind::Missing;
    case EIO:
        return Error::Kind::Io;
    case ELOOP:
        return Error::Kind::Link;
    default:
        return Error::Kind::Other;
    }
}

QString failedFile(Error::Kind kind, const QString& file)
{
    if (kind != Error::Kind::Link || file.isEmpty()) {
        return file;
    }
    for (const QString& name : {file, file + QStringLiteral("-journal"), file + QStringLiteral("-wal")}) {
        if (platform::isSymLink(name)) {
            return name;
        }
    }
    return file;
}

Error notFound(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    struct stat st {};
    const bool hidden = ::stat(QFile::encodeName(path).constData(), &st) != 0 && (errno == EACCES || errno == EPERM);
    DIR* listing = hidden ? nullptr : ::opendir(QFile::encodeName(folder).constData());
    if (hidden || (listing == nullptr && (errno == EACCES || errno == EPERM))) {
        return Error(Error::Kind::FolderUnreadable, folder,
                     QStringLiteral("The folder of table file %1 may not be read").arg(path));
    }
    if (listing != nullptr) {
        ::closedir(listing);
    }
    return Error(Error::Kind::Missing, path, QStringLiteral("Table file does not exist: %1").arg(path));
}

QString fileOf(sqlite3* db)
{
    const char* name = db ? sqlite3_db_filename(db, "main") : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

int systemError(sqlite3* db)
{
    if (db == nullptr) {
        return 0;
    }
    if (const int error = sqlite3_system_errno(db); error != 0) {
        return error;
    }
    // A failed write leaves its reason with the file it went to: the table file, or its journal.
    int error = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &error);
    if (error == 0) {
        sqlite3_file* journal = nullptr;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal);
        if (journal != nullptr && journal->pMethods != nullptr) {
            journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &error);
        }
    }
    return error;
}

void raise(sqlite3* db, int rc, const QString& what)
{
    const QString file = fileOf(db);
    const QString text = db ? lastError(db) : QString::fromUtf8(sqlite3_errstr(rc));
    const Error::Kind kind = errorKind(rc, systemError(db));
    throw Error(kind, failedFile(kind, file), QStringLiteral("%1 (%2): %3").arg(what, file, text));
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
        // Preparing reads the file's schema: a damaged file or one that is no table fails here.
        raise(db, rc, QStringLiteral("Cannot prepare a table query"));
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
    sqlite3* db = sqlite3_db_handle(m_stmt);
    const QString file = fileOf(db);
    const QString message = lastError(db);
    const Error::Kind kind = errorKind(rc, systemError(db));
    sqlite3_reset(m_stmt);
    throw Error(kind, failedFile(kind, file), QStringLiteral("Table access failed (%1): %2").arg(file, message));
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

bool cutShort(const QString& path, QString* what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || QFileInfo::exists(path + QStringLiteral("-journal"))) {
        return false;
    }
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0"))) {
        return false; // not for this check to judge
    }
    const auto be32 = [&](int at) {
        return quint32(quint8(header[at])) << 24 | quint32(quint8(header[at + 1])) << 16 |
               quint32(quint8(header[at + 2])) << 8 | quint32(quint8(header[at + 3]));
    };
    const quint32 rawPageSize = quint32(quint8(header[16])) << 8 | quint8(header[17]);
    const qint64 pageSize = rawPageSize == 1 ? 65536 : rawPageSize;
    // The page count is valid only while the change counter matches the number beside it.
    if (pageSize < 512 || be32(24) != be32(92)) {
        return false;
    }
    const qint64 expected = qint64(be32(28)) * pageSize;
    if (file.size() >= expected) {
        return false;
    }
    *what = QStringLiteral("%1 of its %2 bytes are there").arg(file.size()).arg(expected);
    return true;
}

Database::Database(const QString& path, Mode mode) : m_path(path)
{
    openHandle(mode);
}

void Database::openHandle(Mode mode)
{
    const QString& path = m_path;
    m_native = QFileInfo(path).absoluteFilePath().toUtf8();
    const QByteArray& native = m_native;
    const int flags = mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READWRITE;
    if (mode == Mode::OpenExisting && !QFileInfo(path).isFile()) {
        throw notFound(path);
    }
    m_watched = mode == Mode::OpenExisting;
    if (struct stat st{}; m_watched && ::stat(native.constData(), &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
    if (const int rc = sqlite3_open_v2(native.constData(), &m_db, flags, nullptr); rc != SQLITE_OK) {
        const QString message = m_db ? lastError(m_db) : QStringLiteral("out of memory");
        // The system's reason tells a file that may not be opened from a disk that failed. SQLite
        // falls back to reading a file it may not write, so a refusal here means it may not even
        // be read.
        const int error = systemError(m_db);
        const bool refused = (rc & 0xff) == SQLITE_CANTOPEN && (error == EACCES || error == EPERM);
        const Error::Kind kind = refused ? Error::Kind::Unreadable : errorKind(rc, error);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error(kind, failedFile(kind, path), QStringLiteral("Cannot open table file %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 2000);
    // When the system refuses to open the file for writing, SQLite opens it for reading without a
    // word. That is right for a file that may not be written; for any other refusal (a disk error)
    // a table taken read-only would fail its next write with a wrong cause. The file is tried for
    // writing once more to tell which.
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        const Error::Kind kind = fd >= 0 ? Error::Kind::Io : systemErrorKind(error);
        if (kind != Error::Kind::ReadOnly) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw Error(kind == Error::Kind::Other ? Error::Kind::Io : kind, path,
                        QStringLiteral("Cannot open table file %1 for writing: %2")
                            .arg(path, fd >= 0 ? QStringLiteral("the disk failed") : qt_error_string(error)));
        }
    }
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
    // The new file is opened before the old one is let go: when it cannot be opened, this
    // connection stays whole on the file it had, and the next access follows the path again.
    Database fresh(m_path, Mode::OpenExisting);
    takeFile(fresh);
}

Database::~Database()
{
    closeHandle();
}

void Database::closeHandle()
{
    m_statements.clear();
    m_dataVersion.reset();
    m_seenVersion = -1;
    endRead();
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool Database::replacedOnDisk() const
{
    struct stat st {};
    // A path that no longer leads to a file is no longer this file either: opening it tells why.
    return ::stat(m_native.constData(), &st) != 0 || quint64(st.st_dev) != m_device || quint64(st.st_ino) != m_inode;
}

void Database::followReplacement(CutShort cutShort)
{
    if (!m_watched || m_reading || !sqlite3_get_autocommit(m_db) || !replacedOnDisk()) {
        return;
    }
    // A statement still stepping reads the old file: closing it now would pull the file from
    // under the loop that steps it.
    for (sqlite3_stmt* s = sqlite3_next_stmt(m_db, nullptr); s != nullptr; s = sqlite3_next_stmt(m_db, s)) {
        if (sqlite3_stmt_busy(s)) {
            return;
        }
    }
    if (QString what; cutShort == CutShort::Refused && sql::cutShort(m_path, &what)) {
        throw Error(Error::Kind::Damaged, m_path,
                    QStringLiteral("Table file %1, put in place of the open one, is cut short: %2").arg(m_path, what));
    }
    Database fresh(m_path, Mode::OpenExisting);
    if (m_admit) {
        m_admit(fresh);
    }
    // Every table object on this connection was opened on the old file's fields, and a table
    // opened through its alias checked them against its record type.
    if (const RecordTypeDifference d = recordTypeDifference(m_structure, fresh.m_structure); !d.field.isEmpty()) {
        throw Error(
            Error::Kind::Fields, m_path,
            QStringLiteral("Table file %1, put in place of the open one, has other fields: %2").arg(m_path, d.what),
            d.field);
    }
    takeFile(fresh);
    ++m_replacements;
    ++m_outsideChanges;
}

void Database::takeFile(Database& fresh)
{
    closeHandle();
    m_db = std::exchange(fresh.m_db, nullptr);
    m_structure = std::move(fresh.m_structure);
    m_rowidColumn = fresh.m_rowidColumn;
    m_device = fresh.m_device;
    m_inode = fresh.m_inode;
    ++m_opening;
    changed();
}

void Database::endRead()
{
    if (m_reading) {
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_reading = false;
    }
}

void Database::exec(const char* sql)
{
    char* message = nullptr;
    if (const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message); rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        const Error::Kind kind = errorKind(sqlite3_extended_errcode(m_db), systemError(m_db));
        throw Error(kind, failedFile(kind, m_path), QStringLiteral("Table file %1: %2").arg(m_path, text));
    }
}

void Database::beginRead()
{
    if (m_reading || !sqlite3_get_autocommit(m_db)) {
        return;
    }
    // Once per user action and file: one stat() of the path.
    followReplacement();
    exec("BEGIN");
    m_reading = true;
    if (QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        if (!m_readEnder) {
            m_readEnder = std::make_unique<QObject>();
        }
        QTimer::singleShot(0, m_readEnder.get(), [this] { endRead(); });
    }
    // Reading the counter takes the file's read lock, which is when SQLite finds out that
    // another connection wrote the file.
    if (!m_dataVersion) {
        m_dataVersion = std::make_unique<Statement>(m_db, "PRAGMA data_version", true);
    }
    const StatementUse read(*m_dataVersion);
    const qint64 version = m_dataVersion->step() ? m_dataVersion->columnInteger(0) : 0;
    if (m_seenVersion >= 0 && version != m_seenVersion) {
        ++m_outsideChanges;
        changed();
    }
    m_seenVersion = version;
}

Statement& Database::cached(const QByteArray& sql)
{
    beginRead();
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

static FieldDef fieldFromDeclared(const QString& file, const QByteArray& name, const QByteArray& declared)
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
        throw Error(Error::Kind::Fields, file,
                    QStringLiteral("Field %1 of %2 has an unknown type %3")
                        .arg(QString::fromLatin1(name), file, QString::fromLatin1(declared)),
                    name);
    }
    return f;
}

void Database::readStructure()
{
    {
        Statement check(m_db, "SELECT count(*) FROM sqlite_schema WHERE type='table' AND name IN ('records', "
                              "'korvelin_meta')");
        if (!check.step() || check.columnInteger(0) != 2) {
            throw Error(Error::Kind::NotATable, m_path, QStringLiteral("Not a table file: %1").arg(m_path));
        }
    }
    QList<std::pair<int, QByteArray>> keyParts;
    Statement info(m_db, "PRAGMA table_info(records)");
    while (info.step()) {
        const QByteArray name = info.column(1).toText();
        m_structure.fields.append(fieldFromDeclared(m_path, name, info.column(2).toText()));
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

Transaction::Transaction(Database& db) : m_database(db)
{
    db.endRead();
    // A file put in place since the last read takes the write: the old one is gone from the folder.
    db.followReplacement();
    m_db = db.handle();
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        raise(m_db, sqlite3_extended_errcode(m_db), QStringLiteral("Cannot start a write"));
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
    // SQLite notices a file renamed away at the first write of a transaction only: one put in
    // place later takes nothing of the writes that follow, which go into the old file.
    const auto replaced = [this] {
        const QString& file = m_database.path();
        return Error(
            Error::Kind::Replaced, file,
            QStringLiteral("Cannot complete a write (%1): another program put a new file in its place").arg(file));
    };
    if (m_database.movedAway()) {
        throw replaced(); // rolled back
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        raise(m_db, sqlite3_extended_errcode(m_db), QStringLiteral("Cannot complete a write"));
    }
    m_done = true;
    if (m_database.movedAway()) {
        throw replaced(); // the old file took it just before it was replaced
    }
}

} // namespace engine::sql
