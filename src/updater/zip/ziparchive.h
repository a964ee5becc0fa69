#pragma once

// Reads ZIP archives and extracts their stored, deflated and bzip2 entries to files. The updater
// unpacks every downloaded update archive with it. The reader never writes to an archive.

#include <functional>
#include <memory>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

class QFile;

// The one failure type of the reader. The message says what and where, for the log.
class ZipError final : public std::runtime_error {
public:
    // Whose the failure is: the archive's (what it holds cannot be extracted as it stands: damaged
    // or cut data, unsafe names, entries larger than they declare, methods not read here), or the
    // computer's (the archive's file cannot be found or read, an entry's file cannot be written).
    enum class Kind { Archive, Local };
    explicit ZipError(const QString& message, Kind kind = Kind::Archive);
    QString message() const { return m_message; }
    Kind kind() const { return m_kind; }

private:
    QString m_message;
    Kind m_kind;
};

enum TOverwriteAction { oaSkip, oaSkipAll, oaOverwrite, oaOverwriteAll };

// The deflate level an entry's flags record; any method but deflate reads ctUnknown.
enum TZipCompressionType { ctNormal, ctMaximum, ctFast, ctSuperFast, ctNone, ctUnknown };

// The 26 bytes that a local header and a central directory header share, laid out alike.
struct ZipHeaderFields {
    quint16 versionNeeded = 0;
    quint16 flags = 0;
    quint16 method = 0;
    quint16 time = 0;
    quint16 date = 0;
    quint32 crc32 = 0;
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    quint16 nameLength = 0;
    quint16 extraLength = 0;
};

// A local file header as stored: signature, the shared fields (30 bytes in all), then the name
// and the extra field.
struct TLocalFile : ZipHeaderFields {
    quint32 signature = 0; // 0 when no local header was found where the directory points
    QByteArray name;
    QByteArray extra;
};

// A central directory header as stored: signature, version made by, the shared fields, then
// comment length, disk, attributes and the local header's offset (46 bytes in all), then the
// name, the extra field and the comment.
struct TCentralDirectoryFile : ZipHeaderFields {
    quint32 signature = 0;
    quint16 versionMadeBy = 0;
    quint16 commentLength = 0;
    quint16 diskNumberStart = 0;
    quint16 internalAttributes = 0;
    quint32 externalAttributes = 0;
    quint32 localHeaderOffset = 0;
    QByteArray name;
    QByteArray extra;
    QByteArray comment;
};

class TZipArchive;
class TZipArchiveEntries;

class TZipArchiveEntriesEntry final {
public:
    TZipArchiveEntriesEntry(TZipArchiveEntries& collection, const TCentralDirectoryFile& central);

    const TCentralDirectoryFile& CentralDirectory() const { return m_central; }
    const TLocalFile& LocalFile() const { return m_local; }
    bool Encrypted() const { return m_encrypted; }
    // The name ends in "/"; the entry's attributes do not count.
    bool IsFolder() const { return m_isFolder; }
    // The local header's time stamp; set only for entries found by walking the local headers.
    QDateTime DateTime() const { return m_dateTime; }
    TZipCompressionType CompressionType() const { return m_compressionType; }
    bool Selected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }

    // The name as stored, with "/" separators; UTF-8 when flagged or valid, else code page 437.
    QString FileName() const;

    // The sizes and the local header's place, from the ZIP64 extra field where the directory's
    // record marks them so; -1 when such a mark has no value behind it (the entry is then not
    // extracted).
    qint64 CompressedSize() const { return m_compressedSize; }
    qint64 UncompressedSize() const { return m_uncompressedSize; }
    qint64 LocalHeaderOffset() const { return m_localHeaderOffset; }

    // Extracts the entry to `destination`, honouring the archive's OverwriteAction and its
    // OnOverwriteFile event. A file is written under a temporary name beside `destination` and
    // renamed over it only when complete and its CRC-32 matches, so a failure (ZipError) never
    // leaves a cut file or disturbs an existing one; a failed write names the file and the
    // system's reason. Names that would climb out of the folder they are extracted to are refused,
    // and so is a folder entry that carries data. Data that decode to more than the entry's
    // declared size are stopped before anything past that size is written. Nothing is written
    // through a symbolic link: a link standing where the entry goes is replaced, and one standing
    // for a folder of the entry's name (below the folder it is extracted to) is refused.
    void ExtractToFile(const QString& destination);
    // The same, to the entry's own name below the open folder `folderFd`, whose name `folderName`
    // is only told in failures: the folders of the entry's name and its file are made and opened
    // relative to that folder, never through a link, so the folder checked is the one written
    // to. OnOverwriteFile is asked with folderName + the entry's name.
    void ExtractAt(int folderFd, const QString& folderName);

private:
    friend class TZipArchive;

    TZipArchiveEntries& m_collection;
    TCentralDirectoryFile m_central;
    TLocalFile m_local;
    bool m_encrypted = false;
    bool m_isFolder = false;
    QDateTime m_dateTime;
    TZipCompressionType m_compressionType = ctUnknown;
    bool m_selected = false;
    qint64 m_compressedSize = -1;
    qint64 m_uncompressedSize = -1;
    qint64 m_localHeaderOffset = -1;
};

class TZipArchiveEntries final {
public:
    explicit TZipArchiveEntries(TZipArchive& archive) : m_archive(archive) {}

    TZipArchive& Archive() const { return m_archive; }
    bool IsZipArchive() const { return m_isZipArchive; }
    int Count() const { return int(m_items.size()); }
    // Throws ZipError "List index out of bounds (<index>)" outside 0 .. Count() - 1.
    TZipArchiveEntriesEntry& Items(int index) const;
    TZipArchiveEntriesEntry& operator[](int index) const { return Items(index); }

private:
    friend class TZipArchive;
    void clear();
    TZipArchiveEntriesEntry& add(const TCentralDirectoryFile& central);

    TZipArchive& m_archive;
    bool m_isZipArchive = false;
    std::vector<std::unique_ptr<TZipArchiveEntriesEntry>> m_items;
};

class TZipArchive final {
public:
    TZipArchive();
    ~TZipArchive();
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; } // only stores it
    // True while a recognised archive is open.
    bool IsZipFile() const { return m_isZipFile; }
    bool Active() const { return m_isZipFile; }
    // True opens FileName, false closes; nothing happens while FileName is empty.
    void setActive(bool active);
    TOverwriteAction OverwriteAction() const { return m_overwriteAction; }
    void setOverwriteAction(TOverwriteAction action) { m_overwriteAction = action; }
    // Kept for the callers that set it; see ExtractToFile for why no attribute reaches a file.
    bool ApplyAtributes() const { return m_applyAtributes; }
    void setApplyAtributes(bool apply) { m_applyAtributes = apply; }
    // True when the open archive's file has no write permission.
    bool ReadOnly() const { return m_readOnly; }
    // The archive comment as lines (split at CR LF, CR or LF); empty when closed.
    QList<QByteArray> Comment() const;
    // The entries' names in local form: "//" made one "/", anything up to a drive's ":/" dropped.
    QStringList FileNames() const;

    // An archive whose directory cannot be read as it stands. A file is an archive when it has an
    // end record or starts with a local header; when its directory is missing (a download cut
    // short), damaged, counted wrong, not where its end record says, or has records that share
    // another entry's data, opening does not fail: the archive opens (IsZipFile and Active true)
    // with the entries that could be recovered, and DirectoryDamaged() is true. The entries come
    // from the directory where it really lies when only its place was wrong (bytes in front of the
    // archive: each entry's CentralDirectory().localHeaderOffset is then where its local header
    // really is), else from walking the local headers from the start of the file; there may be
    // none. Entries may be missing, so a caller that must have the whole archive (the update run)
    // takes such an archive as failed. DirectoryError() says what was wrong and with which file
    // ("The archive "<path>" has no directory; it may be cut short. Entries found by their local
    // headers: 3."). Both are cleared by Close and by every open; a file that is not an archive
    // at all (a news file) is not a damaged one.
    bool DirectoryDamaged() const { return !m_directoryError.isEmpty(); }
    QString DirectoryError() const { return m_directoryError; }

    // The sizes the directory declares for the file entries, added up: the most that extracting
    // every entry writes. An entry whose size cannot be told (a ZIP64 mark without its value) is
    // refused when extracted, and counts nothing here.
    qint64 UncompressedTotal() const;

    TZipArchiveEntries& Entries() { return m_entries; }
    const TZipArchiveEntries& Entries() const { return m_entries; }

    // Closes any open archive and opens `fileName`. A missing file throws ZipError
    // "File "<name>" not found!"; a file that is not a ZIP archive opens without failure, reads
    // as not active and has no entries; an archive with a damaged directory: see DirectoryDamaged.
    void Open(const QString& fileName);
    // The same for the file `name` of the open folder `folderFd`, opened as it stands: a link in
    // its place is refused, never followed. `fileName` is the name told in failures and kept in
    // FileName().
    void OpenAt(int folderFd, const QByteArray& name, const QString& fileName);
    void Close();
    void SelectAll();

    // Decompression progress of the entry being extracted: bytes out so far and the entry's size.
    std::function<void(qint64 current, qint64 total)> OnDecompressFile;
    // 0 after every close, 1 at the end of every open.
    std::function<void(int changeType)> OnZipChange;
    // Once per entry while the directory is read and once more while the local headers are.
    std::function<void(int current, int total)> OnZipOpen;
    // Asked before an existing file is replaced; may change the destination and the action
    // (an answer of oaSkipAll or oaOverwriteAll holds for that entry only).
    std::function<void(QString& fileName, TOverwriteAction& action)> OnOverwriteFile;

private:
    friend class TZipArchiveEntriesEntry;

    // What the reader uses of the end-of-central-directory record.
    struct EndRecord {
        qint64 entriesOnDisk = 0;
        qint64 directorySize = 0;
        qint64 directoryOffset = 0;
        quint16 commentLength = 0;
    };

    struct EndCandidate {
        qint64 position;
        EndRecord end;
    };

    void parse();
    std::vector<EndCandidate> endCandidates() const;
    bool readDirectory(QString& fault);
    bool readDirectoryRecords(qint64 offset, const EndRecord& end, std::vector<TCentralDirectoryFile>& records) const;
    bool localHeadersAt(const std::vector<TCentralDirectoryFile>& records, qint64 shift) const;
    void useDirectory(const EndCandidate& candidate, std::vector<TCentralDirectoryFile>& records, qint64 shift);
    void readLocalHeaders();
    QString sharedData() const;
    void walkLocalHeaders();
    bool hasSignatureAt(qint64 offset, quint32 signature) const;
    bool readLocalHeader(qint64 offset, TLocalFile& local) const;
    bool findDataDescriptor(qint64 dataStart, TLocalFile& local, qint64& next) const;
    QByteArray readAt(qint64 offset, qint64 length) const;
    void open(std::unique_ptr<QFile> file, const QString& fileName);
    EndRecord zip64End(qint64 endPosition, const EndRecord& end) const;
    // Throws the archive's own reasons an entry cannot be extracted.
    void check(const TZipArchiveEntriesEntry& entry) const;
    void extract(const TZipArchiveEntriesEntry& entry, const QString& destination);
    void extractAt(const TZipArchiveEntriesEntry& entry, int rootFd, const QByteArray& relative, const QString& target);

    QString m_fileName;
    bool m_isZipFile = false;
    TOverwriteAction m_overwriteAction = oaSkip;
    bool m_applyAtributes = true;
    bool m_readOnly = false;
    TZipArchiveEntries m_entries{*this};
    std::unique_ptr<QFile> m_file;
    EndRecord m_end;
    qint64 m_endPosition = -1;
    qint64 m_size = 0; // of the open file
    QString m_directoryError;
};
