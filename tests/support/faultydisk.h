#pragma once

// A disk that fails for the table files of one name, for tests that run as root (whom file modes
// do not stop): a SQLite file layer over the system's that, while it lives, either finds no room
// for a write past the first pages of such a file, as a full disk does, or fills up once the files
// have grown by a given number of bytes, or fails to open such a file, or to read it, with the
// system's input/output error, as a failing disk or a lost network share does.
// Installed as the default layer, so the engine's connections opened meanwhile go through it;
// those opened before keep the system's. The layer itself stays for the process (connections
// opened through it may outlive the fault) and passes everything on once the fault is gone.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <QByteArray>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace testsupport {

class FaultyDisk final {
public:
    enum class Fault {
        Full,          // writes past the first 8 KB of the file find no room
        OpenFails,     // opening the file fails with EIO
        OpensReadOnly, // opening the file for writing fails with EIO, and the file is opened for
                       // reading only, without a word, as SQLite's own layer does then
        FillsUp,       // the files find no room once they have grown by setRoom()'s bytes
        ReadsFail,     // while armed, reads of the file fail with EIO; the layer is made before
                       // the program opens its tables, and the file named when it is armed
    };

    // `nameEnd`: how the names of the files concerned end ("TB_Zakoni.Rebuild.db"; empty for
    // every file). An open fault lets the first `skip` opens through, then strikes `times` opens
    // (-1: every one).
    FaultyDisk(const QByteArray& nameEnd, Fault fault, int skip = 0, int times = -1)
        : m_nameEnd(nameEnd), m_fault(fault), m_skip(skip), m_times(times)
    {
        if (s_real == nullptr) {
            s_real = sqlite3_vfs_find(nullptr);
            s_vfs = *s_real;
            s_vfs.zName = "korvelin-test-faultydisk";
            s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
            s_vfs.xOpen = &FaultyDisk::open;
            s_vfs.xGetLastError = &FaultyDisk::lastError;
            s_vfs.pNext = nullptr;
            s_methods = {
                1,
                [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); },
                &FaultyDisk::read,
                &FaultyDisk::write,
                [](sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); },
                [](sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); },
                [](sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); },
                [](sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); },
                [](sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); },
                [](sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); },
                [](sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); },
                [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); },
                [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); },
                nullptr,
                nullptr,
                nullptr,
                nullptr,
                nullptr,
                nullptr};
        }
        s_self = this;
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~FaultyDisk()
    {
        sqlite3_vfs_unregister(&s_vfs);
        sqlite3_vfs_register(s_real, 1);
        s_self = nullptr;
    }
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    // How often a file concerned failed.
    int failures() const { return m_failures; }

    // ReadsFail: reads of the files whose names end with `nameEnd` fail from now on, whenever
    // they were opened; disarm() lets them through again.
    void arm(const QByteArray& nameEnd)
    {
        m_nameEnd = nameEnd;
        m_armed = true;
    }
    void disarm() { m_armed = false; }

    // FillsUp: the bytes the files may grow by from now on, together; -1 for no limit. A file
    // that shrinks or goes gives its room back, as on a real disk.
    void setRoom(sqlite3_int64 bytes)
    {
        m_room = bytes;
        m_grown = 0;
        for (auto& [name, size] : m_sizes) {
            size = sizeOf(name);
        }
    }
    // FillsUp: the most the files had grown by at once since the room was set.
    sqlite3_int64 grown() const { return m_grown; }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        bool concerned;
        char name[512]; // for the faults that strike by the name when they are armed
    };

    static constexpr sqlite3_int64 Room = 8192;

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        FaultyDisk* self = s_self;
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->concerned = self != nullptr && name != nullptr && QByteArray(name).endsWith(self->m_nameEnd);
        f->name[0] = '\0';
        if (name != nullptr) {
            qstrncpy(f->name, name, sizeof f->name);
        }
        const bool forWriting = (flags & SQLITE_OPEN_MAIN_DB) != 0 && (flags & SQLITE_OPEN_READWRITE) != 0;
        if (f->concerned && (self->m_fault == Fault::OpenFails || (self->m_fault == Fault::OpensReadOnly && forWriting)) &&
            self->strikes()) {
            ++self->m_failures;
            if (self->m_fault == Fault::OpenFails) {
                s_lastError = EIO;
                file->pMethods = nullptr; // nothing to close
                return SQLITE_CANTOPEN;
            }
            flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
            const int rc = s_real->xOpen(s_real, name, f->real, flags, outFlags);
            if (outFlags != nullptr) {
                *outFlags = flags;
            }
            file->pMethods = f->real->pMethods != nullptr ? &s_methods : nullptr;
            return rc;
        }
        if (f->concerned && self->m_fault == Fault::FillsUp) {
            self->m_sizes.try_emplace(name, sizeOf(name));
        }
        const int rc = s_real->xOpen(s_real, name, f->real, flags, outFlags);
        file->pMethods = f->real->pMethods != nullptr ? &s_methods : nullptr;
        return rc;
    }

    static sqlite3_int64 sizeOf(const std::string& name)
    {
        struct stat st {};
        return ::stat(name.c_str(), &st) == 0 ? sqlite3_int64(st.st_size) : 0;
    }

    // What the files written have grown by since the room was set, counted from their sizes now.
    sqlite3_int64 used() const
    {
        sqlite3_int64 total = 0;
        for (const auto& [name, size] : m_sizes) {
            total += std::max<sqlite3_int64>(0, sizeOf(name) - size);
        }
        return total;
    }

    static int write(sqlite3_file* file, const void* bytes, int amount, sqlite3_int64 offset)
    {
        auto* f = reinterpret_cast<File*>(file);
        FaultyDisk* self = s_self;
        if (f->concerned && self != nullptr && self->m_fault == Fault::Full && offset + amount > Room) {
            ++self->m_failures;
            s_lastError = ENOSPC;
            return SQLITE_FULL;
        }
        if (f->concerned && self != nullptr && self->m_fault == Fault::FillsUp && self->m_room >= 0) {
            // Only what a write adds past the file's end takes room.
            sqlite3_int64 size = 0;
            real(file)->pMethods->xFileSize(real(file), &size);
            const sqlite3_int64 before = self->used();
            const sqlite3_int64 used = before + std::max<sqlite3_int64>(0, offset + amount - size);
            if (used > self->m_room) {
                // As the system does, what fits is written before the disk is found full: a page
                // may be left cut.
                const sqlite3_int64 fits =
                    std::min<sqlite3_int64>(amount, size + std::max<sqlite3_int64>(0, self->m_room - before) - offset);
                if (fits > 0) {
                    real(file)->pMethods->xWrite(real(file), bytes, int(fits), offset);
                }
                ++self->m_failures;
                s_lastError = ENOSPC;
                return SQLITE_FULL;
            }
            self->m_grown = std::max(self->m_grown, used);
        }
        return real(file)->pMethods->xWrite(real(file), bytes, amount, offset);
    }

    static int read(sqlite3_file* file, void* bytes, int amount, sqlite3_int64 offset)
    {
        auto* f = reinterpret_cast<File*>(file);
        FaultyDisk* self = s_self;
        if (self != nullptr && self->m_fault == Fault::ReadsFail && self->m_armed &&
            QByteArray(f->name).endsWith(self->m_nameEnd)) {
            ++self->m_failures;
            s_lastError = EIO;
            return SQLITE_IOERR_READ;
        }
        return real(file)->pMethods->xRead(real(file), bytes, amount, offset);
    }

    static int lastError(sqlite3_vfs*, int size, char* text)
    {
        if (const int error = std::exchange(s_lastError, 0); error != 0) {
            return error;
        }
        return s_real->xGetLastError(s_real, size, text);
    }

    bool strikes()
    {
        if (m_skip > 0) {
            --m_skip;
            return false;
        }
        if (m_times == 0) {
            return false;
        }
        if (m_times > 0) {
            --m_times;
        }
        return true;
    }

    inline static FaultyDisk* s_self = nullptr;
    inline static sqlite3_vfs* s_real = nullptr;
    inline static sqlite3_vfs s_vfs{};
    inline static sqlite3_io_methods s_methods{};
    inline static int s_lastError = 0;
    QByteArray m_nameEnd;
    Fault m_fault;
    bool m_armed = false;
    int m_skip;
    int m_times;
    int m_failures = 0;
    sqlite3_int64 m_room = -1;
    sqlite3_int64 m_grown = 0;
    std::map<std::string, sqlite3_int64> m_sizes; // each file's size when the room was set
};

} // namespace testsupport
