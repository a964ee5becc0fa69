#pragma once

// A desktop on which the real opener (xdg-open) finds no program for any file or link, for as long
// as it lives: no desktop session it would hand over to, no BROWSER, empty home and XDG folders,
// and a PATH that holds the opener and the plain tools it uses but no browser, mail program or
// generic viewer. So a test can meet the opener's "no method available" without a program ever
// being started on the machine.

#include <optional>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <utility>
#include <vector>

namespace testsupport {

class DesktopWithoutPrograms final {
public:
    DesktopWithoutPrograms()
    {
        const QDir root(m_dir.path());
        for (const char* folder : {"bin", "home", "data", "config", "run"}) {
            root.mkpath(QLatin1String(folder));
        }
        QFile::setPermissions(root.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // What the opener and its helper run besides the shell's own commands; what is missing
        // here only makes it look further, and nothing it looks for at the end is here.
        for (const char* tool :
             {"xdg-open", "xdg-mime", "sed", "grep", "egrep",  "which",    "uname",    "file",    "cut",
              "head",     "tail",     "tr",  "awk",  "cat",    "readlink", "basename", "dirname", "ls",
              "sort",     "uniq",     "wc",  "expr", "printf", "mkdir",    "mktemp",   "touch",   "rm"}) {
            const QString found = QStandardPaths::findExecutable(QLatin1String(tool));
            if (!found.isEmpty()) {
                QFile::link(found, root.filePath(QLatin1String("bin/") + QLatin1String(tool)));
            }
        }
        m_hasOpener = QFileInfo::exists(root.filePath("bin/xdg-open"));
        set("PATH", root.filePath("bin"));
        set("HOME", root.filePath("home"));
        set("XDG_DATA_HOME", root.filePath("data"));
        set("XDG_DATA_DIRS", root.filePath("data"));
        set("XDG_CONFIG_HOME", root.filePath("config"));
        set("XDG_CONFIG_DIRS", root.filePath("config"));
        set("XDG_RUNTIME_DIR", root.filePath("run"));
        for (const char* name :
             {"BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
              "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG", "DESKTOP", "DBUS_SESSION_BUS_ADDRESS", "TERMINAL"}) {
            set(name, std::nullopt);
        }
    }
    ~DesktopWithoutPrograms()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                qputenv(it->first, *it->second);
            } else {
                qunsetenv(it->first);
            }
        }
    }
    DesktopWithoutPrograms(const DesktopWithoutPrograms&) = delete;
    DesktopWithoutPrograms& operator=(const DesktopWithoutPrograms&) = delete;

    // False when the machine lacks the opener (its package is missing).
    bool hasOpener() const { return m_hasOpener; }

private:
    void set(const char* name, const std::optional<QString>& value)
    {
        m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        if (value) {
            qputenv(name, QFile::encodeName(*value));
        } else {
            qunsetenv(name);
        }
    }

    QTemporaryDir m_dir;
    bool m_hasOpener = false;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};

} // namespace testsupport
