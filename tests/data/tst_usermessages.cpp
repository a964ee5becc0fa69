// What the user is told of an engine failure: in the program's 7-bit code, in two lines, naming
// the file and saying what to do, by the kind of failure; never the engine's own English text.

#include "error.h"
#include "usermessages.h"

#include <QTest>
#include <stdexcept>

using engine::Error;
using Kind = engine::Error::Kind;

Q_DECLARE_METATYPE(engine::Error::Kind)

class TestUserMessages : public QObject {
    Q_OBJECT

private slots:
    void eachKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("told");
        QTest::newRow("missing") << Kind::Missing << QByteArray("ne postoji u folderu Podatci");
        QTest::newRow("no table") << Kind::NotATable << QByteArray("nije tabela programa");
        QTest::newRow("password") << Kind::Password << QByteArray("drugom lozinkom");
        QTest::newRow("damaged") << Kind::Damaged << QByteArray("\"Popravka\" na kartici Pode{avanja");
        QTest::newRow("fields") << Kind::Fields << QByteArray("(polje BG)");
        QTest::newRow("disk full") << Kind::DiskFull << QByteArray("Oslobodite prostor na disku");
        QTest::newRow("read-only") << Kind::ReadOnly << QByteArray("prava pristupa folderu Podatci");
        QTest::newRow("unreadable")
            << Kind::Unreadable
            << QByteArray("Tabela TB_Zakoni.db ne mo`e da se pro~ita: program nema dozvolu za ~itanje.\r\n"
                          "Proverite vlasnika i prava pristupa datoteke TB_Zakoni.db u folderu Podatci");
        QTest::newRow("locked") << Kind::Locked << QByteArray("koristi je drugi program");
        QTest::newRow("disk error") << Kind::Io << QByteArray("disk je prijavio gre{ku");
        QTest::newRow("replaced") << Kind::Replaced << QByteArray("pokrenite ga ponovo");
        QTest::newRow("other") << Kind::Other << QByteArray("Popravka");
        QTest::newRow("link") << Kind::Link << QByteArray("nalazi se link (simboli~ka veza)");
    }
    void eachKind()
    {
        QFETCH(Kind, kind);
        QFETCH(QByteArray, told);
        const Error e(kind, QStringLiteral("/home/korisnik/korvelin/Podatci/TB_Zakoni.db"),
                      QStringLiteral("Table access failed: database disk image is malformed"), "BG");
        const QByteArray message = data::userMessage(e);
        QVERIFY2(message.contains(told), message.constData());
        QVERIFY2(message.contains("TB_Zakoni.db"), message.constData());
        QVERIFY2(!message.contains("/home"), "the file is named, not its whole path");
        QVERIFY(!message.contains("malformed"));
        const QList<QByteArray> lines = message.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith('\r'));
        QVERIFY(lines[1].size() > 10); // what to do
        QVERIFY(std::all_of(message.begin(), message.end(), [](char c) { return uchar(c) < 0x80; }));
    }

    // Without a file the message still reads as a sentence, with no gap where the name would be.
    void withoutAFile()
    {
        for (const Kind kind :
             {Kind::Missing, Kind::NotATable, Kind::Password, Kind::Damaged, Kind::Fields, Kind::DiskFull,
              Kind::ReadOnly, Kind::Locked, Kind::Io, Kind::Other, Kind::Link, Kind::Unreadable,
              Kind::FolderUnreadable}) {
            const QByteArray message = data::userMessage(Error(kind, QString(), QStringLiteral("x")));
            QVERIFY2(!message.contains("  ") && !message.contains(" ."), message.constData());
            QCOMPARE(message.count("\r\n"), 1);
        }
    }

    // A data folder the program may not read is told as that, by the folder's name, not as its
    // tables missing or not to be written.
    void folderThatCannotBeRead()
    {
        const QByteArray message =
            data::userMessage(Error(Kind::FolderUnreadable, QStringLiteral("/home/korisnik/korvelin/Podatci"),
                                    QStringLiteral("The folder may not be read")));
        QCOMPARE(message, QByteArray("Folder Podatci sa tabelama baze podataka ne mo`e da se pro~ita: program nema "
                                     "dozvolu da ga otvori.\r\nProverite vlasnika i prava pristupa foldera Podatci: "
                                     "korisnik koji pokre}e program mora da ima pravo da ga otvori i ~ita, kao i "
                                     "njegove datoteke."));
    }

    // A failure told of another file keeps what it was: the differing field is still named.
    void toldOfAnotherFile()
    {
        const Error e(Kind::Fields, QString(), QStringLiteral("Field 4 is NAZIV, not Naziv_zakona"), "Naziv_zakona");
        const Error named = e.namingFile(QStringLiteral("TB_Zakoni.db"));
        QCOMPARE(named.kind(), Kind::Fields);
        QCOMPARE(named.field(), QByteArray("Naziv_zakona"));
        QCOMPARE(named.message(), e.message());
        QVERIFY(data::userMessage(named).contains("Tabela TB_Zakoni.db nema polja kakva program o~ekuje (polje "
                                                  "Naziv_zakona)."));
        // A failure that names its file already keeps it.
        QCOMPARE(named.namingFile(QStringLiteral("TB_Brojevi.db")).file(), QStringLiteral("TB_Zakoni.db"));
        QCOMPARE(named.withFile(QStringLiteral("TB_Brojevi.db")).field(), QByteArray("Naziv_zakona"));
    }

    void fromAnyFailure()
    {
        const Error engineError(Kind::Locked, QStringLiteral("TB_link.db"), QStringLiteral("database is locked"));
        const std::exception& asException = engineError;
        QCOMPARE(data::userMessage(asException), data::userMessage(engineError));
        QCOMPARE(data::userMessage(std::runtime_error("Gre{ka pri {tampanju")), QByteArray("Gre{ka pri {tampanju"));
    }

    // When the repair itself fails on a table, the repair is not what to try.
    void repairFailure()
    {
        for (const Kind kind : {Kind::Damaged, Kind::Other}) {
            const QByteArray told =
                data::repairFailureMessage(Error(kind, QStringLiteral("Podatci/TB_Ugovori.db"), QStringLiteral("x")));
            QVERIFY2(told.contains("TB_Ugovori.db") && !told.contains("Popravka"), told.constData());
            QVERIFY(told.contains("rezervne kopije"));
            QCOMPARE(told.count("\r\n"), 1);
        }
        const Error full(Kind::DiskFull, QStringLiteral("TB_Ugovori.db"), QStringLiteral("x"));
        QCOMPARE(data::repairFailureMessage(full), data::userMessage(full));
    }

    // A failure told again with more context keeps what it was and where.
    void contextKeepsTheKind()
    {
        const Error cause(Kind::DiskFull, QStringLiteral("TB_Korisnicki.db"), QStringLiteral("disk full"));
        const Error told(cause, QStringLiteral("Cannot post to table KorisnickiUgovori: disk full"));
        QCOMPARE(told.kind(), Kind::DiskFull);
        QCOMPARE(told.file(), QStringLiteral("TB_Korisnicki.db"));
        QCOMPARE(data::userMessage(told), data::userMessage(cause));
    }

    // Files beside the program that could not be saved: the files with one reason together, each
    // reason with what to do; a file whose reason is not known is told with the program's own
    // lines for a failed save.
    void failedSaves()
    {
        using platform::WriteFailure;
        const QByteArray head = "Snimanje nije uspelo!\r\n";
        const QByteArray unknownHelp = "Ako Korvelin pokrecete sa CD-a ne garantujemo vam ispravan rad programa.\r\n"
                                       "Pokrenite instalaciju ponovo.";
        QCOMPARE(data::saveFailureMessage({{"cesti.ini", WriteFailure::NoSpace}}),
                 head + "Na disku nema mesta za datoteku cesti.ini.\r\n"
                        "Oslobodite prostor na disku i poku{ajte ponovo.");
        QCOMPARE(data::saveFailureMessage({{"pretrage.ini", WriteFailure::FolderInPlace},
                                           {"cesti.ini", WriteFailure::NoPermission},
                                           {"brzi.ini", WriteFailure::FolderInPlace},
                                           {"novo.lst", WriteFailure::Unknown},
                                           {"korvelin.cfg", WriteFailure::NoSpace}}),
                 head +
                     "Na disku nema mesta za datoteku korvelin.cfg.\r\n"
                     "Oslobodite prostor na disku i poku{ajte ponovo.\r\n"
                     "Program nema dozvolu za upis datoteke cesti.ini.\r\n"
                     "Proverite prava pristupa folderu programa i njegovim datotekama.\r\n"
                     "Na mestu datoteka pretrage.ini i brzi.ini u folderu programa nalaze se folderi istih "
                     "imena.\r\n"
                     "Uklonite ili preimenujte te foldere i poku{ajte ponovo.\r\n"
                     "Datoteka novo.lst nije snimljena.\r\n" +
                     unknownHelp);
        // No reason known: the program's three lines, then the files.
        QCOMPARE(data::saveFailureMessage({{"brzi.ini", WriteFailure::Unknown}, {"novo.lst", WriteFailure::Unknown}}),
                 head + unknownHelp + "\r\nDatoteke brzi.ini i novo.lst nisu snimljene.");
    }
};

QTEST_GUILESS_MAIN(TestUserMessages)
#include "tst_usermessages.moc"
