#pragma once

// A disk that fails to read the table files of one name, as a failing disk or a lost network share
// does: a SQLite file layer over the system's, installed as the default layer before the program
// opens its tables (connections opened earlier keep the system's). While armed, every read of a
// file whose name ends as given fails with SQLite's read error; disarmed, it passes everything on.

#include <QByteArray>
#include <sqlite3.h>

namespace testsupport {

class FailingReads final {
public:
    FailingReads()
    {
        if (s_real == nullptr) {
            s_real = sqlite3_vfs_find(nullptr);
            s_vfs = *s_real;
            s_vfs.zName = "korvelin-test-failingreads";
            s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
            s_vfs.xOpen = &FailingReads::open;
            s_vfs.pNext = nullptr;
            s_methods = {
                1,
                [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); },
                &FailingReads::read,
                [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
                    return real(f)->pMethods->xWrite(real(f), b, n, at);
                },
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
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~FailingReads()
    {
        s_nameEnd.clear();
        sqlite3_vfs_register(s_real, 1);
    }
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;

    // Reads of the files whose names end with `nameEnd` fail from now on; an empty name stops it.
    void arm(const QByteArray& nameEnd) { s_nameEnd = nameEnd; }
    void disarm() { s_nameEnd.clear(); }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        char name[512];
    };

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->name[0] = '\0';
        if (name != nullptr) {
            qstrncpy(f->name, name, sizeof f->name);
        }
        const int rc = s_real->xOpen(s_real, name, f->real, flags, outFlags);
        file->pMethods = f->real->pMethods != nullptr ? &s_methods : nullptr;
        return rc;
    }

    static int read(sqlite3_file* file, void* bytes, int amount, sqlite3_int64 offset)
    {
        auto* f = reinterpret_cast<File*>(file);
        if (!s_nameEnd.isEmpty() && QByteArray(f->name).endsWith(s_nameEnd)) {
            return SQLITE_IOERR_READ;
        }
        return real(file)->pMethods->xRead(real(file), bytes, amount, offset);
    }

    inline static sqlite3_vfs* s_real = nullptr;
    inline static sqlite3_vfs s_vfs{};
    inline static sqlite3_io_methods s_methods{};
    inline static QByteArray s_nameEnd;
};

} // namespace testsupport
