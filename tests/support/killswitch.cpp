#include "killswitch.h"

#include "logger.h"

#include <csignal>
#include <cstring>
#include <QFileInfo>
#include <QHash>
#include <sqlite3.h>
#include <unistd.h>

namespace killswitch {

namespace {

bool g_armed = false;
QByteArray g_target;
int g_occurrence = 0;
QHash<QByteArray, int> g_counts;
QByteArrayList g_moments;
QByteArray g_lastLine; // the last line of the log, without its time

void reach(const QByteArray& name)
{
    if (!g_armed) {
        return;
    }
    g_moments.append(name);
    const int n = ++g_counts[name];
    if (!g_target.isEmpty() && name == g_target && n == g_occurrence) {
        ::kill(::getpid(), SIGKILL);
    }
}

QByteArray baseName(const char* path)
{
    return path == nullptr ? QByteArray("(temporary)") : QFileInfo(QString::fromUtf8(path)).fileName().toUtf8();
}

// ---- The file-system layer: each file carries the system's file behind it.

sqlite3_vfs* g_system = nullptr;
sqlite3_vfs g_layer;
sqlite3_io_methods g_methods;

struct LayerFile {
    sqlite3_file base;
    sqlite3_file* real;
    char name[256];
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<LayerFile*>(f)->real;
}
QByteArray nameOf(sqlite3_file* f)
{
    return QByteArray(reinterpret_cast<LayerFile*>(f)->name);
}

int xClose(sqlite3_file* f)
{
    return real(f)->pMethods->xClose(real(f));
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset)
{
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset)
{
    reach("write " + nameOf(f));
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    reach("truncate " + nameOf(f));
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags)
{
    reach("sync " + nameOf(f));
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out)
{
    return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* pointer)
{
    return real(f)->pMethods->xUnfetch(real(f), offset, pointer);
}

int xOpen(sqlite3_vfs*, const char* path, sqlite3_file* file, int flags, int* outFlags)
{
    auto* f = reinterpret_cast<LayerFile*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    const QByteArray name = baseName(path);
    std::strncpy(f->name, name.constData(), sizeof f->name - 1);
    f->name[sizeof f->name - 1] = '\0';
    reach("open " + name);
    const int rc = g_system->xOpen(g_system, path, f->real, flags, outFlags);
    f->base.pMethods = f->real->pMethods != nullptr ? &g_methods : nullptr;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* path, int syncDir)
{
    reach("delete " + baseName(path));
    return g_system->xDelete(g_system, path, syncDir);
}

} // namespace

void install()
{
    g_system = sqlite3_vfs_find(nullptr);
    g_layer = *g_system; // everything else is the system's own
    g_layer.szOsFile = int(sizeof(LayerFile)) + g_system->szOsFile;
    g_layer.zName = "killswitch";
    g_layer.xOpen = xOpen;
    g_layer.xDelete = xDelete;
    g_methods = {3,
                 xClose,
                 xRead,
                 xWrite,
                 xTruncate,
                 xSync,
                 xFileSize,
                 xLock,
                 xUnlock,
                 xCheckReservedLock,
                 xFileControl,
                 xSectorSize,
                 xDeviceCharacteristics,
                 xShmMap,
                 xShmLock,
                 xShmBarrier,
                 xShmUnmap,
                 xFetch,
                 xUnfetch};
    sqlite3_vfs_register(&g_layer, 1);
    TLogger::lineWritten() = [](const QByteArray& line) {
        // The time a line is stamped with differs from run to run.
        QByteArray text = line;
        if (text.startsWith('[') && text.indexOf(']') == 9) {
            text = text.mid(10);
        }
        g_lastLine = text;
        reach("log " + text);
    };
}

void arm(const QByteArray& name, int occurrence)
{
    g_target = name;
    g_occurrence = occurrence;
    g_counts.clear();
    g_moments.clear();
    g_lastLine.clear();
    g_armed = true;
}

void disarm()
{
    g_armed = false;
}

void moment(const QByteArray& name)
{
    reach(name + " after " + g_lastLine.trimmed());
}

QByteArrayList moments()
{
    return g_moments;
}

} // namespace killswitch
