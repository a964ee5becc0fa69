#pragma once

// The user's folders of a test that starts the program, in process or as a child process (which
// inherits them): the fonts the program gives the desktop, fontconfig's caches and whatever is
// kept in the configuration folder go to a folder of the build's (build/test-desktop), never to
// the user's.

#include "scriptedprompter.h"

#include <optional>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>
#include <vector>

// Points the user's data, configuration and cache folders at the build's for as long as it lives.
// Kept across runs, so the fonts are copied once for each build of them: a desktop that has a
// family keeps the copy it has.
class TestDesktopFolders {
public:
    TestDesktopFolders()
    {
        const QDir bin(testsupport::binFolder());
        const qint64 fontsBuilt = QFileInfo(bin.filePath("Yhelvn.TTF")).lastModified().toSecsSinceEpoch();
        const QString root = bin.absoluteFilePath("../test-desktop/" + QString::number(fontsBuilt));
        set("XDG_DATA_HOME", root + "/data");
        set("XDG_CONFIG_HOME", root + "/config");
        set("XDG_CACHE_HOME", root + "/cache");
    }
    ~TestDesktopFolders()
    {
        for (const auto& [name, saved] : m_saved) {
            if (saved) {
                qputenv(name, *saved);
            } else {
                qunsetenv(name);
            }
        }
    }
    TestDesktopFolders(const TestDesktopFolders&) = delete;
    TestDesktopFolders& operator=(const TestDesktopFolders&) = delete;

private:
    void set(const char* name, const QString& value)
    {
        m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv(name, QFile::encodeName(value));
    }

    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};
