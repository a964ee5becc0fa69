#include "dbeutil.h"

#include "table.h"

engine::Verification TDBEUtil::verify(const engine::Table& table) const
{
    return engine::verifyTableFile(table.locateFile());
}

engine::RebuildResult TDBEUtil::rebuild(const engine::Table& table) const
{
    return engine::rebuildTableFile(table.locateFile());
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
