#pragma once

// Streams one entry's data from the archive into its destination in fixed-size pieces, so an
// entry of any size costs the same memory, and checks the result against the directory.

#include <functional>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace zipdecoder {

enum Method { Stored = 0, Deflated = 8, Bzip2 = 12 };

bool isSupported(int method);

struct EntryData {
    qint64 offset = 0; // where the compressed bytes start in the archive
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    quint32 crc32 = 0;
    int method = Stored;
};

enum class Fault { None, ShortRead, Damaged, BadChecksum, WriteFailed };

// Where decoded bytes go: false when they could not be written (the writer knows why).
using Writer = std::function<bool(const char* bytes, qint64 size)>;

// Decodes `data` of `archive` into `write`, calling `progress` with the bytes written so far after
// each piece. Anything but Fault::None means what was written is incomplete or wrong.
Fault decode(QIODevice& archive, const EntryData& data, const Writer& write,
             const std::function<void(qint64 written)>& progress);

// An entry's file, written under a temporary name in its target's folder (made when missing) and
// put under the target's name only by commit(), once it is whole: a failure, or the process ending
// on the way, never leaves a cut file under the target's name, and a failure before commit() never
// disturbs the file already there. The file is not synced to disk on its own: for an archive of
// thousands of small files that costs many times the unpacking.
class PartFile final {
public:
    explicit PartFile(const QString& target) : m_target(target) {}
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Each is false on failure, and then error() is the system's reason.
    bool open();
    bool write(const char* bytes, qint64 size);
    bool commit();
    QString error() const { return m_error; }
    // The failure was making the target's folder.
    bool folderFailed() const { return m_folderFailed; }

private:
    bool fail();

    QString m_target;
    QByteArray m_partPath; // the temporary file while it exists
    int m_fd = -1;
    QString m_error;
    bool m_folderFailed = false;
};

// Makes `folder` with every missing parent; false with the system's reason in `error`.
bool makeFolders(const QString& folder, QString& error);

} // namespace zipdecoder
