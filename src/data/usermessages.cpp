#include "usermessages.h"

#include <QFileInfo>

namespace data {

namespace {

const char* const Repair = "Poku{ajte Popravku na kartici Pode{avanja.";
const char* const Reinstall = "Ponovo instalirajte bazu podataka programa.";

} // namespace

QByteArray messageFileName(const QString& file)
{
    return QFileInfo(file).fileName().toLocal8Bit();
}

QByteArray userMessage(const engine::Error& e)
{
    using Kind = engine::Error::Kind;
    const QByteArray name = messageFileName(e.file());
    const QByteArray table = name.isEmpty() ? QByteArray("Tabela") : "Tabela " + name;
    QByteArray what;
    QByteArray todo;
    switch (e.kind()) {
    case Kind::Missing:
        what = table + " ne postoji u folderu Podatci.";
        todo = Reinstall;
        break;
    case Kind::NotATable:
        what = (name.isEmpty() ? QByteArray("Datoteka") : "Datoteka " + name) + " nije tabela baze podataka.";
        todo = QByteArray(Repair) + " Ako ne pomogne, " + QByteArray(Reinstall).toLower();
        break;
    case Kind::Password:
        what = table + " je za{ti}ena drugom lozinkom.";
        todo = Reinstall;
        break;
    case Kind::Damaged:
        what = table + " je o{te}ena.";
        todo = Repair;
        break;
    case Kind::Fields:
        what = table + " nema polja koja program o~ekuje.";
        todo = Reinstall;
        break;
    case Kind::DiskFull:
        what = name.isEmpty() ? QByteArray("Na disku nema mesta za upis.")
                              : "Na disku nema mesta za upis u tabelu " + name + ".";
        todo = "Oslobodite prostor na disku i poku{ajte ponovo.";
        break;
    case Kind::ReadOnly:
        what = table + " ne mo`e da se menja: nema dozvole za upis.";
        todo = "Proverite prava pristupa folderu Podatci.";
        break;
    case Kind::Locked:
        what = table + " je zauzeta: koristi je drugi program.";
        todo = "Poku{ajte ponovo kada drugi program zavr{i.";
        break;
    case Kind::Other:
        what =
            name.isEmpty() ? QByteArray("Gre{ka u radu sa bazom podataka.") : "Gre{ka u radu sa tabelom " + name + ".";
        todo = Repair;
        break;
    }
    return what + "\r\n" + todo;
}

} // namespace data
