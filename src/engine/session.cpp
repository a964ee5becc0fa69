#include "session.h"

#include "error.h"
#include "sqlite.h"

#include <QFileInfo>

namespace engine {

static QByteArray aliasKey(const QByteArray& name)
{
    return name.trimmed().toUpper();
}

void Session::addStandardAlias(const QByteArray& name, const QString& folder, const QByteArray& driver)
{
    const QByteArray d = driver.trimmed().toUpper();
    if (d != "PARADOX" && d != "STANDARD" && !d.isEmpty()) {
        throw Error(QStringLiteral("Unknown driver '%1' for alias %2")
                        .arg(QString::fromLatin1(driver), QString::fromLatin1(name)));
    }
    if (aliasKey(name).isEmpty()) {
        throw Error(QStringLiteral("An alias needs a name"));
    }
    if (hasAlias(name)) {
        throw Error(QStringLiteral("Alias %1 already exists").arg(QString::fromLatin1(name)));
    }
    m_aliases[aliasKey(name)] = {folder, driver};
}

void Session::deleteAlias(const QByteArray& name)
{
    if (m_aliases.erase(aliasKey(name)) == 0) {
        throw Error(QStringLiteral("Alias %1 does not exist").arg(QString::fromLatin1(name)));
    }
}

bool Session::hasAlias(const QByteArray& name) const
{
    return m_aliases.count(aliasKey(name)) != 0;
}

QString Session::aliasFolder(const QByteArray& name) const
{
    const auto it = m_aliases.find(aliasKey(name));
    if (it == m_aliases.end()) {
        throw Error(QStringLiteral("Unknown database alias: %1").arg(QString::fromLatin1(name)));
    }
    return it->second.first;
}

void Session::addPassword(const QByteArray& password)
{
    if (!m_passwords.contains(password)) {
        m_passwords.append(password);
    }
}

std::shared_ptr<sql::Database> Session::database(const QString& path)
{
    const QString key = QFileInfo(path).canonicalFilePath();
    if (key.isEmpty()) {
        throw sql::notFound(path);
    }
    if (auto open = m_databases[key].lock()) {
        // The file at the path may have been replaced since the connection last read it: whoever
        // asks for it now (a table object opening, the rebuild) means the file that is there.
        // Table objects refuse a file cut short before they ask; the rebuild takes it.
        open->followReplacement(sql::Database::CutShort::Taken);
        return open;
    }
    auto db = std::make_shared<sql::Database>(key, sql::Database::Mode::OpenExisting);
    // A file another program puts in this one's place is taken only under the same terms.
    const auto admit = [this](const sql::Database& file, const QString& name) {
        if (!file.acceptsPassword(m_passwords)) {
            throw Error(Error::Kind::Password, name,
                        m_passwords.isEmpty()
                            ? QStringLiteral("Table %1 is protected and no password was given").arg(name)
                            : QStringLiteral("Invalid password for table %1").arg(name));
        }
    };
    admit(*db, path);
    db->setAdmission([admit](const sql::Database& file) { admit(file, file.path()); });
    m_databases[key] = db;
    return db;
}

namespace {

QString recordTypeKey(const QString& file)
{
    return QFileInfo(file).fileName().section(QLatin1Char('.'), 0, 0).toUpper();
}

} // namespace

void Session::setRecordType(const QString& tableName, const TableStructure& type)
{
    m_recordTypes[recordTypeKey(tableName)] = type;
}

const TableStructure* Session::recordType(const QString& file) const
{
    const auto it = m_recordTypes.find(recordTypeKey(file));
    return it == m_recordTypes.end() ? nullptr : &it->second;
}

Session& session()
{
    static Session s;
    return s;
}

} // namespace engine
