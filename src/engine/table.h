#pragma once

// A table object: a cursor over one table file, with a filter, an order, an optional master
// link, and edits. Windows bind their controls to it and follow its signals.

#include "structure.h"

#include <functional>
#include <memory>
#include <QObject>
#include <QPointer>
#include <vector>

namespace engine {

namespace sql {
class Database;
}
class Error;
class Table;

// One field of a table object, by position; reads the current record (or the record being
// edited). An empty record set, a null value, or a table closed since the field was taken reads
// as "" and 0; text that is not a number throws engine::Error when read as a number.
class Field final {
public:
    Field(const Table* table, int index) : m_table(const_cast<Table*>(table)), m_index(index) {}

    int index() const { return m_index; }
    QByteArray name() const;
    FieldType type() const;

    Value value() const;
    bool isNull() const { return value().isNull(); }
    QByteArray asString() const { return value().toText(); } // a whole float prints as "2005"
    qint64 asInteger() const { return value().toInteger(); }
    double asFloat() const { return value().toFloat(); }
    QByteArray asBytes() const { return value().toText(); }

    // Only while the table is in edit or insert state.
    void setValue(const Value& v);
    void setAsString(const QByteArray& v) { setValue(Value(v)); }
    void setAsInteger(qint64 v) { setValue(Value(v)); }
    void setAsFloat(double v) { setValue(Value(v)); }
    void clear() { setValue(Value()); }

private:
    Table* m_table;
    int m_index;
};

// What a cache of a table file's contents compares: two versions are equal while the file is
// the same open file and nothing has been written to it since, through any table object or by
// another program.
class FileVersion final {
public:
    bool operator==(const FileVersion& other) const;

private:
    friend class Table;
    std::weak_ptr<void> m_file;
    quint64 m_writes = 0;
};

class Table : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    // Where the table lives: an alias of the session and a file name in its folder (matched
    // without regard to case, ".db" added when the name has no extension), or a full path with
    // no alias. Changing either closes nothing: it applies at the next open.
    void setDatabaseName(const QByteArray& alias) { m_databaseName = alias; }
    QByteArray databaseName() const { return m_databaseName; }
    void setTableName(const QString& name) { m_tableName = name; }
    QString tableName() const { return m_tableName; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool readOnly() const { return m_readOnly; }

    void open(); // throws; the first record becomes current
    void close();
    void setActive(bool active);
    bool isActive() const { return m_db != nullptr; }
    QString filePath() const { return m_filePath; } // of the open file
    // The file the table names: the one it has open, else its name looked up (letter case
    // ignored, ".db" tried for a bare name) in its alias's folder or, without an alias, as a path.
    // Throws Error (Missing) naming the file it looked for when there is none.
    QString locateFile() const;

    // Fields, by position or by name (without regard to case; unknown names throw).
    int fieldCount() const;
    Field field(int index) const;
    Field fieldByName(const QByteArray& name) const;
    int fieldIndex(const QByteArray& name) const; // -1 when missing
    TableStructure structure() const;             // throws when closed

    // Navigation within the master range and the filter.
    void first();
    void last();
    void next();        // at the last record: stays, and eof() becomes true
    void prior();       // at the first record: stays, and bof() becomes true
    void moveBy(int n); // stops at the first or the last record
    bool eof() const;
    bool bof() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recordCount() const;
    int recNo() const; // 0-based position of the current record, -1 when there is none

    // Filtering: the filter text applies while filtered() is on.
    void setFilter(const QByteArray& text);
    QByteArray filter() const { return m_filter; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    // Text in filters compares folding a-z when on; exactly when off.
    void setCaseInsensitive(bool on);
    bool caseInsensitive() const { return m_caseInsensitive; }

    // Master link: while a master source is set, open, and master fields are given, only the
    // records whose detail fields equal the master's current master fields are seen; an empty
    // master shows an empty detail. Fields are separated by ";". Empty detail fields mean the
    // leading fields of the order in use (index field names, named index or primary key).
    void setMasterSource(Table* master);
    Table* masterSource() const { return m_master; }
    void setMasterFields(const QByteArray& fields);
    QByteArray masterFields() const { return m_masterFields; }
    void setDetailFields(const QByteArray& fields);
    QByteArray detailFields() const { return m_detailFields; }

    // Order: index field names ("ID_ZAKONA", "A;B"), or a named index of the table; setting one
    // clears the other. Neither: primary-key order, or the order records came in.
    void setIndexFieldNames(const QByteArray& fields);
    QByteArray indexFieldNames() const { return m_indexFieldNames; }
    void setIndexName(const QByteArray& name);
    QByteArray indexName() const { return m_indexName; }

    // Edits, on tables not opened read-only. Each post is on disk when it returns; a failed post
    // throws and leaves the file as it was (the table stays in its edit state). Moving to
    // another record posts a pending edit first.
    State state() const;

    // The import of an update: every record of the source's file (whatever the source's filter
    // or link) goes into this table's file, fields matched by name; a record whose primary key
    // is already there updates that record, any other is appended (a table without a key takes
    // only records it does not hold already, field for field). One transaction: a failure
    // leaves this table as it was. Returns the numbers appended and updated.
    struct MoveCounts {
        int appended = 0;
        int updated = 0;
    };
    MoveCounts appendUpdateFrom(const Table& source);
    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();

    // Reads without moving (scan.cpp), for loops over many records that must not pay for the
    // signals and detail tables that follow every move. `scan` gives `each` the chosen fields of
    // every stored record, pending edits aside: of the record set as it stands (filter, master
    // range and order), or of the whole file in whatever order is fastest, which lets an index
    // holding the fields serve alone. `each` returns false to stop.
    enum class ScanRange { RecordSet, WholeFile };
    void scan(const QList<int>& fields, const std::function<bool(const QList<Value>&)>& each,
              ScanRange range = ScanRange::RecordSet) const;
    // Single records by key, without moving: keyreader.h.

    // The version of the open file's contents (an empty version, equal to none, when closed).
    FileVersion fileVersion() const;

signals:
    // The current record changed: a move, a new record set, a post, a cancel, open or close.
    void currentChanged();
    // The record set changed (filter, order, master range, writes); currentChanged follows.
    void recordSetChanged();
    void stateChanged();

private:
    friend class Field;
    friend class SearchCopyReader;
    friend class KeyReader;
    struct Compiled;
    // Filter, order and link, changed together so that a refused change is undone whole.
    struct Settings {
        QByteArray filter;
        bool filtered;
        bool caseInsensitive;
        QByteArray masterFields;
        QByteArray detailFields;
        QByteArray indexFieldNames;
        QByteArray indexName;
        bool operator==(const Settings&) const = default;
    };
    Settings settings() const;
    void applySettings(const Settings& next);

    Value currentValue(int index) const;
    void setBufferValue(int index, const Value& v);
    // The table in messages: its object's name with the file's, or the file's alone.
    QString label() const;
    void requireActive(const char* what) const;
    void requireWritable(const char* what) const;
    void invalidate();      // the record set must be read again
    void resolve() const;   // reads it when needed
    void compileNow();      // filter and order against the open structure
    void checkLink() const; // the link's fields exist
    void settle();          // posts a pending edit before a move
    void moved();           // the current record changed
    void masterMoved();
    void loadSmallFields() const;
    QList<int> fieldList(const QByteArray& names, const QList<FieldDef>& fields, const char* what) const;
    QList<int> activeDetailFields() const;
    QList<int> orderFields() const;
    // After a change to the file found when reading: another file put in place, or another
    // program's write.
    void followFile() const;
    Error replacedError(const char* what) const;

    QByteArray m_databaseName;
    QString m_tableName;
    QString m_filePath;
    bool m_readOnly = false;
    QByteArray m_filter;
    bool m_filtered = false;
    bool m_caseInsensitive = false;
    QPointer<Table> m_master;
    QMetaObject::Connection m_masterConnection;
    QByteArray m_masterFields;
    QByteArray m_detailFields;
    QByteArray m_indexFieldNames;
    QByteArray m_indexName;

    std::shared_ptr<sql::Database> m_db;
    std::unique_ptr<Compiled> m_compiled;

    // The record set: the row ids that pass master range and filter, in order. Read lazily, so a
    // detail that nobody reads costs nothing while its master moves.
    mutable std::vector<qint64> m_rows;
    mutable bool m_dirty = true;
    mutable bool m_linkStale = false; // the master moved since the record set was read
    mutable bool m_linked = false;
    bool m_followingMaster = false;
    mutable QList<Value> m_masterKey; // the master values the record set was read for
    mutable int m_pos = -1;
    mutable bool m_eof = true;
    mutable bool m_bof = true;
    // The current row's values; large ones are read on first use.
    mutable qint64 m_rowLoaded = -1;
    mutable std::vector<Value> m_row;
    mutable std::vector<bool> m_have;

    State m_state = State::Inactive;
    std::vector<Value> m_buffer; // the record being edited or appended
    std::vector<bool> m_modified;
    qint64 m_editRow = -1;

    // The file (Database::replacements) in which the current record was chosen, by a move or a
    // post, and the one the record being edited was read from. A file another program put in
    // place keeps the cursor on the same row id, which is another record there: an edit or a
    // delete of it is refused until the record is chosen again.
    quint64 m_positionFile = 0;
    quint64 m_editFile = 0;
    mutable quint64 m_outsideSeen = 0; // the other programs' changes the windows were told of
};

} // namespace engine
