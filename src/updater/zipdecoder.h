#pragma once

// Streams one entry's data from the archive into its destination in fixed-size pieces, so an
// entry of any size costs the same memory, and checks the result against the directory.

#include <functional>
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

// Decodes `data` of `archive` into `out`, calling `progress` with the bytes written so far after
// each piece. Anything but Fault::None means `out` holds an incomplete or wrong result.
Fault decode(QIODevice& archive, const EntryData& data, QIODevice& out,
             const std::function<void(qint64 written)>& progress);

} // namespace zipdecoder
