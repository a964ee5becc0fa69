#include "usermessages.h"

#include <QDir>
#include <QFileInfo>

namespace data {

namespace {

const char* const FreeSpace = "Oslobodite prostor na disku i poku{ajte ponovo.";
const char* const Repair = "Poku{ajte popravku: dugme \"Popravka\" na kartici Pode{avanja.";
const char* const Restore =
    "Vratite ispravnu datoteku iz rezervne kopije ili ponovo instalirajte bazu podataka programa.";

// The folder the file lies in, by its name ("Podatci"); the data folder when the file is named
// without one.
QByteArray folderName(const QString& file)
{
    const QFileInfo info(file);
    if (file.isEmpty() || info.path() == QLatin1String(".")) {
        return "Podatci";
    }
    return info.dir().dirName().toLocal8Bit();
}

// "a", "a i b", "a, b i c".
QByteArray namesList(const QByteArrayList& names)
{
    if (names.size() < 2) {
        return names.value(0);
    }
    return names.mid(0, names.size() - 1).join(", ") + " i " + names.last();
}

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
        what = table + " ne postoji u folderu " + folderName(e.file()) + ".";
        todo = Restore;
        break;
    case Kind::NotATable:
        what = (name.isEmpty() ? QByteArray("Datoteka") : "Datoteka " + name) +
               " nije tabela programa: zamenjena je drugom datotekom ili je potpuno o{te}ena.";
        todo = Restore;
        break;
    case Kind::Password:
        what = table + " je za{ti}ena drugom lozinkom: nije deo ove baze podataka.";
        todo = Restore;
        break;
    case Kind::Damaged:
        what = table + " je o{te}ena.";
        todo = QByteArray(Repair) + " Ako ne pomogne, vratite ispravnu datoteku iz rezervne kopije.";
        break;
    case Kind::Fields:
        what = table + " nema polja kakva program o~ekuje" +
               (e.field().isEmpty() ? QByteArray(".") : " (polje " + e.field() + ").");
        todo = Restore;
        break;
    case Kind::DiskFull:
        what = name.isEmpty() ? QByteArray("Na disku nema mesta za upis.")
                              : "Na disku nema mesta za upis u tabelu " + name + ".";
        todo = FreeSpace;
        break;
    case Kind::ReadOnly:
        what = table + " ne mo`e da se menja: program nema dozvolu za upis.";
        todo = "Proverite prava pristupa folderu " + folderName(e.file()) + " i njegovim datotekama.";
        break;
    case Kind::Locked:
        what = table + " je zauzeta: koristi je drugi program.";
        todo = "Poku{ajte ponovo kada drugi program zavr{i.";
        break;
    case Kind::Io:
        what = (name.isEmpty() ? QByteArray("Disk") : "Datoteka " + name) +
               " ne mo`e da se pro~ita ili upi{e: disk je prijavio gre{ku.";
        todo =
            "Proverite disk (ili mre`nu vezu, ako je folder " + folderName(e.file()) + " na mre`i) i poku{ajte ponovo.";
        break;
    case Kind::Replaced:
        what = table + " je zamenjena dok je program radio: drugi program je na njeno mesto stavio drugu "
                       "datoteku, pa izmena nije upisana.";
        todo = "Zatvorite program i pokrenite ga ponovo, pa ponovite izmenu.";
        break;
    case Kind::Link:
        // Named as what it is: the file is the link, which may be a journal or a copy beside the
        // table, and removing it loses nothing of the table's.
        what = (name.isEmpty() ? QByteArray("Na mestu datoteke tabele") : "Na mestu datoteke " + name) + " u folderu " +
               folderName(e.file()) + " nalazi se link (simboli~ka veza): program kroz link ne upisuje podatke.";
        todo = "Uklonite taj link i poku{ajte ponovo.";
        break;
    case Kind::Unreadable:
        what = table + " ne mo`e da se pro~ita: program nema dozvolu za ~itanje.";
        todo = "Proverite vlasnika i prava pristupa datoteke " + (name.isEmpty() ? QByteArray("tabele") : name) +
               " u folderu " + folderName(e.file()) + ": korisnik koji pokre}e program mora da ima pravo da je ~ita.";
        break;
    case Kind::FolderUnreadable: {
        // The error names the folder itself.
        const QByteArray folder = name.isEmpty() ? QByteArray("Podatci") : name;
        what =
            "Folder " + folder + " sa tabelama baze podataka ne mo`e da se pro~ita: program nema dozvolu da ga otvori.";
        todo = "Proverite vlasnika i prava pristupa foldera " + folder +
               ": korisnik koji pokre}e program mora da ima pravo da ga otvori i ~ita, kao i njegove datoteke.";
        break;
    }
    case Kind::Other:
        what =
            name.isEmpty() ? QByteArray("Gre{ka u radu sa bazom podataka.") : "Gre{ka u radu sa tabelom " + name + ".";
        todo = Repair;
        break;
    }
    return what + "\r\n" + todo;
}

QByteArray repairFailureMessage(const engine::Error& e)
{
    const QByteArray told = userMessage(e);
    if (e.kind() != engine::Error::Kind::Damaged && e.kind() != engine::Error::Kind::Other) {
        return told;
    }
    return told.left(told.indexOf("\r\n")) + "\r\n" + Restore;
}

QByteArray saveFailureMessage(const QList<FileSaveFailure>& failures)
{
    using platform::WriteFailure;
    const auto named = [&failures](WriteFailure kind) {
        QByteArrayList names;
        for (const FileSaveFailure& f : failures) {
            if (f.failure == kind) {
                names << f.fileName;
            }
        }
        return names;
    };
    const QByteArray head = "Snimanje nije uspelo!";
    const QByteArray unknownHelp = "Ako Korvelin pokrecete sa CD-a ne garantujemo vam ispravan rad programa.\r\n"
                                   "Pokrenite instalaciju ponovo.";
    QByteArrayList told;
    if (const QByteArrayList names = named(WriteFailure::NoSpace); !names.isEmpty()) {
        told << (names.size() == 1 ? "Na disku nema mesta za datoteku " : "Na disku nema mesta za datoteke ") +
                    namesList(names) + ".";
        told << FreeSpace;
    }
    if (const QByteArrayList names = named(WriteFailure::NoPermission); !names.isEmpty()) {
        told << (names.size() == 1 ? "Program nema dozvolu za upis datoteke "
                                   : "Program nema dozvolu za upis datoteka ") +
                    namesList(names) + ".";
        told << "Proverite prava pristupa folderu programa i njegovim datotekama.";
    }
    if (const QByteArrayList names = named(WriteFailure::FolderInPlace); !names.isEmpty()) {
        if (names.size() == 1) {
            told << "Na mestu datoteke " + names[0] + " u folderu programa nalazi se folder istog imena.";
            told << "Uklonite ili preimenujte taj folder i poku{ajte ponovo.";
        } else {
            told << "Na mestu datoteka " + namesList(names) + " u folderu programa nalaze se folderi istih imena.";
            told << "Uklonite ili preimenujte te foldere i poku{ajte ponovo.";
        }
    }
    const QByteArrayList unknown = named(WriteFailure::Unknown);
    const QByteArray notSaved = unknown.size() == 1 ? "Datoteka " + unknown[0] + " nije snimljena."
                                                    : "Datoteke " + namesList(unknown) + " nisu snimljene.";
    if (told.isEmpty()) {
        return head + "\r\n" + unknownHelp + (unknown.isEmpty() ? QByteArray() : "\r\n" + notSaved);
    }
    if (!unknown.isEmpty()) {
        told << notSaved << unknownHelp;
    }
    return head + "\r\n" + told.join("\r\n");
}

QByteArray userMessage(const std::exception& e)
{
    if (const auto* engineError = dynamic_cast<const engine::Error*>(&e)) {
        return userMessage(*engineError);
    }
    return e.what();
}

} // namespace data
