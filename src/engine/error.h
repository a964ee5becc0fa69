#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace engine {

// Every failure of the database engine: a missing alias or table file, a wrong password, an
// unknown field, a malformed filter, a failed write. The text says what and where, for the log
// and for developers; what the user is told is made from the kind and the file
// (data::userMessage), so it can be said in the program's language and say what to do.
class Error final : public std::runtime_error {
public:
    enum class Kind {
        Other,     // a fault of the program's own (a bad filter, an unknown field), or not known
        Missing,   // the table file is not there
        NotATable, // the file is there but is no table file (random bytes, another kind of file)
        Password,  // the file does not take the session's password
        Damaged,   // the file is a table file but its contents are damaged or cut
        Fields,    // the file's fields differ from the table's record type
        DiskFull,  // a write found no room on the disk
        ReadOnly,  // the file or its folder may not be written
        Locked,    // another program holds the file
        Io,        // the disk failed to read or write (a failing disk, a lost network share)
        Replaced,  // another program put a new file in the table's place while a write or an edit of
                   // ours was meant for the old one
        Link,      // a symbolic link stands where the table's file, its journal or its copy goes (the
                   // file is the link): nothing is written through one
        // The file may not even be read (another user's, or its mode forbids it).
        Unreadable,
        // The folder of the table files may not be read; the error names the folder.
        FolderUnreadable,
    };

    explicit Error(const QString& message) : Error(Kind::Other, QString(), message) {}
    // `file` is the table file concerned (a path or a name), empty when none is; `field` the
    // field concerned (the one that differs, for Fields), empty when none is.
    Error(Kind kind, const QString& file, const QString& message, const QByteArray& field = {})
        : std::runtime_error(message.toStdString()), m_kind(kind), m_file(file), m_field(field)
    {
    }
    // The same failure told with more context (what was being done when it happened).
    Error(const Error& cause, const QString& message) : Error(cause.m_kind, cause.m_file, message, cause.m_field) {}

    // The same failure told of `file`: its kind, text and field stay.
    Error withFile(const QString& file) const
    {
        Error named(*this);
        named.m_file = file;
        return named;
    }
    // The same failure, told of `file` when it names no file itself.
    Error namingFile(const QString& file) const { return m_file.isEmpty() ? withFile(file) : *this; }

    QString message() const { return QString::fromStdString(what()); }
    Kind kind() const { return m_kind; }
    const QString& file() const { return m_file; }
    const QByteArray& field() const { return m_field; }

private:
    Kind m_kind;
    QString m_file;
    QByteArray m_field;
};

} // namespace engine
