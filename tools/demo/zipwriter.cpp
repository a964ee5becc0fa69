#include "zipwriter.h"

#include "error.h"

#include <QtEndian>
#include <zlib.h>

namespace demo {

namespace {

constexpr quint16 DosTime = 12 << 11; // 12:00:00
constexpr quint16 DosDate = ((2020 - 1980) << 9) | (1 << 5) | 1;

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

QByteArray deflated(const QByteArray& bytes)
{
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw engine::Error(QStringLiteral("Cannot start deflating"));
    }
    QByteArray out(int(deflateBound(&z, uLong(bytes.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    if (rc != Z_STREAM_END) {
        throw engine::Error(QStringLiteral("Cannot deflate an archive entry"));
    }
    return out;
}

} // namespace

ZipWriter::ZipWriter(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        throw engine::Error(QStringLiteral("Cannot write %1: %2").arg(path, m_file.errorString()));
    }
}

void ZipWriter::write(const QByteArray& bytes)
{
    if (m_file.write(bytes) != bytes.size()) {
        throw engine::Error(QStringLiteral("Cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
    }
    m_offset += quint32(bytes.size());
}

void ZipWriter::putSharedFields(QByteArray& out, const Entry& e)
{
    put16(out, 20); // version needed: deflate
    put16(out, 0);  // flags
    put16(out, e.method);
    put16(out, DosTime);
    put16(out, DosDate);
    put32(out, e.crc);
    put32(out, e.compressed);
    put32(out, e.size);
    put16(out, quint16(e.name.size()));
    put16(out, 0); // extra field length
}

void ZipWriter::add(const QByteArray& name, const QByteArray& bytes)
{
    Entry e;
    e.name = name;
    e.size = quint32(bytes.size());
    e.crc = quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
    e.offset = m_offset;
    QByteArray data = deflated(bytes);
    e.method = 8;
    if (data.size() >= bytes.size()) {
        data = bytes;
        e.method = 0;
    }
    e.compressed = quint32(data.size());
    QByteArray header;
    put32(header, 0x04034b50);
    putSharedFields(header, e);
    header += name;
    write(header);
    write(data);
    m_entries.append(e);
}

void ZipWriter::commit()
{
    const quint32 directoryOffset = m_offset;
    QByteArray directory;
    for (const Entry& e : m_entries) {
        put32(directory, 0x02014b50);
        put16(directory, 20); // version made by
        putSharedFields(directory, e);
        put16(directory, 0);    // comment length
        put16(directory, 0);    // disk
        put16(directory, 0);    // internal attributes
        put32(directory, 0x20); // external attributes: an archived file
        put32(directory, e.offset);
        directory += e.name;
    }
    write(directory);
    QByteArray end;
    put32(end, 0x06054b50);
    put16(end, 0);
    put16(end, 0);
    put16(end, quint16(m_entries.size()));
    put16(end, quint16(m_entries.size()));
    put32(end, quint32(directory.size()));
    put32(end, directoryOffset);
    put16(end, 0);
    write(end);
    if (!m_file.commit()) {
        throw engine::Error(QStringLiteral("Cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
    }
}

} // namespace demo
