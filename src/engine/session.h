#pragma once

// The database session: the aliases that name table folders, the tables' passwords, and the
// open table files that table objects share.

#include "structure.h"

#include <map>
#include <memory>
#include <QByteArray>
#include <QList>
#include <QString>

namespace engine {

namespace sql {
class Database;
}

class Session final {
public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void setNetworkDirectory(const QString& folder) { m_networkDirectory = folder; }
    QString networkDirectory() const { return m_networkDirectory; }

    // Aliases are matched without regard to case. The driver must be "Paradox" or "STANDARD":
    // both mean this engine's table files. Adding an alias that exists throws.
    void addStandardAlias(const QByteArray& name, const QString& folder, const QByteArray& driver);
    // Throws engine::Error when there is no such alias; callers that only want it gone ignore that.
    void deleteAlias(const QByteArray& name);
    bool hasAlias(const QByteArray& name) const;
    QString aliasFolder(const QByteArray& name) const; // throws for an unknown alias

    void addPassword(const QByteArray& password);
    void removeAllPasswords() { m_passwords.clear(); }
    const QList<QByteArray>& passwords() const { return m_passwords; }

    void open() { m_open = true; }
    void close() { m_open = false; }
    bool isOpen() const { return m_open; }

    // The shared open file for a path, opened when no table holds it yet (and opened anew when
    // another program has put a new file at the path). Throws when the file is not a table file
    // or no password given to the session fits it.
    std::shared_ptr<sql::Database> database(const QString& path);

    // The record type of the table files called `tableName` (compared without the extension and
    // without regard to case) in the aliases' folders. A table object opened through an alias
    // refuses such a file when its fields or key differ (Error::Kind::Fields): fields are read
    // by position, and a file with one missing would show one field's data under another's
    // name. A file opened by its path (an update's table) is taken as it is: the import matches
    // fields by name. Setting a name again replaces its record type.
    void setRecordType(const QString& tableName, const TableStructure& type);
    // Null when no record type is set for the file's name.
    const TableStructure* recordType(const QString& file) const;

private:
    QString m_networkDirectory;
    std::map<QByteArray, std::pair<QString, QByteArray>> m_aliases; // upper-cased name -> folder, driver
    QList<QByteArray> m_passwords;
    bool m_open = false;
    std::map<QString, std::weak_ptr<sql::Database>> m_databases;
    std::map<QString, TableStructure> m_recordTypes; // by upper-cased name without extension
};

// The program's one session, shared by every window.
Session& session();

} // namespace engine
