#include "registry.h"

#include "paths.h"

#include <QDir>
#include <QSettings>

namespace platform {
namespace {

// Kept in the environment so that libraries the program loads (the engine's installer) see the
// same hives as the program itself.
const char* const kFolderVariable = "KORVELIN_REGISTRY_FOLDER";

// A key with no values still exists once created; this value marks it and is never listed.
const QString kKeyMarker = QStringLiteral(".key");

QString hiveFile(Hive hive)
{
    return QDir(registryFolder()).filePath(hive == Hive::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE.ini")
                                                                      : QStringLiteral("HKEY_CURRENT_USER.ini"));
}

QString groupOf(const QString& path)
{
    QString group = path;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/'))) {
        group.chop(1);
    }
    while (group.startsWith(QLatin1Char('/'))) {
        group.remove(0, 1);
    }
    return group;
}

std::unique_ptr<QSettings> openHive(Hive hive)
{
    QDir().mkpath(registryFolder());
    return std::make_unique<QSettings>(hiveFile(hive), QSettings::IniFormat);
}

bool keyExists(QSettings& settings, const QString& group)
{
    if (group.isEmpty()) {
        return true;
    }
    settings.beginGroup(group);
    const bool exists = !settings.allKeys().isEmpty();
    settings.endGroup();
    return exists;
}

} // namespace

QString registryFolder()
{
    const QString folder = qEnvironmentVariable(kFolderVariable);
    if (!folder.isEmpty()) {
        return folder;
    }
    const QString config = userFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
    if (config.isEmpty()) {
        // Without a home folder the hives lie beside the program, the one folder the program may
        // write then. Not writing them at all would be more surprising: the engine's installer
        // would run at every start, an update server given in the machine hive would be lost, and
        // stored page set-up defaults would never be read.
        return programFolder();
    }
    return config + QStringLiteral("/Korvelin");
}

void setRegistryFolder(const QString& folder)
{
    if (folder.isEmpty()) {
        qunsetenv(kFolderVariable);
    } else {
        qputenv(kFolderVariable, folder.toUtf8());
    }
}

RegistryKey::RegistryKey(Hive hive, QString path) : m_hive(hive), m_path(std::move(path)), m_settings(openHive(hive))
{
}

RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::open(Hive hive, const QString& path, bool create)
{
    RegistryKey key(hive, groupOf(path));
    if (!keyExists(*key.m_settings, key.m_path)) {
        if (!create) {
            return std::nullopt;
        }
        key.m_settings->setValue(key.m_path + QLatin1Char('/') + kKeyMarker, QString());
        key.m_settings->sync();
    }
    return key;
}

bool RegistryKey::hasValue(const QString& name) const
{
    return name != kKeyMarker && m_settings->contains(m_path + QLatin1Char('/') + name);
}

QString RegistryKey::readString(const QString& name, const QString& fallback) const
{
    if (!hasValue(name)) {
        return fallback;
    }
    return m_settings->value(m_path + QLatin1Char('/') + name).toString();
}

void RegistryKey::writeString(const QString& name, const QString& value)
{
    m_settings->setValue(m_path + QLatin1Char('/') + name, value);
    m_settings->sync();
}

QStringList RegistryKey::valueNames() const
{
    m_settings->beginGroup(m_path);
    QStringList names = m_settings->childKeys();
    m_settings->endGroup();
    names.removeAll(kKeyMarker);
    return names;
}

QStringList RegistryKey::subKeyNames() const
{
    m_settings->beginGroup(m_path);
    const QStringList names = m_settings->childGroups();
    m_settings->endGroup();
    return names;
}

std::optional<RegistryKey> RegistryKey::subKey(const QString& name, bool create) const
{
    return open(m_hive, m_path + QLatin1Char('/') + name, create);
}

} // namespace platform
