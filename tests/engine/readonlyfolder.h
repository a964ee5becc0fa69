#pragma once

// A folder that may not be written, for tests that run as root (whom file modes do not stop): a
// SQLite file layer over the system's that, while the folder is set, opens the table files in it
// read-only, as on read-only media, or refuses the journals a write needs, as in a folder
// without write permission. Installed as the default layer, so the engine's own connections
// opened meanwhile go through it. Read-only files are made so on the disk too (their modes, and
// root's power over them lowered meanwhile): the engine asks the system whether a file it could
// only open for reading may be written, to tell it from a disk that failed.

#include "filemodes.h"

#include <cstring>
#include <memory>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <sqlite3.h>

namespace testsupport {

class ReadOnlyFolder final {
public:
    enum class Mode {
        Files,  // the table files open read-only
        Folder, // the table files open, but no journal can be made beside them
    };

    ReadOnlyFolder(const QString& folder, Mode mode)
    {
        m_real = sqlite3_vfs_find(nullptr);
        m_vfs = *m_real;
        m_vfs.zName = "korvelin-test-readonly";
        m_vfs.pAppData = this;
        m_vfs.xOpen = &ReadOnlyFolder::open;
        m_vfs.pNext = nullptr;
        m_folder = QFile::encodeName(QDir(folder).canonicalPath()) + '/';
        m_mode = mode;
        if (mode == Mode::Files) {
            const QDir dir(folder);
            for (const QString& name : dir.entryList(QDir::Files)) {
                const QString path = dir.filePath(name);
                m_modes.append({path, QFile::permissions(path)});
                QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
            }
            m_hold = std::make_unique<FileModesHold>();
        }
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~ReadOnlyFolder()
    {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(m_real, 1);
        m_hold.reset();
        for (const auto& [path, permissions] : m_modes) {
            QFile::setPermissions(path, permissions);
        }
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    static int open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        auto* self = static_cast<ReadOnlyFolder*>(vfs->pAppData);
        const bool inside =
            name != nullptr && std::strncmp(name, self->m_folder.constData(), size_t(self->m_folder.size())) == 0;
        if (inside && self->m_mode == Mode::Files && (flags & SQLITE_OPEN_MAIN_DB) != 0) {
            flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
        }
        if (inside && self->m_mode == Mode::Folder && (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0) {
            file->pMethods = nullptr; // nothing to close
            return SQLITE_CANTOPEN;
        }
        return self->m_real->xOpen(self->m_real, name, file, flags, outFlags);
    }

    sqlite3_vfs* m_real = nullptr;
    sqlite3_vfs m_vfs{};
    QByteArray m_folder;
    Mode m_mode = Mode::Files;
    QList<std::pair<QString, QFile::Permissions>> m_modes;
    std::unique_ptr<FileModesHold> m_hold;
};

} // namespace testsupport
