#include "ziparchive.h"

#include "files.h"
#include "zipdecoder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 LocalSignature = 0x04034b50;        // "PK" 3 4
constexpr quint32 CentralSignature = 0x02014b50;      // "PK" 1 2
constexpr quint32 EndSignature = 0x06054b50;          // "PK" 5 6
constexpr quint32 Zip64EndSignature = 0x06064b50;     // "PK" 6 6
constexpr quint32 Zip64LocatorSignature = 0x07064b50; // "PK" 6 7
constexpr qint64 Zip64LocatorSize = 20;
constexpr qint64 LocalHeaderSize = 30;
constexpr qint64 CentralHeaderSize = 46;
constexpr qint64 EndRecordSize = 22;
constexpr qint64 DescriptorSize = 16;
constexpr qint64 MaxCommentLength = 0xFFFF;
constexpr quint32 Zip64Marker = 0xFFFFFFFF;
constexpr quint16 Zip64CountMarker = 0xFFFF;
constexpr quint16 Zip64ExtraId = 0x0001;
constexpr qint64 Zip64EndSize = 56;

constexpr quint16 FlagEncrypted = 0x0001;
constexpr quint16 FlagLevelMask = 0x0006;
constexpr quint16 FlagDescriptor = 0x0008;
constexpr quint16 FlagUtf8 = 0x0800;
constexpr quint32 AttributeDirectory = 0x10;
constexpr quint32 AttributeArchive = 0x20;

constexpr int MethodDeflate64 = 9;

quint16 le16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

qint64 le64(const char* p)
{
    const quint64 value = qFromLittleEndian<quint64>(p);
    return value > quint64(std::numeric_limits<qint64>::max()) ? -1 : qint64(value);
}

// The sizes and the local header's offset a header gives. A field set to all ones says that its
// value is in the ZIP64 extra field (id 1), which holds, in this order and only for the fields so
// marked, the uncompressed size, the compressed size and the offset, 8 bytes each. A marked field
// without its value is -1.
struct EntrySizes {
    qint64 compressed = -1;
    qint64 uncompressed = -1;
    qint64 offset = -1;
};

EntrySizes entrySizes(const ZipHeaderFields& h, quint32 offset, const QByteArray& extra)
{
    EntrySizes sizes;
    sizes.uncompressed = h.uncompressedSize == Zip64Marker ? -1 : qint64(h.uncompressedSize);
    sizes.compressed = h.compressedSize == Zip64Marker ? -1 : qint64(h.compressedSize);
    sizes.offset = offset == Zip64Marker ? -1 : qint64(offset);
    if (sizes.uncompressed >= 0 && sizes.compressed >= 0 && sizes.offset >= 0) {
        return sizes;
    }
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const quint16 id = le16(extra.constData() + at);
        const qsizetype length = le16(extra.constData() + at + 2);
        const qsizetype data = at + 4;
        if (data + length > extra.size()) {
            break;
        }
        if (id == Zip64ExtraId) {
            qsizetype next = data;
            for (qint64* field : {&sizes.uncompressed, &sizes.compressed, &sizes.offset}) {
                if (*field >= 0) {
                    continue;
                }
                if (next + 8 > data + length) {
                    break;
                }
                *field = le64(extra.constData() + next);
                next += 8;
            }
            break;
        }
        at = data + length;
    }
    return sizes;
}

void parseSharedFields(const char* p, ZipHeaderFields& h)
{
    h.versionNeeded = le16(p);
    h.flags = le16(p + 2);
    h.method = le16(p + 4);
    h.time = le16(p + 6);
    h.date = le16(p + 8);
    h.crc32 = le32(p + 10);
    h.compressedSize = le32(p + 14);
    h.uncompressedSize = le32(p + 18);
    h.nameLength = le16(p + 22);
    h.extraLength = le16(p + 24);
}

TLocalFile parseLocalHeader(const char* p)
{
    TLocalFile h;
    h.signature = le32(p);
    parseSharedFields(p + 4, h);
    return h;
}

TCentralDirectoryFile parseCentralHeader(const char* p)
{
    TCentralDirectoryFile h;
    h.signature = le32(p);
    h.versionMadeBy = le16(p + 4);
    parseSharedFields(p + 6, h);
    h.commentLength = le16(p + 32);
    h.diskNumberStart = le16(p + 34);
    h.internalAttributes = le16(p + 36);
    h.externalAttributes = le32(p + 38);
    h.localHeaderOffset = le32(p + 42);
    return h;
}

// What the local header says, as the directory would have said it; for archives without one.
TCentralDirectoryFile centralFromLocal(const TLocalFile& local, qint64 offset)
{
    TCentralDirectoryFile c;
    c.signature = CentralSignature;
    c.versionMadeBy = 20;
    static_cast<ZipHeaderFields&>(c) = local;
    c.externalAttributes = local.name.endsWith('/') ? AttributeDirectory : AttributeArchive;
    // Past 4 GB only ZIP64 could say where the header is; the marker makes extraction refuse it.
    c.localHeaderOffset = offset >= Zip64Marker ? Zip64Marker : quint32(offset);
    c.name = local.name;
    c.extra = local.extra;
    return c;
}

QDateTime fromDosDateTime(quint16 date, quint16 time)
{
    const QDate day(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F);
    const QTime clock(time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
    return QDateTime(day, clock);
}

TZipCompressionType compressionType(quint16 method, quint16 flags)
{
    if (method != zipdecoder::Deflated && method != MethodDeflate64) {
        return ctUnknown;
    }
    switch (flags & FlagLevelMask) {
    case 2:
        return ctMaximum;
    case 4:
        return ctFast;
    case 6:
        return ctSuperFast;
    default:
        return ctNormal;
    }
}

// Characters 0x80-0xFF of code page 437, the format's encoding for names not flagged as UTF-8.
constexpr char16_t Cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Many tools write UTF-8 names without setting the flag; valid UTF-8 is therefore taken as such.
QString decodeName(const QByteArray& raw, quint16 flags)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = utf8(raw);
    if ((flags & FlagUtf8) || !utf8.hasError()) {
        return name;
    }
    QString out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = uchar(c);
        out += byte < 0x80 ? QChar(byte) : QChar(Cp437High[byte - 0x80]);
    }
    return out;
}

// The caller joins the name to its target folder, so the name must not lead out of it.
bool staysInside(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.contains(QChar(0))) {
        return false;
    }
    if (name.size() >= 2 && name[1] == u':' && name[0].isLetter()) {
        return false;
    }
    const auto parts = QStringView(name).split(u'/');
    return std::none_of(parts.begin(), parts.end(), [](QStringView part) { return part == u".."; });
}

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// Closes a descriptor when it goes.
struct FdGuard {
    int fd;
    ~FdGuard()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

} // namespace

ZipError::ZipError(const QString& message, Kind kind)
    : std::runtime_error(message.toStdString()), m_message(message), m_kind(kind)
{
}

TZipArchiveEntriesEntry::TZipArchiveEntriesEntry(TZipArchiveEntries& collection, const TCentralDirectoryFile& central)
    : m_collection(collection), m_central(central), m_encrypted(central.flags & FlagEncrypted),
      // The name decides, as it does for every other archiver: the DOS folder bit is also found on
      // entries with data, which would otherwise be dropped for an empty folder.
      m_isFolder(central.name.endsWith('/')), m_compressionType(compressionType(central.method, central.flags))
{
    const EntrySizes sizes = entrySizes(central, central.localHeaderOffset, central.extra);
    m_compressedSize = sizes.compressed;
    m_uncompressedSize = sizes.uncompressed;
    m_localHeaderOffset = sizes.offset;
}

QString TZipArchiveEntriesEntry::FileName() const
{
    return decodeName(m_central.name, m_central.flags);
}

void TZipArchiveEntriesEntry::ExtractToFile(const QString& destination)
{
    m_collection.Archive().extract(*this, destination);
}

void TZipArchiveEntriesEntry::ExtractAt(int folderFd, const QString& folderName)
{
    TZipArchive& archive = m_collection.Archive();
    const QString name = FileName();
    const QString standing = folderName.endsWith(u'/') ? folderName + name : folderName + u'/' + name;
    if (archive.m_overwriteAction != oaOverwriteAll && archive.m_overwriteAction != oaSkipAll &&
        archive.OnOverwriteFile) {
        // Asked as ExtractToFile asks; a destination the event changes is the caller's by name.
        archive.extract(*this, standing);
        return;
    }
    if (archive.m_overwriteAction == oaSkip || archive.m_overwriteAction == oaSkipAll) {
        return;
    }
    archive.extractAt(*this, folderFd, QFile::encodeName(name), standing);
}

TZipArchiveEntriesEntry& TZipArchiveEntries::Items(int index) const
{
    if (index < 0 || index >= Count()) {
        throw ZipError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }
    return *m_items[size_t(index)];
}

void TZipArchiveEntries::clear()
{
    m_items.clear();
    m_isZipArchive = false;
}

TZipArchiveEntriesEntry& TZipArchiveEntries::add(const TCentralDirectoryFile& central)
{
    m_items.push_back(std::make_unique<TZipArchiveEntriesEntry>(*this, central));
    return *m_items.back();
}

TZipArchive::TZipArchive() = default;
TZipArchive::~TZipArchive() = default;

void TZipArchive::setActive(bool active)
{
    if (m_fileName.isEmpty()) {
        return;
    }
    if (active) {
        Open(m_fileName);
    } else {
        Close();
    }
}

QList<QByteArray> TZipArchive::Comment() const
{
    QList<QByteArray> lines;
    if (!m_file || m_endPosition < 0 || m_end.commentLength == 0) {
        return lines;
    }
    const QByteArray text = readAt(m_endPosition + EndRecordSize, m_end.commentLength);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.append(text.mid(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.append(text.mid(start));
    }
    return lines;
}

QStringList TZipArchive::FileNames() const
{
    QStringList names;
    for (int i = 0; i < m_entries.Count(); ++i) {
        QString name = m_entries.Items(i).FileName();
        name.replace(QStringLiteral("//"), QStringLiteral("/"));
        const qsizetype drive = name.indexOf(QStringLiteral(":/"));
        if (drive >= 0) {
            name.remove(0, drive + 2);
        }
        names.append(name);
    }
    return names;
}

void TZipArchive::Open(const QString& fileName)
{
    if (m_file) {
        Close();
    }
    const QFileInfo info(fileName);
    if (!info.exists()) {
        throw ZipError(QStringLiteral("File ") + quoted(fileName) + QStringLiteral(" not found!"),
                       ZipError::Kind::Local);
    }
    auto file = std::make_unique<QFile>(fileName);
    // Unbuffered: the reads are either a few header bytes or whole pieces of entry data.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        throw ZipError(QStringLiteral("Cannot open ") + quoted(fileName) + QStringLiteral(": ") + file->errorString(),
                       ZipError::Kind::Local);
    }
    open(std::move(file), fileName);
}

void TZipArchive::OpenAt(int folderFd, const QByteArray& name, const QString& fileName)
{
    if (m_file) {
        Close();
    }
    const int fd = ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) {
            throw ZipError(QStringLiteral("File ") + quoted(fileName) + QStringLiteral(" not found!"),
                           ZipError::Kind::Local);
        }
        throw ZipError(QStringLiteral("Cannot open ") + quoted(fileName) + QStringLiteral(": ") +
                           (error == ELOOP ? QStringLiteral("it is a symbolic link") : platform::systemReason(error)),
                       ZipError::Kind::Local);
    }
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw ZipError(QStringLiteral("Cannot open ") + quoted(fileName) + QStringLiteral(": ") + file->errorString(),
                       ZipError::Kind::Local);
    }
    open(std::move(file), fileName);
}

void TZipArchive::open(std::unique_ptr<QFile> file, const QString& fileName)
{
    struct stat status {};
    m_readOnly = ::fstat(file->handle(), &status) == 0 && (status.st_mode & S_IWUSR) == 0;
    m_file = std::move(file);
    m_size = m_file->size();
    parse();
    m_isZipFile = m_entries.IsZipArchive();
    if (!m_isZipFile) {
        Close();
    }
    m_fileName = fileName;
    if (OnZipChange) {
        OnZipChange(1);
    }
}

void TZipArchive::Close()
{
    m_entries.clear();
    m_file.reset();
    m_end = {};
    m_endPosition = -1;
    m_size = 0;
    m_directoryError.clear();
    m_isZipFile = false;
    m_readOnly = false;
    if (OnZipChange) {
        OnZipChange(0);
    }
}

void TZipArchive::SelectAll()
{
    for (const auto& entry : m_entries.m_items) {
        entry->setSelected(true);
    }
}

qint64 TZipArchive::UncompressedTotal() const
{
    qint64 total = 0;
    for (const auto& entry : m_entries.m_items) {
        if (!entry->IsFolder()) {
            total += std::max<qint64>(0, entry->UncompressedSize());
        }
    }
    return total;
}

void TZipArchive::parse()
{
    m_entries.clear();
    m_directoryError.clear();
    QString fault;
    if (readDirectory(fault)) {
        readLocalHeaders();
        const QString shared = sharedData();
        if (shared.isEmpty()) {
            m_entries.m_isZipArchive = true;
            if (!fault.isEmpty()) {
                m_directoryError =
                    QStringLiteral("The archive ") + quoted(m_file->fileName()) + u' ' + fault +
                    QStringLiteral(". Entries read where its directory really lies: %1.").arg(m_entries.Count());
            }
            return;
        }
        fault = shared;
        m_entries.clear();
        m_end = {};
        m_endPosition = -1;
    } else if (fault.isEmpty()) {
        // No end record: a file that starts with a local header is an archive cut short, any other
        // file (a news file) is no archive at all.
        const QByteArray head = readAt(0, LocalHeaderSize);
        if (head.size() < LocalHeaderSize || le32(head.constData()) != LocalSignature) {
            return;
        }
        fault = QStringLiteral("has no directory; it may be cut short");
    }
    walkLocalHeaders();
    m_entries.m_isZipArchive = true;
    m_directoryError = QStringLiteral("The archive ") + quoted(m_file->fileName()) + u' ' + fault +
                       QStringLiteral(". Entries found by their local headers: %1.").arg(m_entries.Count());
}

std::vector<TZipArchive::EndCandidate> TZipArchive::endCandidates() const
{
    std::vector<EndCandidate> found;
    if (m_size < EndRecordSize) {
        return found;
    }
    // The record ends the file but for its comment, which is at most 65,535 bytes long.
    const qint64 tailStart = std::max<qint64>(0, m_size - EndRecordSize - MaxCommentLength);
    const QByteArray tail = readAt(tailStart, m_size - tailStart);
    for (qsizetype i = tail.size() - EndRecordSize; i >= 0; --i) {
        const char* p = tail.constData() + i;
        if (le32(p) == EndSignature) {
            const EndRecord end{le16(p + 8), le32(p + 12), le32(p + 16), le16(p + 20)};
            found.push_back({tailStart + i, zip64End(tailStart + i, end)});
        }
    }
    return found;
}

// An end record whose count, size or offset is all ones leaves the value to the ZIP64 end record,
// which its locator, right before it, points to. Without a sound one the record stays as it is
// (and names no directory that is there).
TZipArchive::EndRecord TZipArchive::zip64End(qint64 endPosition, const EndRecord& end) const
{
    if (end.entriesOnDisk != Zip64CountMarker && end.directorySize != Zip64Marker &&
        end.directoryOffset != Zip64Marker) {
        return end;
    }
    const QByteArray locator = readAt(endPosition - Zip64LocatorSize, Zip64LocatorSize);
    if (locator.size() != Zip64LocatorSize || le32(locator.constData()) != Zip64LocatorSignature) {
        return end;
    }
    const qint64 at = le64(locator.constData() + 8);
    const QByteArray record = at >= 0 ? readAt(at, Zip64EndSize) : QByteArray();
    if (record.size() != Zip64EndSize || le32(record.constData()) != Zip64EndSignature) {
        return end;
    }
    EndRecord wide = end;
    wide.entriesOnDisk = le64(record.constData() + 24);
    wide.directorySize = le64(record.constData() + 40);
    wide.directoryOffset = le64(record.constData() + 48);
    if (wide.entriesOnDisk < 0 || wide.directorySize < 0 || wide.directoryOffset < 0) {
        return end;
    }
    return wide;
}

bool TZipArchive::readDirectory(QString& fault)
{
    const std::vector<EndCandidate> candidates = endCandidates();
    std::vector<TCentralDirectoryFile> records;
    // The signature may also stand inside a comment, so a record counts only when the directory it
    // names is really there: exactly its records, ending where the end record (or, in a ZIP64
    // archive, the ZIP64 end record) starts. The one nearest the end of the file wins. A comment
    // with more than a few signatures in it is made to have the file read over and over, so the
    // tries are limited.
    constexpr int MaxTries = 16;
    int tries = 0;
    for (const EndCandidate& c : candidates) {
        const qint64 directoryEnd = qint64(c.end.directoryOffset) + c.end.directorySize;
        const bool inPlace = directoryEnd == c.position ||
                             (directoryEnd < c.position && hasSignatureAt(directoryEnd, Zip64EndSignature) &&
                              hasSignatureAt(c.position - Zip64LocatorSize, Zip64LocatorSignature));
        if (!inPlace || ++tries > MaxTries) {
            continue;
        }
        if (readDirectoryRecords(c.end.directoryOffset, c.end, records)) {
            useDirectory(c, records, 0);
            return true;
        }
    }
    // None is sound. A directory that lies right before its end record but not where the record
    // says was moved with the whole archive (bytes in front of it) or has only its offset wrong;
    // the local headers tell which.
    tries = 0;
    for (const EndCandidate& c : candidates) {
        const qint64 at = c.position - qint64(c.end.directorySize);
        if (at < 0 || at == qint64(c.end.directoryOffset) || ++tries > MaxTries ||
            !readDirectoryRecords(at, c.end, records)) {
            continue;
        }
        for (const qint64 shift : {at - qint64(c.end.directoryOffset), qint64(0)}) {
            if (localHeadersAt(records, shift)) {
                useDirectory(c, records, shift);
                fault = shift > 0   ? QStringLiteral("has %1 bytes in front of it").arg(shift)
                        : shift < 0 ? QStringLiteral("lacks %1 bytes at its start").arg(-shift)
                                    : QStringLiteral("gives a wrong place for its directory");
                return true;
            }
        }
    }
    if (!candidates.empty()) {
        fault = QStringLiteral("has a directory that cannot be read");
    }
    return false;
}

bool TZipArchive::readDirectoryRecords(qint64 offset, const EndRecord& end,
                                       std::vector<TCentralDirectoryFile>& records) const
{
    records.clear();
    // Sizes and counts come from the file: no more is read, nor counted, than it holds.
    if (offset < 0 || end.directorySize > m_size - offset ||
        end.entriesOnDisk * CentralHeaderSize > end.directorySize) {
        return false;
    }
    const QByteArray directory = readAt(offset, end.directorySize);
    if (directory.size() != qint64(end.directorySize)) {
        return false;
    }
    qsizetype at = 0;
    for (qint64 i = 0; i < end.entriesOnDisk; ++i) {
        if (directory.size() - at < CentralHeaderSize) {
            return false;
        }
        TCentralDirectoryFile central = parseCentralHeader(directory.constData() + at);
        const qsizetype variable = central.nameLength + central.extraLength + central.commentLength;
        if (central.signature != CentralSignature || directory.size() - at - CentralHeaderSize < variable) {
            return false;
        }
        at += CentralHeaderSize;
        central.name = directory.mid(at, central.nameLength);
        central.extra = directory.mid(at + central.nameLength, central.extraLength);
        central.comment = directory.mid(at + central.nameLength + central.extraLength, central.commentLength);
        at += variable;
        records.push_back(std::move(central));
    }
    // A count one too low leaves records over; they belong to the directory as much as the others.
    return at == directory.size();
}

bool TZipArchive::localHeadersAt(const std::vector<TCentralDirectoryFile>& records, qint64 shift) const
{
    return std::all_of(records.begin(), records.end(), [&](const TCentralDirectoryFile& central) {
        const qint64 offset = entrySizes(central, central.localHeaderOffset, central.extra).offset;
        return offset >= 0 && hasSignatureAt(offset + shift, LocalSignature);
    });
}

void TZipArchive::useDirectory(const EndCandidate& candidate, std::vector<TCentralDirectoryFile>& records, qint64 shift)
{
    m_end = candidate.end;
    m_endPosition = candidate.position;
    const int count = int(records.size());
    for (int i = 0; i < count; ++i) {
        TCentralDirectoryFile& central = records[size_t(i)];
        if (central.localHeaderOffset != Zip64Marker) {
            central.localHeaderOffset = quint32(qint64(central.localHeaderOffset) + shift);
        }
        TZipArchiveEntriesEntry& entry = m_entries.add(central);
        if (central.localHeaderOffset == Zip64Marker && entry.m_localHeaderOffset >= 0) {
            entry.m_localHeaderOffset += shift;
        }
        if (OnZipOpen) {
            OnZipOpen(i, count);
        }
    }
}

void TZipArchive::readLocalHeaders()
{
    const int count = m_entries.Count();
    for (int i = 0; i < count; ++i) {
        if (OnZipOpen) {
            OnZipOpen(i, count);
        }
        TZipArchiveEntriesEntry& entry = m_entries.Items(i);
        readLocalHeader(entry.m_localHeaderOffset, entry.m_local);
    }
}

QString TZipArchive::sharedData() const
{
    // Each entry's local header and data, as the directory places them. Two records whose spans
    // meet would have the same bytes extracted twice: a small archive could then fill a disk.
    struct Span {
        qint64 start;
        qint64 end;
        int entry;
    };
    std::vector<Span> spans;
    spans.reserve(size_t(m_entries.Count()));
    for (int i = 0; i < m_entries.Count(); ++i) {
        const TZipArchiveEntriesEntry& entry = m_entries.Items(i);
        const ZipHeaderFields& header = entry.m_local.signature == LocalSignature
                                            ? static_cast<const ZipHeaderFields&>(entry.m_local)
                                            : static_cast<const ZipHeaderFields&>(entry.m_central);
        const qint64 start = entry.LocalHeaderOffset();
        if (start < 0) {
            continue; // refused at extraction
        }
        // A size that cannot be told is refused at extraction; its span is only its header here.
        const qint64 data = std::max<qint64>(0, entry.CompressedSize());
        spans.push_back({start, start + LocalHeaderSize + header.nameLength + header.extraLength + data, i});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].start < spans[i - 1].end) {
            const auto name = [this](int entry) { return quoted(m_entries.Items(entry).FileName()); };
            return QStringLiteral("has entries that share their data (") + name(spans[i - 1].entry) +
                   QStringLiteral(" and ") + name(spans[i].entry) + u')';
        }
        spans[i].end = std::max(spans[i].end, spans[i - 1].end);
    }
    return {};
}

void TZipArchive::walkLocalHeaders()
{
    m_entries.clear();
    qint64 position = 0;
    TLocalFile local;
    while (readLocalHeader(position, local)) {
        const qint64 dataStart = position + LocalHeaderSize + local.nameLength + local.extraLength;
        const qint64 compressed = entrySizes(local, 0, local.extra).compressed;
        if (compressed < 0) {
            break; // where the next entry starts cannot be told
        }
        qint64 next = dataStart + compressed;
        if ((local.flags & FlagDescriptor) && !findDataDescriptor(dataStart, local, next)) {
            break;
        }
        TZipArchiveEntriesEntry& entry = m_entries.add(centralFromLocal(local, position));
        entry.m_local = local;
        entry.m_dateTime = fromDosDateTime(local.date, local.time);
        position = next;
    }
}

bool TZipArchive::hasSignatureAt(qint64 offset, quint32 signature) const
{
    const QByteArray bytes = readAt(offset, 4);
    return bytes.size() == 4 && le32(bytes.constData()) == signature;
}

bool TZipArchive::readLocalHeader(qint64 offset, TLocalFile& local) const
{
    local = {};
    // Names and extra fields are short: one read mostly takes the whole header.
    constexpr qint64 Usual = LocalHeaderSize + 226;
    QByteArray head = readAt(offset, Usual);
    if (head.size() < LocalHeaderSize || le32(head.constData()) != LocalSignature) {
        return false;
    }
    TLocalFile found = parseLocalHeader(head.constData());
    const qint64 whole = LocalHeaderSize + found.nameLength + found.extraLength;
    if (head.size() < whole) {
        if (head.size() == Usual) {
            head += readAt(offset + Usual, whole - Usual);
        }
        if (head.size() < whole) {
            return false;
        }
    }
    found.name = head.mid(LocalHeaderSize, found.nameLength);
    found.extra = head.mid(LocalHeaderSize + found.nameLength, found.extraLength);
    local = found;
    return true;
}

// An entry written as a stream has its sizes only in a descriptor after its data. Without a
// directory the data's end is the descriptor signature whose compressed size equals the
// distance from the data's start.
bool TZipArchive::findDataDescriptor(qint64 dataStart, TLocalFile& local, qint64& next) const
{
    constexpr qint64 Piece = 1 << 20;
    const QByteArray signature("PK\x07\x08", 4); // the descriptor's own signature
    for (qint64 at = dataStart; at < m_size; at += Piece) {
        // Overlapping pieces, so a descriptor across a piece boundary is seen whole.
        const QByteArray piece = readAt(at, Piece + DescriptorSize - 1);
        for (qsizetype i = piece.indexOf(signature); i >= 0 && i < Piece; i = piece.indexOf(signature, i + 1)) {
            const char* p = piece.constData() + i;
            if (piece.size() - i < DescriptorSize || le32(p + 8) != at + i - dataStart) {
                continue;
            }
            local.crc32 = le32(p + 4);
            local.compressedSize = le32(p + 8);
            local.uncompressedSize = le32(p + 12);
            next = at + i + DescriptorSize;
            return true;
        }
    }
    return false;
}

QByteArray TZipArchive::readAt(qint64 offset, qint64 length) const
{
    if (offset < 0 || !m_file->seek(offset)) {
        return {};
    }
    return m_file->read(length);
}

void TZipArchive::extract(const TZipArchiveEntriesEntry& entry, const QString& destination)
{
    const QString name = entry.FileName();
    if (!staysInside(name)) {
        throw ZipError(QStringLiteral("Unsafe entry name refused: ") + quoted(name));
    }
    QString target = destination;
    TOverwriteAction action = m_overwriteAction;
    if (action != oaOverwriteAll && action != oaSkipAll && OnOverwriteFile) {
        if (QFileInfo::exists(target)) {
            OnOverwriteFile(target, action);
        } else {
            action = oaOverwrite;
        }
    }
    if (action != oaOverwrite && action != oaOverwriteAll) {
        return;
    }
    check(entry);
    // The folder the caller names is taken as it is named; below it, the folders of the entry's
    // own name are the archive's, and are opened without following a link. Only when `target`
    // ends with the name can they be told; a renamed target is the caller's whole.
    QString root;
    QString relative;
    if (target.endsWith(u'/' + name)) {
        root = target.chopped(name.size());
        relative = name;
    } else {
        const qsizetype slash = target.lastIndexOf(u'/', target.endsWith(u'/') ? -2 : -1);
        root = slash >= 0 ? target.left(slash + 1) : QStringLiteral("./");
        relative = target.mid(slash + 1);
    }
    QDir().mkpath(root);
    const FdGuard folder{::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0) {
        throw ZipError(QStringLiteral("Cannot create the folder of ") + quoted(target) + QStringLiteral(": ") +
                           platform::systemReason(errno),
                       ZipError::Kind::Local);
    }
    extractAt(entry, folder.fd, QFile::encodeName(relative), target);
}

void TZipArchive::check(const TZipArchiveEntriesEntry& entry) const
{
    const QString name = entry.FileName();
    if (!staysInside(name)) {
        throw ZipError(QStringLiteral("Unsafe entry name refused: ") + quoted(name));
    }
    if (entry.IsFolder()) {
        if (entry.UncompressedSize() != 0) {
            throw ZipError(QStringLiteral("The folder entry ") + quoted(name) + QStringLiteral(" carries data"));
        }
        return;
    }
    // A ZIP64 mark with no value behind it in the extra field leaves the entry's size or place
    // unknown.
    const bool unknown = entry.CompressedSize() < 0 || entry.UncompressedSize() < 0 || entry.LocalHeaderOffset() < 0;
    if (entry.Encrypted() || unknown || !zipdecoder::isSupported(entry.CentralDirectory().method)) {
        throw ZipError(QStringLiteral("Cannot process this file: ") + name + u' ');
    }
    const TLocalFile& local = entry.LocalFile();
    if (local.signature != LocalSignature) {
        throw ZipError(QStringLiteral("The local header of ") + quoted(name) + QStringLiteral(" is missing"));
    }
    const qint64 offset = entry.LocalHeaderOffset() + LocalHeaderSize + local.nameLength + local.extraLength;
    if (entry.CompressedSize() > m_size - offset) {
        throw ZipError(QStringLiteral("The data of ") + quoted(name) + QStringLiteral(" are cut short"));
    }
}

void TZipArchive::extractAt(const TZipArchiveEntriesEntry& entry, int rootFd, const QByteArray& relative,
                            const QString& target)
{
    const QString name = entry.FileName();
    const QString root = target.left(target.size() - QFile::decodeName(relative).size());
    // Opens the folders of `path` below the root, made when missing; a link among them is refused.
    const auto openFolders = [&](const QByteArray& path, const QString& what) {
        int error = 0;
        QByteArray at;
        const int fd = zipdecoder::openFoldersAt(rootFd, path, true, error, at);
        if (fd >= 0) {
            return fd;
        }
        if (error == ELOOP) {
            throw ZipError(QStringLiteral("Cannot write ") + quoted(target) + QStringLiteral(": the folder ") +
                               quoted(root + QFile::decodeName(at)) + QStringLiteral(" is a symbolic link"),
                           ZipError::Kind::Local);
        }
        throw ZipError(what + quoted(target) + QStringLiteral(": ") + platform::systemReason(error),
                       ZipError::Kind::Local);
    };
    check(entry);
    if (entry.IsFolder()) {
        ::close(openFolders(relative, QStringLiteral("Cannot create the folder ")));
        return;
    }

    const TCentralDirectoryFile& central = entry.CentralDirectory();
    // The sizes and CRC-32 come from the directory: with flag bit 3 the local header has none, and
    // the data start right after its name and extra field. The local header was read at opening.
    const TLocalFile& local = entry.LocalFile();
    zipdecoder::EntryData data;
    data.offset = entry.LocalHeaderOffset() + LocalHeaderSize + local.nameLength + local.extraLength;
    data.compressedSize = entry.CompressedSize();
    data.uncompressedSize = entry.UncompressedSize();
    data.crc32 = central.crc32;
    data.method = central.method;
    const QString cutShort = QStringLiteral("The data of ") + quoted(name) + QStringLiteral(" are cut short");

    const qsizetype slash = relative.lastIndexOf('/');
    const FdGuard folder{
        openFolders(slash >= 0 ? relative.left(slash) : QByteArray(), QStringLiteral("Cannot create the folder of "))};
    // No attribute of the entry is applied: a read-only file would make the next update's
    // extraction fail, and hidden, system and archive have no meaning here.
    zipdecoder::PartFile out(folder.fd, relative.mid(slash + 1));
    const auto cannotWrite = [&] {
        return ZipError(QStringLiteral("Cannot write ") + quoted(target) + QStringLiteral(": ") + out.error(),
                        ZipError::Kind::Local);
    };
    if (!out.open()) {
        throw cannotWrite();
    }
    const qint64 total = data.uncompressedSize;
    const auto fault = zipdecoder::decode(
        *m_file, data, [&out](const char* bytes, qint64 size) { return out.write(bytes, size); },
        [this, total](qint64 written) {
            if (OnDecompressFile) {
                OnDecompressFile(written, total);
            }
        });
    switch (fault) {
    case zipdecoder::Fault::None:
        break;
    case zipdecoder::Fault::ShortRead:
        throw ZipError(cutShort);
    case zipdecoder::Fault::Damaged:
        throw ZipError(QStringLiteral("The data of ") + quoted(name) + QStringLiteral(" are damaged"));
    case zipdecoder::Fault::BadChecksum:
        throw ZipError(QStringLiteral("The CRC-32 of ") + quoted(name) + QStringLiteral(" does not match its data"));
    case zipdecoder::Fault::WriteFailed:
        throw cannotWrite();
    }
    if (!out.commit()) {
        throw cannotWrite();
    }
}
