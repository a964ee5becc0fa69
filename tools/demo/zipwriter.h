#pragma once

// A ZIP archive writer for the update archives of the demo collection: deflated entries, fixed
// time stamps (the same input gives the same archive). The program itself never writes archives.

#include <QByteArray>
#include <QList>
#include <QSaveFile>
#include <QString>

namespace demo {

class ZipWriter final {
public:
    explicit ZipWriter(const QString& path); // throws engine::Error
    // Adds an entry holding `bytes`, deflated, or stored when deflating does not make it smaller.
    void add(const QByteArray& name, const QByteArray& bytes);
    // Writes the directory and puts the archive in place. Without it no file appears.
    void commit();

private:
    struct Entry {
        QByteArray name;
        quint32 crc = 0;
        quint32 compressed = 0;
        quint32 size = 0;
        quint16 method = 0;
        quint32 offset = 0;
    };
    void write(const QByteArray& bytes);
    // The fields a local header and the central directory's header share, from the version needed
    // to the extra field's length.
    static void putSharedFields(QByteArray& out, const Entry& e);

    QSaveFile m_file;
    QList<Entry> m_entries;
    quint32 m_offset = 0;
};

} // namespace demo
