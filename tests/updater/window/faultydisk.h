#pragma once

// A disk that fails for the table files of one name, for tests that run as root (whom file modes
// do not stop): a SQLite file layer over the system's that, while it lives, either finds no room
// for a write past the first pages of such a file, as a full disk does, or fails to open such a
// file with the system's input/output error, as a failing disk or a lost network share does.
// Installed as the default layer, so the engine's connections opened meanwhile go through it;
// those opened before keep the system's. The layer itself stays for the process (connections
// opened through it may outlive the fault) and passes everything on once the fault is gone.

#include <cerrno>
#include <cstring>
#include <QByteArray>
#include <sqlite3.h>
#include <utility>

namespace testsupport {

class FaultyDisk final {
public:
    enum class Fault {
        Full,     // writes past the first 8 KB of the file find no room
        OpenFails // opening the file fails with EIO
    };

    // `nameEnd`: how the names of the files concerned end ("TB_Zakoni.Rebuild.db").
    FaultyDisk(const QByteArray& nameEnd, Fault fault) : m_nameEnd(nameEnd), m_fault(fault)
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
                [](sqlite3_file* f, void* b, int n, sqlite3_int64 at) {
                    return real(f)->pMethods->xRead(real(f), b, n, at);
                },
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

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        bool concerned;
    };

    static constexpr sqlite3_int64 Room = 8192;

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        FaultyDisk* self = s_self;
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->concerned = self != nullptr && name != nullptr && QByteArray(name).endsWith(self->m_nameEnd);
        if (f->concerned && self->m_fault == Fault::OpenFails) {
            ++self->m_failures;
            s_lastError = EIO;
            file->pMethods = nullptr; // nothing to close
            return SQLITE_CANTOPEN;
        }
        const int rc = s_real->xOpen(s_real, name, f->real, flags, outFlags);
        file->pMethods = f->real->pMethods != nullptr ? &s_methods : nullptr;
        return rc;
    }

    static int write(sqlite3_file* file, const void* bytes, int amount, sqlite3_int64 offset)
    {
        auto* f = reinterpret_cast<File*>(file);
        if (f->concerned && s_self != nullptr && offset + amount > Room) {
            ++s_self->m_failures;
            s_lastError = ENOSPC;
            return SQLITE_FULL;
        }
        return real(file)->pMethods->xWrite(real(file), bytes, amount, offset);
    }

    static int lastError(sqlite3_vfs*, int size, char* text)
    {
        if (const int error = std::exchange(s_lastError, 0); error != 0) {
            return error;
        }
        return s_real->xGetLastError(s_real, size, text);
    }

    inline static FaultyDisk* s_self = nullptr;
    inline static sqlite3_vfs* s_real = nullptr;
    inline static sqlite3_vfs s_vfs{};
    inline static sqlite3_io_methods s_methods{};
    inline static int s_lastError = 0;
    QByteArray m_nameEnd;
    Fault m_fault;
    int m_failures = 0;
};

} // namespace testsupport
