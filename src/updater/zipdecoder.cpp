#include "zipdecoder.h"

#include <algorithm>
#include <bzlib.h>
#include <cstring>
#include <memory>
#include <new>
#include <QIODevice>
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

Fault decode(QIODevice& archive, const EntryData& data, QIODevice& out,
             const std::function<void(qint64 written)>& progress)
{
    if (data.method == Stored && data.compressedSize != data.uncompressedSize) {
        return Fault::Damaged;
    }
    if (!archive.seek(data.offset)) {
        return Fault::ShortRead;
    }
    const std::unique_ptr<Decoder> decoder = makeDecoder(data);
    std::vector<char> input(PieceSize);
    std::vector<char> output(PieceSize);
    qint64 unread = data.compressedSize;
    const char* in = input.data();
    qint64 inLength = 0;
    qint64 written = 0;
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        if (inLength == 0 && unread > 0) {
            const qint64 want = std::min(unread, PieceSize);
            if (archive.read(input.data(), want) != want) {
                return Fault::ShortRead;
            }
            unread -= want;
            in = input.data();
            inLength = want;
        }
        char* next = output.data();
        qint64 room = PieceSize;
        const qint64 inBefore = inLength;
        const Step step = decoder->step(in, inLength, next, room);
        if (step == Step::Damaged) {
            return Fault::Damaged;
        }
        const qint64 produced = PieceSize - room;
        if (produced > 0) {
            if (written + produced > qint64(data.uncompressedSize)) {
                return Fault::Damaged;
            }
            crc = crc32(crc, reinterpret_cast<const Bytef*>(output.data()), uInt(produced));
            if (out.write(output.data(), produced) != produced) {
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

} // namespace zipdecoder
