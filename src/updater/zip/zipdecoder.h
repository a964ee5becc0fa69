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
    qint64 compressedSize = 0;
    qint64 uncompressedSize = 0;
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

// An entry's file, written under a temporary name in the open folder `folderFd` and put under the
// name `name` there only by commit(), once it is whole: a failure, or the process ending on the
// way, never leaves a cut file under that name, and a failure before commit() never disturbs the
// file already there. Both are made in the folder itself, never through a link: a link of that
// name is replaced. The file is not synced to disk on its own: for an archive of thousands of
// small files that costs many times the unpacking. The folder stays the caller's.
class PartFile final {
public:
    PartFile(int folderFd, const QByteArray& name) : m_folderFd(folderFd), m_name(name) {}
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Each is false on failure, and then error() is the system's reason.
    bool open();
    bool write(const char* bytes, qint64 size);
    bool commit();
    QString error() const { return m_error; }

private:
    bool fail();

    int m_folderFd;
    QByteArray m_name;
    QByteArray m_partName; // the temporary file's while it exists
    int m_fd = -1;
    QString m_error;
};

// Opens the folder `path` ("a/b", relative) below the open folder `rootFd`, each of its folders
// made when missing (with `create`) and opened as it stands: a link among them is never followed.
// The descriptor of the last, or -1 with the system's error number in `error` (ELOOP when one is a
// link, and then `at` names it); an empty `path` gives a copy of `rootFd`.
int openFoldersAt(int rootFd, const QByteArray& path, bool create, int& error, QByteArray& at);

} // namespace zipdecoder
