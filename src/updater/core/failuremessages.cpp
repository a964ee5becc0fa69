#include "failuremessages.h"

#include "usermessages.h"

namespace updates {

namespace {

const char* const InstallFailed = "Azuriranje nije uspelo";
const char* const UnpackFailed = "Greska u otpakivanju!";
const char* const OfferedAgain = "Arhiva }e biti ponovo ponu|ena pri slede}em a`uriranju.";
const char* const Unchanged = "Baza podataka programa nije menjana. ";

QByteArray archiveName(const QByteArray& archive)
{
    return archive.isEmpty() ? QByteArray("a`uriranja") : archive;
}

QByteArray megabytes(qint64 bytes)
{
    return QByteArray::number((bytes + (1 << 20) - 1) >> 20) + " MB";
}

} // namespace

QByteArray installFailureMessage(const engine::Error& e)
{
    return QByteArray(InstallFailed) + "\r\n" + data::userMessage(e);
}

QByteArray faultyArchiveTableMessage(const QByteArray& archive, const engine::Error& e, bool collectionUnchanged)
{
    using Kind = engine::Error::Kind;
    const QByteArray name = data::messageFileName(e.file());
    const QByteArray table = "tabela " + name + " u njoj";
    QByteArray what;
    switch (e.kind()) {
    case Kind::NotATable:
        what = "datoteka " + name + " u njoj nije tabela baze podataka.";
        break;
    case Kind::Password:
        what = table + " je za{ti}ena drugom lozinkom.";
        break;
    case Kind::Damaged:
        what = table + " je o{te}ena ili nepotpuna.";
        break;
    case Kind::Fields:
        what = table + " nema polja kakva program o~ekuje" +
               (e.field().isEmpty() ? QByteArray(".") : " (polje " + e.field() + ").");
        break;
    default:
        what = table + " ne mo`e da se pro~ita.";
        break;
    }
    return QByteArray(InstallFailed) + "\r\nArhiva " + archiveName(archive) + " je neispravna: " + what + "\r\n" +
           (collectionUnchanged ? QByteArray(Unchanged) : QByteArray()) + OfferedAgain;
}

QByteArray unpackFailureMessage(UnpackFailure why, const QByteArray& archive, const ExtractionRoom& room,
                                const QString& entry)
{
    const QByteArray name = archiveName(archive);
    QByteArray what;
    switch (why) {
    case UnpackFailure::FaultyArchive:
        what = "Arhiva " + name + " je neispravna" +
               (entry.isEmpty() ? QByteArray(".")
                                : ": datoteka " + entry.toLocal8Bit() + " u njoj je o{te}ena.");
        break;
    case UnpackFailure::NoRoom:
        what = "Za raspakivanje arhive " + name + " potrebno je " + megabytes(room.needed) +
               " na disku, a slobodno je " + megabytes(room.available) +
               ". Arhiva je neispravna ili na disku nema dovoljno mesta.";
        break;
    case UnpackFailure::CannotRead:
        what = "Preuzeta arhiva " + name + " ne mo`e da se otvori.";
        break;
    case UnpackFailure::CannotWrite:
        what = "Arhiva " + name +
               " ne mo`e da se raspakuje u folder update: proverite prostor na disku i prava pristupa folderu.";
        break;
    }
    return QByteArray(UnpackFailed) + "\r\n" + what + "\r\n" + Unchanged + OfferedAgain;
}

} // namespace updates
