#include "zipdecoder.h"

#include "files.h"

#include <algorithm>
#include <bzlib.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <QFile>
#include <QIODevice>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace zipdecoder {

namespace {

// Large enough that system calls and progress reports cost nothing against the decoding.
constexpr qint64 PieceSize = 256 * 1024;

enum class Step { More, End, Damaged };

// One piece of decoding: takes what it can from `in`, fills what it can of `out` (both advance).
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual Step step(const char*& in, qint64& inLength, char*& out, qint64& outLength) = 0;
};

// zlib's and libbzip2's streams take their buffers alike: hand them our pieces, advance past what
// they used.
template <typename Stream, typename Call>
int pass(Stream& stream, const char*& in, qint64& inLength, char*& out, qint64& outLength, Call call)
{
    stream.next_in = reinterpret_cast<decltype(stream.next_in)>(const_cast<char*>(in));
    stream.avail_in = decltype(stream.avail_in)(inLength);
    stream.next_out = reinterpret_cast<decltype(stream.next_out)>(out);
    stream.avail_out = decltype(stream.avail_out)(outLength);
    const int rc = call(&stream);
    in += inLength - stream.avail_in;
    inLength = stream.avail_in;
    out += outLength - stream.avail_out;
    outLength = stream.avail_out;
    return rc;
}

class StoredCopy final : public Decoder {
public:
    explicit StoredCopy(qint64 size) : m_left(size) {}

    Step step(const char*& in, qint64& inLength, char*& out, qint64& outLength) override
    {
        const qint64 n = std::min({inLength, outLength, m_left});
        std::memcpy(out, in, size_t(n));
        in += n;
        inLength -= n;
        out += n;
        outLength -= n;
        m_left -= n;
        return m_left == 0 ? Step::End : Step::More;
    }

private:
    qint64 m_left;
};

class Inflater final : public Decoder {
public:
    Inflater()
    {
        // Archives hold raw deflate data, without the zlib wrapper and its checksum.
        if (inflateInit2(&m_stream, -MAX_WBITS) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    ~Inflater() override { inflateEnd(&m_stream); }

    Step step(const char*& in, qint64& inLength, char*& out, qint64& outLength) override
    {
        const int rc = pass(m_stream, in, inLength, out, outLength, [](z_stream* s) { return inflate(s, Z_NO_FLUSH); });
        if (rc == Z_STREAM_END) {
            return Step::End;
        }
        // Z_BUF_ERROR only says no progress was possible this time; the caller sees the stall.
        return rc == Z_OK || rc == Z_BUF_ERROR ? Step::More : Step::Damaged;
    }

private:
    z_stream m_stream{};
};

class Bunzipper final : public Decoder {
public:
    Bunzipper()
    {
        if (BZ2_bzDecompressInit(&m_stream, 0, 0) != BZ_OK) {
            throw std::bad_alloc();
        }
    }
    ~Bunzipper() override { BZ2_bzDecompressEnd(&m_stream); }

    Step step(const char*& in, qint64& inLength, char*& out, qint64& outLength) override
    {
        const int rc = pass(m_stream, in, inLength, out, outLength, BZ2_bzDecompress);
        if (rc == BZ_STREAM_END) {
            return Step::End;
        }
        return rc == BZ_OK ? Step::More : Step::Damaged;
    }

private:
    bz_stream m_stream{};
};

std::unique_ptr<Decoder> makeDecoder(const EntryData& data)
{
    switch (data.method) {
    case Deflated:
        return std::make_unique<Inflater>();
    case Bzip2:
        return std::make_unique<Bunzipper>();
    default:
        return std::make_unique<StoredCopy>(data.uncompressedSize);
    }
}

} // namespace

bool isSupported(int method)
{
    return method == Stored || method == Deflated || method == Bzip2;
}

Fault decode(QIODevice& archive, const EntryData& data, const Writer& write,
             const std::function<void(qint64 written)>& progress)
{
    if (data.method == Stored && data.compressedSize != data.uncompressedSize) {
        return Fault::Damaged;
    }
    if (!archive.seek(data.offset)) {
        return Fault::ShortRead;
    }
    const std::unique_ptr<Decoder> decoder = makeDecoder(data);
    // A small entry gets small buffers: most entries of an archive of many files are tiny, and
    // large allocations cost a mapping of their own each time.
    const qint64 inputSize = std::clamp<qint64>(data.compressedSize, 1, PieceSize);
    const qint64 outputSize = std::clamp<qint64>(data.uncompressedSize, 1, PieceSize);
    std::vector<char> input(static_cast<size_t>(inputSize));
    std::vector<char> output(static_cast<size_t>(outputSize));
    qint64 unread = data.compressedSize;
    const char* in = input.data();
    qint64 inLength = 0;
    qint64 written = 0;
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        if (inLength == 0 && unread > 0) {
            const qint64 want = std::min(unread, inputSize);
            if (archive.read(input.data(), want) != want) {
                return Fault::ShortRead;
            }
            unread -= want;
            in = input.data();
            inLength = want;
        }
        char* next = output.data();
        qint64 room = outputSize;
        const qint64 inBefore = inLength;
        const Step step = decoder->step(in, inLength, next, room);
        if (step == Step::Damaged) {
            return Fault::Damaged;
        }
        const qint64 produced = outputSize - room;
        if (produced > 0) {
            if (written + produced > qint64(data.uncompressedSize)) {
                return Fault::Damaged;
            }
            crc = crc32(crc, reinterpret_cast<const Bytef*>(output.data()), uInt(produced));
            if (!write(output.data(), produced)) {
                return Fault::WriteFailed;
            }
            written += produced;
            if (progress) {
                progress(written);
            }
        }
        if (step == Step::End) {
            break;
        }
        // Input is refilled before every step, so a step that neither reads nor writes means the
        // stream wants bytes beyond the entry's compressed size.
        if (produced == 0 && inLength == inBefore) {
            return Fault::Damaged;
        }
    }
    if (written != qint64(data.uncompressedSize)) {
        return Fault::Damaged;
    }
    return crc == data.crc32 ? Fault::None : Fault::BadChecksum;
}

PartFile::~PartFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (!m_partName.isEmpty()) {
        ::unlinkat(m_folderFd, m_partName.constData(), 0);
    }
}

bool PartFile::fail()
{
    m_error = platform::systemReason(errno);
    return false;
}

bool PartFile::open()
{
    // A short name of its own: the target's name may already be as long as the system allows.
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_partName = "~zip-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".part";
        m_fd = ::openat(m_folderFd, m_partName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            return true;
        }
        const int error = errno;
        m_partName.clear();
        if (error != EEXIST) {
            m_error = platform::systemReason(error);
            return false;
        }
    }
    m_error = platform::systemReason(EEXIST);
    return false;
}

int openFoldersAt(int rootFd, const QByteArray& path, bool create, int& error, QByteArray& at)
{
    int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty()) {
            continue;
        }
        at += at.isEmpty() ? part : '/' + part;
        constexpr int Flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int next = ::openat(fd, part.constData(), Flags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(fd, part.constData(), 0777) == 0 || errno == EEXIST) {
                next = ::openat(fd, part.constData(), Flags);
            }
        }
        if (next < 0) {
            error = errno;
            // Told as what it is: O_NOFOLLOW fails a link with ELOOP, and a link to a file with
            // ENOTDIR on some systems.
            struct stat status;
            if (::fstatat(fd, part.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)) {
                error = ELOOP;
            }
            ::close(fd);
            return -1;
        }
        ::close(fd);
        fd = next;
    }
    return fd;
}

bool PartFile::write(const char* bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size_t(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail();
        }
        bytes += n;
        size -= n;
    }
    return true;
}

bool PartFile::commit()
{
    // Some file systems report a failed write only when the file is closed.
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return fail();
    }
    // The file the new one replaces is removed first, now that the new one is whole: renaming over
    // it would make the file system write the new file out at once (as it does to keep a replaced
    // file safe), which for thousands of small files costs several times the unpacking. A folder
    // there is not removed, and the rename then fails with the system's reason.
    ::unlinkat(m_folderFd, m_name.constData(), 0);
    if (::renameat(m_folderFd, m_partName.constData(), m_folderFd, m_name.constData()) != 0) {
        return fail();
    }
    m_partName.clear();
    return true;
}

} // namespace zipdecoder
