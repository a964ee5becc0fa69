#include "dbeutil.h"

#include "error.h"
#include "paths.h"
#include "session.h"
#include "table.h"

#include <QDir>
#include <QFileInfo>

QString TDBEUtil::tableFile(const engine::Table& table)
{
    if (table.isActive()) {
        return table.filePath();
    }
    const QString name = table.tableName();
    QString path;
    if (table.databaseName().isEmpty()) {
        path = QFileInfo(name).isFile() ? name : QString();
    } else {
        const QString folder = engine::session().aliasFolder(table.databaseName());
        path = platform::findFileNoCase(folder, name);
        if (path.isEmpty() && QFileInfo(name).suffix().isEmpty()) {
            path = platform::findFileNoCase(folder, name + QStringLiteral(".db"));
        }
    }
    if (path.isEmpty()) {
        throw engine::Error(engine::Error::Kind::Missing, name, QStringLiteral("Table does not exist: %1").arg(name));
    }
    return path;
}

engine::Verification TDBEUtil::verify(const engine::Table& table) const
{
    return engine::verifyTableFile(tableFile(table));
}

engine::RebuildResult TDBEUtil::rebuild(const engine::Table& table) const
{
    return engine::rebuildTableFile(tableFile(table));
}

QByteArray verificationMessage(int level)
{
    switch (level) {
    case 0:
        return "Verification Successful. Nema gresaka u bazi";
    case 1:
        return "Verification Successful. Verifikacija zavrsena";
    case 2:
        return "Verification Successful. Neuspesna provera baze";
    case 3:
        return "Verification Successful. Greska u bazi, pozovite tehnicku podrsku";
    case 4:
        return "Verification Successful. Neuspesna popravka baze";
    default:
        return "Neuspesna provera baze";
    }
}
