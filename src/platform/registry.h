#pragma once

// A small registry: two hives of keys holding named text values, kept as settings files. The
// machine-wide hive stands for the system's, the user hive for the current user's. Key paths are
// written with backslashes ("SOFTWARE\DBE\Database Engine"); names are compared as written.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

namespace platform {

enum class Hive { LocalMachine, CurrentUser };

class RegistryKey final {
public:
    // Opens a key; without `create` a missing key gives nullopt.
    static std::optional<RegistryKey> open(Hive hive, const QString& path, bool create);

    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;
    ~RegistryKey();

    bool hasValue(const QString& name) const;
    QString readString(const QString& name, const QString& fallback = {}) const;
    // A value written is on disk when the call returns.
    void writeString(const QString& name, const QString& value);
    QStringList valueNames() const;
    QStringList subKeyNames() const;
    // A sub-key of this key; nullopt when missing and not to be created.
    std::optional<RegistryKey> subKey(const QString& name, bool create) const;

    QString path() const { return m_path; }
    Hive hive() const { return m_hive; }

private:
    RegistryKey(Hive hive, QString path);
    Hive m_hive;
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

// Where the hives' files lie: "Korvelin" in the user's configuration folder, the program folder
// when there is no home folder, or a folder a test has set.
QString registryFolder();
void setRegistryFolder(const QString& folder);

} // namespace platform
