// The updater in a whole program against a real FTP server: the listing and its name rules, the
// download, extraction and install in name order, news files, and each way a run can fail (a
// refused command, a dropped connection, a wrong password, a silent server, a damaged archive,
// a failing table, a table that fails after its import), with what each leaves on disk and in
// the log. A run is seen to its end: the window refuses every way of closing while it goes on.
// Also the install, rebuild and verification the main window's commands use, and the proxy taken
// at start.

#include "diskfiles.h"
#include "programfixture.h"
#include "updaterview.h"

#include "appvalues.h"
#include "demo.h"
#include "error.h"
#include "faultydisk.h"
#include "ftpserver.h"
#include "logger.h"
#include "mainwindow.h"
#include "schema.h"
#include "screentext.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tableutil.h"
#include "updaterwindow.h"
#include "upperwindows.h"
#include "zipwriter.h"

#include <limits>
#include <optional>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDirIterator>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtEndian>
#include <QTreeWidget>
#include <sys/statvfs.h>

using platform::Answer;
using testsupport::bytesOf;
using testsupport::filesUnder;
using updatertest::Setup;
using updatertest::click;
using updatertest::rowNames;
using updatertest::statusOf;
using updatertest::writeBytes;

namespace {

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

bool isLink(const QString& path)
{
    return QFileInfo(path).isSymLink();
}

bool isRealFolder(const QString& path)
{
    const QFileInfo info(path);
    return !info.isSymLink() && info.isDir();
}

// An archive of every file of `folder`, as the publisher's server holds them.
void zipFolder(const QString& folder, const QString& archive)
{
    QFile::remove(archive);
    demo::ZipWriter zip(archive);
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        zip.add(QFile::encodeName(name), bytesOf(QDir(folder).filePath(name)));
    }
    zip.commit();
}

// Gives every entry of an archive without a comment `size` as its size once extracted, in its
// local header and in the directory alike.
void declareSize(const QString& archive, quint32 size)
{
    QByteArray bytes = bytesOf(archive);
    const char* end = bytes.constData() + bytes.size() - 22;
    const int count = qFromLittleEndian<quint16>(end + 10);
    qint64 record = qFromLittleEndian<quint32>(end + 16);
    for (int i = 0; i < count; ++i) {
        char* central = bytes.data() + record;
        qToLittleEndian<quint32>(size, central + 24);
        qToLittleEndian<quint32>(size, bytes.data() + qFromLittleEndian<quint32>(central + 42) + 22);
        record += 46 + qFromLittleEndian<quint16>(central + 28) + qFromLittleEndian<quint16>(central + 30) +
                  qFromLittleEndian<quint16>(central + 32);
    }
    writeBytes(archive, bytes);
}

// The first table of the collection that does not pass a verification, or an empty name. What
// a rebuild keeps beside a table (its backup, its original) is not the collection's.
QString unsoundTable(const QString& dataFolder)
{
    const QDir data(dataFolder);
    for (const QString& name : data.entryList({QStringLiteral("*.db")}, QDir::Files)) {
        if (QFileInfo(name).completeBaseName().contains(QLatin1Char('.'))) {
            continue;
        }
        try {
            if (engine::verifyTableFile(data.filePath(name)).level != 0) {
                return name;
            }
        } catch (const engine::Error& e) {
            return name + ": " + e.message();
        }
    }
    return {};
}

qint64 freeBytes(const QString& folder)
{
    struct statvfs disk;
    return ::statvfs(QFile::encodeName(folder).constData(), &disk) == 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize)
                                                                        : -1;
}

} // namespace

class TestUpdaterWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { appvalues::LastUpdateDate = "9/12/2019"; }

    void listsThenInstallsInNameOrder()
    {
        Setup s;
        writeBytes(s.served("vesti.txt"), "Nove verzije propisa stizu svake nedelje.");
        writeBytes(s.served("004.ZIP"), "not listed: upper case");
        writeBytes(s.served("abc.zip"), "the same as the local ABC.ZIP");
        writeBytes(s.served("..evil.zip"), "would climb out");
        writeBytes(s.served("x\\evil.zip"), "would climb out");
        QDir().mkpath(s.program.path("updates"));
        writeBytes(s.downloaded("ABC.ZIP"), "kept");
        writeBytes(s.downloaded("stari.zip"), "no longer on the server");
        FtpServer server(s.server.path());
        QVERIFY(server.running());
        server.registerAccount();
        s.program.start();
        const int regulationsBefore = int(tabletest::countRecords(s.table("TB_Zakoni.db")));

        QVERIFY(s.program.runMainWindow([&] {
            click();
            QCOMPARE(rowNames(), (QStringList{"001.zip", "002.zip", "003.zip", "vesti.txt"}));
            for (int i = 0; i < 4; ++i) {
                QCOMPARE(statusOf(i), QByteArray("Spremno"));
            }
            QCOMPARE(updater->ListView1->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 0);
            QCOMPARE(updater->ListView1->topLevelItem(3)->data(0, Qt::UserRole).toInt(), 1);
            QCOMPARE(updater->tag(), 1);
            QCOMPARE(platform::caption(updater->SpeedButton1), QByteArray("&Po~ni"));
            QCOMPARE(updater->SpeedButton1->palette().color(QPalette::ButtonText), QColor(Qt::red));
            QVERIFY(updater->SpeedButton1->isEnabled());
            QVERIFY(s.logHas("] LOG fajl otvoren\r\n\r\n["));
            QVERIFY(s.logHas("]127.0.0.1\r\n"));
            QVERIFY(s.logHas("] brisanje fajla\r\n"));
            QVERIFY(s.logHas("] preskocen nedozvoljen naziv: ..evil.zip"));
            QVERIFY(s.logHas("] preskocen nedozvoljen naziv: x\\evil.zip"));
            QVERIFY(s.logHas("] azuriranje omoguceno\r\n"));
            QVERIFY(QFile::exists(s.downloaded("stari.zip"))); // only logged, never deleted
            // The window is only hidden between the clicks: reopened, it shows the same list.
            updater->show();
            updater->close();
            updater->show();
            QCOMPARE(rowNames().size(), 4);
            QCOMPARE(platform::caption(updater->SpeedButton1), QByteArray("&Po~ni"));
            updater->hide();

            s.program.prompter.answer(Answer::Ok); // the news question
            click();
        }));
        QVERIFY(s.program.prompter.unexpected().isEmpty());
        QCOMPARE(s.program.prompter.texts(),
                 (QList<QByteArray>{"Zelite li sada da procitate vesti iz datoteke vesti.txt?",
                                    "Nove verzije propisa stizu svake nedelje."}));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(statusOf(i), QByteArray("preuzeto"));
        }
        QCOMPARE(updater->tag(), 0);
        QCOMPARE(platform::caption(updater->SpeedButton1), QByteArray("&A`uriraj"));
        for (const char* name : {"001.zip", "002.zip", "003.zip", "vesti.txt"}) {
            QVERIFY2(QFile::exists(s.downloaded(name)), name);
        }
        QVERIFY(!QFile::exists(s.program.path("evil.zip")));
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), regulationsBefore + 12);
        QCOMPARE(tabletest::countRecords(s.table("TB_Brojevi.db")), regulationsBefore + 12);
        QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
        QCOMPARE(s.program.form1->najnoviji.size(), 10); // archive 003's regulations
        QVERIFY(s.program.form1->StatusBar1->panelText(0).startsWith("Propisa/Mi{ljenja/Ugovora: 72/"));

        // The log tells the steps in their order.
        const QByteArray log = s.program.readFile("log.txt");
        qsizetype at = 0;
        for (const QByteArray& step : QByteArrayList{
                 "] pocetak azuriranja po spisku", "] konektovanje ok i promenjen ftp dir", "] download 001.zip\r\n",
                 "] download 001.zip zavrsen", "\nPraznjenje update foldera\r\n", "\nRaspakivanje 001.zip\r\n",
                 "\nZip fajl - inatalacija\r\n", "] instalacija izmena...", "] download 002.zip\r\n",
                 "] download 003.zip zavrsen", "\nRaspakivanje vesti.txt\r\n", "] LOG fajl zatvoren\r\n"}) {
            const qsizetype next = log.indexOf(step, at);
            QVERIFY2(next >= 0, step.constData());
            at = next;
        }
        for (const char* file : {"TB_Zakoni.db", "TB_Brojevi.db", "TB_Arhiva.db", "TB_Misljenja.db", "TB_link.db"}) {
            QCOMPARE(engine::verifyTableFile(s.table(file)).level, 0);
        }
    }

    void nothingNewAfterTheShortNamesAreRenamed()
    {
        Setup s;
        QFile::remove(s.served("003.zip"));
        QDir().mkpath(s.program.path("updates"));
        QVERIFY(QFile::copy(s.served("001.zip"), s.downloaded("1.zip")));
        QVERIFY(QFile::copy(s.served("002.zip"), s.downloaded("002.zip")));
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        QVERIFY(QFile::exists(s.downloaded("001.zip")));
        QVERIFY(s.program.runMainWindow([&] {
            // Through the main window's way in, modally.
            bool done = false;
            QTimer::singleShot(0, [&] {
                click();
                updater->SpeedButton4->click();
                done = true;
            });
            mainwin::updateWindow()->showUpdater();
            QVERIFY(done);
        }));
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>{"Nema novijih datoteka za preuzimanje sa interneta!"});
        QCOMPARE(updater->tag(), 0);
        QCOMPARE(updater->ListView1->topLevelItemCount(), 0);
        QVERIFY(s.logHas("] Nema novijih datoteka za preuzimanje sa interneta!\r\n"));
        QVERIFY(s.logHas("] LOG fajl zatvoren\r\n"));
    }

    // A refused download fails that archive: the ones before it stay installed, the ones after
    // it wait, and the next run offers it again.
    void refusedDownloadIsOfferedAgain()
    {
        Setup s;
        FtpServer refusing(s.server.path(), {"--refuse", "RETR:002.zip"});
        refusing.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            click();
            QCOMPARE(rowNames().size(), 3);
            click();
            QCOMPARE(statusOf(0), QByteArray("preuzeto"));
            QCOMPARE(statusOf(1), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(2), QByteArray("Spremno"));
            QVERIFY(QFile::exists(s.downloaded("001.zip")));
            QVERIFY(!QFile::exists(s.downloaded("002.zip")));
            QVERIFY(!QFile::exists(s.downloaded("003.zip")));
            // Nothing of the installed archive stays behind when the run ends at the next download.
            QCOMPARE(filesUnder(s.program.path("update")), (QMap<QString, QByteArray>()));
            QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
            QVERIFY(s.logHas("] Gre{ka u preuzimanju datoteka (Remote file not found"));

            FtpServer willing(s.server.path());
            updater->setFtpClient(updates::makeFtpClient(willing.account()));
            click();
            QCOMPARE(rowNames(), (QStringList{"002.zip", "003.zip"}));
            click();
            QCOMPARE(statusOf(1), QByteArray("preuzeto"));
        }));
        QCOMPARE(s.program.prompter.texts(),
                 QList<QByteArray>{"Gre{ka u preuzimanju datoteka\r\nServer je odbio zahtev."});
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    void listingFailures_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("wrong password") << QStringList() << QByteArray("pogresna")
                                        << QByteArray("Gre{ka u konektovanju\r\nServer je odbio prijavu.");
        QTest::newRow("folder change refused")
            << QStringList{"--refuse", "CWD:updates"} << QByteArray()
            << QByteArray("Gre{ka u preuzimanju liste datoteka\r\nServer je odbio zahtev.");
        QTest::newRow("listing refused") << QStringList{"--refuse", "NLST"} << QByteArray()
                                         << QByteArray(
                                                "Gre{ka u preuzimanju liste datoteka\r\nServer je odbio zahtev.");
        QTest::newRow("silent server") << QStringList{"--silent"} << QByteArray()
                                       << QByteArray("Konekcija neuspe{na!\r\nServer za a`uriranje se ne javlja.");
    }

    void listingFailures()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, message);
        Setup s;
        FtpServer server(s.server.path(), options);
        QVERIFY(server.running());
        server.registerAccount();
        if (!password.isEmpty()) {
            platform::RegistryKey::open(platform::Hive::LocalMachine, QString::fromLatin1(updates::AccountKey), true)
                ->writeString("Password", QString::fromLatin1(password));
        }
        s.program.start();
        int ticks = 0;
        QVERIFY(s.program.runMainWindow([&] {
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
            ticker.start(50);
            QElapsedTimer clock;
            clock.start();
            click();
            QVERIFY(clock.elapsed() < 15000);
            QCOMPARE(updater->tag(), 0);
            QVERIFY(updater->SpeedButton1->isEnabled());
            QCOMPARE(updater->ListView1->topLevelItemCount(), 0);
        }));
        if (options.contains("--silent")) {
            QVERIFY(ticks > 10); // the program went on while the server was waited for
        }
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>{message});
        QVERIFY(s.logHas("] diskonektovanje...\r\n"));
        QVERIFY(s.logHas("] uspesno diskonektovanje\r\n"));
    }

    // Neither a log that cannot be written nor a download folder that cannot be made gets as
    // far as the server.
    void runThatCannotStart()
    {
        Setup s;
        FtpServer server(s.server.path());
        server.registerAccount();
        QDir().mkpath(s.program.path("log.txt"));
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            click();
            QVERIFY(updater->SpeedButton1->isEnabled());
            QDir(s.program.path("log.txt")).removeRecursively();
            writeBytes(s.program.path("updates"), "a file where the folder should be");
            click();
            QVERIFY(!updater->SpeedButton1->isEnabled());
            QCOMPARE(updater->ListView1->topLevelItemCount(), 0);
        }));
        const QList<testsupport::Prompt>& asked = s.program.prompter.asked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].kind, testsupport::Prompt::Error);
        QVERIFY(asked[0].text.startsWith("Dnevnik a`uriranja "));
        QVERIFY(asked[0].text.contains("log.txt ne mo`e da se upi{e."));
        QCOMPARE(asked[1].text, QByteArray("Neuspesno kreiranje direktorijuma za azuriranje!"));
        QVERIFY(s.logHas("] Neuspesno kreiranje direktorijuma za azuriranje!\r\n"));
    }

    // An archive that breaks off in its download or does not open as one: nothing is installed,
    // the file goes from the download folder so the next run offers it again, the later archives
    // wait, and the date of the last update stays.
    void failedArchiveInstallsNothing_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("connection dropped")
            << true << false << QByteArray("Gre{ka u preuzimanju datoteka\r\nVeza sa serverom je prekinuta.");
        const QByteArray faulty = "Greska u otpakivanju!\r\nArhiva 001.zip je neispravna.\r\nBaza podataka programa "
                                  "nije menjana. Arhiva }e biti ponovo ponu|ena pri slede}em a`uriranju.";
        QTest::newRow("not an archive") << false << false << faulty;
        QTest::newRow("damaged directory") << false << true << faulty;
    }

    void failedArchiveInstallsNothing()
    {
        QFETCH(bool, dropped);
        QFETCH(bool, damaged);
        QFETCH(QByteArray, message);
        Setup s;
        if (damaged) {
            // One flipped byte in the directory: the entries can still be found by their local
            // headers, but an archive whose directory does not read is not installed.
            QFile archive(s.served("001.zip"));
            QVERIFY(archive.open(QIODevice::ReadWrite));
            const QByteArray bytes = archive.readAll();
            const qsizetype directory = bytes.indexOf(QByteArray("PK\x01\x02", 4));
            QVERIFY(directory > 0);
            archive.seek(directory + 2);
            archive.write("\x07");
        } else if (!dropped) {
            writeBytes(s.served("001.zip"), QByteArray("This is not an archive. ").repeated(100));
        }
        FtpServer server(s.server.path(), dropped ? QStringList{"--drop", "001.zip:3000"} : QStringList());
        server.registerAccount();
        s.program.start();
        QByteArray before;
        QVERIFY(s.program.runMainWindow([&] {
            before = tabletest::digest(s.table("TB_Zakoni.db"));
            click();
            click();
            QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(1), QByteArray("Spremno"));
            QCOMPARE(updater->StatusBar1->panelText(0), QByteArray()); // cleared at the end of the run
        }));
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>{message});
        QCOMPARE(QDir(s.program.path("updates")).entryList(QDir::Files | QDir::Hidden), QStringList());
        if (!dropped) {
            QVERIFY(s.logHas("] brisanje neuspelog fajla 001.zip"));
        }
        if (damaged) {
            QVERIFY(s.logHas("directory"));
        }
        QCOMPARE(tabletest::digest(s.table("TB_Zakoni.db")), before);
        QCOMPARE(appvalues::LastUpdateDate, QByteArray("9/12/2019"));
    }

    // The install on its own: an archive with none of the twelve tables still deletes the
    // validity files and counts anew; one whose fifth table is not the collection's changes no
    // table, says so once and keeps the date of the last complete update.
    void installOfExtractedTables()
    {
        Setup s;
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            writeBytes(s.table("TB_Korisnicki.VAL"), "");
            writeBytes(s.program.path("update/readme.txt"), "nothing here");
            s.program.form1->StatusBar1->setPanelText(0, "");
            s.program.form1->najnoviji = {"Ranije novo"};
            QVERIFY(updater->azur());
            QCOMPARE(s.program.form1->najnoviji, QByteArrayList{"Ranije novo"}); // no regulations in it
            QVERIFY(!QFile::exists(s.table("TB_Korisnicki.VAL")));
            QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
            QCOMPARE(s.program.form1->StatusBar1->panelText(0),
                     "Propisa/Mi{ljenja/Ugovora: 60/30/" +
                         QByteArray::number(tabletest::countRecords(s.table("TB_Ugovori.db"))));

            appvalues::LastUpdateDate = "9/12/2019";
            updater->ispraznidir();
            demo::writeUpdateTables(s.program.path("Podatci"), s.program.path("update"), {1, 1, 6, 4, 9, 1}, 1);
            QFile::remove(s.program.path("update/tb_brojevi.db"));
            engine::TableFileWriter foreign(s.program.path("update/tb_brojevi.db"),
                                            data::tableFile("TB_Brojevi.db").structure, "tudjalozinka");
            foreign.append({100, 1, "01", "01", "2020", "1"});
            foreign.commit();
            QVERIFY(!updater->azur());
            QCOMPARE(appvalues::LastUpdateDate, QByteArray("9/12/2019"));
            QCOMPARE(s.program.form1->najnoviji, QByteArrayList{"Ranije novo"});
            QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 60);
            QCOMPARE(tabletest::countRecords(s.table("TB_Brojevi.db")), 60);
            QVERIFY(s.program.form1->Glavna.isActive() && s.program.form1->Zakoni.isActive());
        }));
        // The failure and, on a second line, the table and what was wrong with it.
        QCOMPARE(s.program.prompter.texts(),
                 QList<QByteArray>{"Azuriranje nije uspelo\r\nArhiva a`uriranja je neispravna: tabela tb_brojevi.db u "
                                   "njoj je za{ti}ena drugom lozinkom.\r\nBaza podataka programa nije menjana. Arhiva "
                                   "}e biti ponovo ponu|ena pri slede}em a`uriranju."});
    }

    // A table that fails after its import (its rebuild, or the opening of the tables afterwards)
    // fails the archive as any failure does: the row and the message say so, with the reason in
    // the program's language, the archive is offered again, the ones after it wait, and the date
    // stays.
    void failureAfterTheImportFailsTheArchive_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("rebuild: a folder where its copy goes")
            << "blocked" << QByteArray("Greska u snimanju podataka azuriranih za bazu: Zakoni\r\n");
        QTest::newRow("rebuild: full disk")
            << "full"
            << QByteArray("Greska u snimanju podataka azuriranih za bazu: Zakoni\r\nNa disku nema mesta za upis u "
                          "tabelu TB_Zakoni.db.\r\nOslobodite prostor na disku i poku{ajte ponovo.");
        QTest::newRow("opening again: no table") << "garbage" << QByteArray("Azuriranje nije uspelo\r\n");
        QTest::newRow("opening again: disk failing")
            << "io"
            << QByteArray("Azuriranje nije uspelo\r\nDatoteka TB_Kategorije_Zakona.db ne mo`e da se pro~ita ili "
                          "upi{e: disk je prijavio gre{ku.\r\nProverite disk (ili mre`nu vezu, ako je folder Podatci "
                          "na mre`i) i poku{ajte ponovo.");
    }

    void failureAfterTheImportFailsTheArchive()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, message);
        Setup s;
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        const QString areas = s.table("TB_Kategorije_Zakona.db");
        const QString blocked = engine::rebuildFiles(s.table("TB_Zakoni.db")).copy + "/blocked";
        std::optional<testsupport::FaultyDisk> disk;
        QVERIFY(s.program.runMainWindow([&] {
            if (fault == "blocked") {
                // The rebuild's copy cannot be written where a folder stands.
                QVERIFY(QDir().mkpath(blocked));
            } else if (fault == "full") {
                disk.emplace("TB_Zakoni.Rebuild.db", testsupport::FaultyDisk::Fault::Full);
            } else {
                // The areas are not in the archives: their table is only opened again after the
                // install, and now it is no table, or the disk fails to open it.
                s.program.form1->oblasti.close();
                if (fault == "garbage") {
                    QVERIFY(QFile::rename(areas, areas + ".saved"));
                    writeBytes(areas, QByteArray("not a table ").repeated(400));
                } else {
                    disk.emplace("TB_Kategorije_Zakona.db", testsupport::FaultyDisk::Fault::OpenFails);
                }
            }
            click();
            click();
            if (disk) {
                QVERIFY(disk->failures() > 0);
                disk.reset();
            }
            QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(1), QByteArray("Spremno"));
            QCOMPARE(statusOf(2), QByteArray("Spremno"));
            QCOMPARE(QDir(s.program.path("updates")).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(filesUnder(s.program.path("update")), (QMap<QString, QByteArray>()));
            QCOMPARE(appvalues::LastUpdateDate, QByteArray("9/12/2019"));
            QVERIFY(updater->SpeedButton1->isEnabled());

            if (fault == "blocked") {
                QDir(blocked).removeRecursively();
                QDir().rmdir(QFileInfo(blocked).path());
            } else if (fault == "garbage") {
                QFile::remove(areas);
                QVERIFY(QFile::rename(areas + ".saved", areas));
            }
            if (!s.program.form1->oblasti.isActive()) {
                s.program.form1->oblasti.open();
            }
            click();
            QCOMPARE(rowNames(), (QStringList{"001.zip", "002.zip", "003.zip"}));
            click();
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
        }));
        const QList<QByteArray> texts = s.program.prompter.texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].startsWith(message), texts[0].constData());
        if (fault == "blocked" || fault == "garbage") {
            const QByteArray file = fault == "blocked" ? "TB_Zakoni.db" : "TB_Kategorije_Zakona.db";
            QVERIFY2(texts[0].count("\r\n") == 2 && texts[0].contains(file), texts[0].constData());
        }
        QVERIFY(!texts[0].contains("dozvolu"));
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
        QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
    }

    // The disk fills at one moment or another of a run: while a table takes an archive's records
    // (its journal, its pages), while its rebuilt copy is written, or in a later archive. Whenever
    // it fills, the user reads that the disk has no room, naming the table, never a cause the
    // failure led to afterwards (a copy that is no table, a damaged table); every table of the
    // collection stays whole; and once there is room the next click offers the failed archive
    // again and installs it and those after it.
    void fullDiskAtAnyMomentOfTheRun()
    {
        const auto run = [](sqlite3_int64 room, sqlite3_int64* grown) {
            Setup s;
            FtpServer server(s.server.path());
            server.registerAccount();
            // Before the start, so the tables' own connections write through it.
            testsupport::FaultyDisk disk({}, testsupport::FaultyDisk::Fault::FillsUp);
            s.program.start();
            bool armed = false;
            TLogger::lineWritten() = [&](const QByteArray& line) {
                if (line.endsWith("Zip fajl - inatalacija") && !armed) {
                    armed = true;
                    disk.setRoom(room);
                }
            };
            QVERIFY(s.program.runMainWindow([&] {
                click();
                click();
                TLogger::lineWritten() = nullptr;
                *grown = disk.grown();
                disk.setRoom(-1);
                QStringList failed;
                for (int i = 0; i < 3; ++i) {
                    if (statusOf(i) != "preuzeto") {
                        failed << rowNames()[i];
                    }
                }
                const QList<QByteArray> texts = s.program.prompter.texts();
                if (disk.failures() == 0) {
                    QCOMPARE(texts, QList<QByteArray>());
                    QCOMPARE(failed, QStringList());
                    return;
                }
                QCOMPARE(texts.size(), 1);
                QVERIFY2(texts[0].contains("Na disku nema mesta za upis u tabelu TB_") &&
                             !texts[0].contains("nije tabela") && !texts[0].contains("o{te}ena") &&
                             !texts[0].contains("dozvolu"),
                         texts[0].constData());
                QVERIFY(!failed.isEmpty());
                QCOMPARE(statusOf(rowNames().indexOf(failed[0])), QByteArray("neuspe{no"));
                QCOMPARE(unsoundTable(s.program.path("Podatci")), QString());
                QCOMPARE(filesUnder(s.program.path("update")), (QMap<QString, QByteArray>()));

                click(); // the user's next step, with room on the disk
                QCOMPARE(rowNames(), failed);
                click();
                for (int i = 0; i < failed.size(); ++i) {
                    QCOMPARE(statusOf(i), QByteArray("preuzeto"));
                }
                QCOMPARE(s.program.prompter.texts().size(), 1);
            }));
            TLogger::lineWritten() = nullptr;
            QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
            QCOMPARE(tabletest::countRecords(s.table("TB_Brojevi.db")), 72);
            QCOMPARE(unsoundTable(s.program.path("Podatci")), QString());
            QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
        };
        // How much the tables grow in a whole run, to fill the disk at moments spread over it.
        sqlite3_int64 whole = 0;
        run(std::numeric_limits<sqlite3_int64>::max() / 2, &whole);
        QVERIFY(whole > 0);
        constexpr int Moments = 12;
        for (int k = 0; k < Moments; ++k) {
            appvalues::LastUpdateDate = "9/12/2019";
            sqlite3_int64 grown = 0;
            run(whole * k / Moments, &grown);
            if (QTest::currentTestFailed()) {
                qWarning() << "the disk filled after" << whole * k / Moments << "of" << whole << "bytes";
                return;
            }
        }
    }

    // The disk fails one open of the regulations table in an install (the table taken for the
    // import, its copy read for the rebuild, the rebuilt table opened in its place, or the tables
    // opened again afterwards): the table is opened for reading only without a word, as the
    // system's file layer does when opening for writing fails, or not at all. The archive fails
    // with the disk's message, naming the table; no table goes on read-only; and the next click,
    // in the same run of the program, offers the archive again and installs it and those after
    // it, which write the same table.
    void failedOpenOfATableDuringTheInstall_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("opened read-only") << int(testsupport::FaultyDisk::Fault::OpensReadOnly);
        QTest::newRow("not opened") << int(testsupport::FaultyDisk::Fault::OpenFails);
    }

    void failedOpenOfATableDuringTheInstall()
    {
        QFETCH(int, fault);
        for (int skip = 0;; ++skip) {
            QVERIFY2(skip < 12, "the regulations table is opened more often than expected");
            appvalues::LastUpdateDate = "9/12/2019";
            Setup s;
            FtpServer server(s.server.path());
            server.registerAccount();
            s.program.start();
            std::optional<testsupport::FaultyDisk> disk;
            int struck = 0;
            bool armed = false;
            // Only in the first archive's install: the disk is sound again for the rest.
            TLogger::lineWritten() = [&](const QByteArray& line) {
                if (line.endsWith("Zip fajl - inatalacija") && !armed) {
                    armed = true;
                    disk.emplace("/Podatci/TB_Zakoni.db", testsupport::FaultyDisk::Fault(fault), skip, 1);
                } else if (disk && (line.endsWith(" fajl 001.zip obradjen") || line.endsWith(" LOG fajl zatvoren"))) {
                    struck = disk->failures();
                    disk.reset();
                }
            };
            QVERIFY(s.program.runMainWindow([&] {
                click();
                click();
                TLogger::lineWritten() = nullptr;
                disk.reset();
                const QList<QByteArray> texts = s.program.prompter.texts();
                if (struck == 0) {
                    QCOMPARE(texts, QList<QByteArray>());
                    return;
                }
                QCOMPARE(texts.size(), 1);
                QVERIFY2(texts[0].contains("TB_Zakoni.db ne mo`e da se pro~ita ili upi{e: disk je prijavio gre{ku.") &&
                             !texts[0].contains("dozvolu"),
                         texts[0].constData());
                QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
                QCOMPARE(statusOf(1), QByteArray("Spremno"));
                QCOMPARE(appvalues::LastUpdateDate, QByteArray("9/12/2019"));

                click(); // the user's next step, the program still running
                QCOMPARE(rowNames(), (QStringList{"001.zip", "002.zip", "003.zip"}));
                click();
                for (int i = 0; i < 3; ++i) {
                    QCOMPARE(statusOf(i), QByteArray("preuzeto"));
                }
                QCOMPARE(s.program.prompter.texts().size(), 1);
            }));
            TLogger::lineWritten() = nullptr;
            QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
            QCOMPARE(unsoundTable(s.program.path("Podatci")), QString());
            QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), today());
            if (QTest::currentTestFailed()) {
                qWarning() << "open" << skip + 1 << "of the regulations table failed";
                return;
            }
            if (struck == 0) {
                break; // the first archive opened the table fewer times
            }
        }
    }

    // An archive whose regulations table is faulty (a field renamed, pages damaged, the file cut
    // short) is the archive's fault, not the collection's: the message names the archive and its
    // table and sends nobody to the repair, every live file stays byte for byte, and the next
    // click offers the archive again.
    void faultyArchiveTableIsOfferedAgain_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("what");
        QTest::newRow("renamed field") << "renamed"
                                       << QByteArray("tabela TB_Zakoni.DB u njoj nema polja kakva program o~ekuje "
                                                     "(polje Naziv_zakona).");
        QTest::newRow("damaged pages") << "damaged"
                                       << QByteArray("tabela TB_Zakoni.DB u njoj je o{te}ena ili nepotpuna.");
        QTest::newRow("cut short") << "cut" << QByteArray("tabela TB_Zakoni.DB u njoj je o{te}ena ili nepotpuna.");
    }

    void faultyArchiveTableIsOfferedAgain()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, what);
        Setup s;
        QTemporaryDir tables;
        demo::writeUpdateTables(s.program.path("Podatci"), tables.path(), {3, 1, 6, 4, 9, 1}, 1);
        const QString zakoni = tables.filePath("TB_Zakoni.DB");
        if (fault == "renamed") {
            engine::TableStructure structure = data::tableFile("TB_Zakoni.db").structure;
            structure.fields[5].name = "Naslov";
            structure.indexes.removeIf([](const engine::IndexDef& i) { return i.fields.contains("Naziv_zakona"); });
            QFile::remove(zakoni);
            engine::TableFileWriter writer(zakoni, structure, data::TablePassword);
            QList<engine::Value> record;
            for (const engine::FieldDef& f : structure.fields) {
                record.append(f.type == engine::FieldType::Integer ? engine::Value(61) : engine::Value("Novi zakon"));
            }
            writer.append(record);
            writer.commit();
        } else if (fault == "damaged") {
            const QList<int> leaves = tabletest::leafPages(zakoni, "records");
            tabletest::damagePages(zakoni, leaves.mid(leaves.size() / 2, 2));
        } else {
            QFile f(zakoni);
            QVERIFY(f.resize(f.size() * 2 / 3));
        }
        const QByteArray good = bytesOf(s.served("001.zip"));
        zipFolder(tables.path(), s.served("001.zip"));
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            const QMap<QString, QByteArray> before = filesUnder(s.program.path("Podatci"));
            click();
            click();
            QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(1), QByteArray("Spremno"));
            QCOMPARE(filesUnder(s.program.path("Podatci")), before);
            QCOMPARE(QDir(s.program.path("updates")).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(filesUnder(s.program.path("update")), (QMap<QString, QByteArray>()));

            click(); // the user's next step
            QCOMPARE(rowNames(), (QStringList{"001.zip", "002.zip", "003.zip"}));
            writeBytes(s.served("001.zip"), good); // the publisher mends it
            click();
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
        }));
        QCOMPARE(s.program.prompter.texts(),
                 QList<QByteArray>{"Azuriranje nije uspelo\r\nArhiva 001.zip je neispravna: " + what +
                                   "\r\nBaza podataka programa nije menjana. Arhiva }e biti ponovo ponu|ena pri "
                                   "slede}em a`uriranju."});
        QVERIFY(s.logHas("TB_Zakoni.DB"));
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    // An archive that would unpack to more than it should: an entry whose data inflate past the
    // size it declares (stopped there), or entries that declare more than the disk holds (refused
    // before anything is written). Nothing of it stays in the extraction folder, no table is
    // touched, the message says why, and the next click offers it again.
    void oversizedArchiveIsRefused_data()
    {
        QTest::addColumn<bool>("pastItsSize");
        QTest::newRow("inflates past its size") << true;
        QTest::newRow("larger than the disk") << false;
    }

    void oversizedArchiveIsRefused()
    {
        QFETCH(bool, pastItsSize);
        Setup s;
        QFile::remove(s.served("001.zip"));
        QByteArray expected;
        {
            demo::ZipWriter zip(s.served("001.zip"));
            if (pastItsSize) {
                // 64 MB of zeros pack into some 64 KB; a declared size of 4 KB is passed at once.
                zip.add("TB_Zakoni.DB", QByteArray(64 << 20, '\0'));
            } else {
                // Each entry declares almost 4 GB: together more than the disk has free.
                const qint64 entries = freeBytes(s.program.path("update")) / 0xFFFFFF00LL + 1;
                QVERIFY(entries < 65535);
                for (qint64 i = 0; i < entries; ++i) {
                    zip.add("TB_" + QByteArray::number(i) + ".DB", QByteArray(1024, char('a' + i % 26)));
                }
            }
            zip.commit();
        }
        declareSize(s.served("001.zip"), pastItsSize ? 4096 : 0xFFFFFF00u);
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            const QMap<QString, QByteArray> before = filesUnder(s.program.path("Podatci"));
            click();
            click();
            QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(1), QByteArray("Spremno"));
            QCOMPARE(filesUnder(s.program.path("update")), (QMap<QString, QByteArray>()));
            QCOMPARE(filesUnder(s.program.path("updates")), (QMap<QString, QByteArray>()));
            QCOMPARE(filesUnder(s.program.path("Podatci")), before);
            QVERIFY(s.logHas(pastItsSize ? "The data of \"TB_Zakoni.DB\" are damaged" : "001.zip needs "));
            click();
            QCOMPARE(rowNames(), (QStringList{"001.zip", "002.zip", "003.zip"}));
        }));
        const QList<QByteArray> texts = s.program.prompter.texts();
        QCOMPARE(texts.size(), 1);
        const QByteArray offered =
            "\r\nBaza podataka programa nije menjana. Arhiva }e biti ponovo ponu|ena pri slede}em a`uriranju.";
        if (pastItsSize) {
            QCOMPARE(texts[0], "Greska u otpakivanju!\r\nArhiva 001.zip je neispravna: datoteka TB_Zakoni.DB u njoj je "
                               "o{te}ena." +
                                   offered);
        } else {
            QVERIFY2(texts[0].startsWith("Greska u otpakivanju!\r\nZa raspakivanje arhive 001.zip potrebno je ") &&
                         texts[0].endsWith(". Arhiva je neispravna ili na disku nema dovoljno mesta." + offered),
                     texts[0].constData());
        }
        QCOMPARE(appvalues::LastUpdateDate, QByteArray("9/12/2019"));
    }

    // The run's own folders, or a file in them, replaced by symbolic links to a folder outside:
    // the clean-up removes the links and never what they point to, a folder that is a link
    // becomes a real folder, and neither the download nor the extraction writes through a link.
    // The outside folder keeps every file byte for byte, and the run installs as usual.
    void linksInTheRunFoldersLeadNowhere_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("download folder") << "updates";
        QTest::newRow("pending folder") << "updates/.incomplete";
        QTest::newRow("extraction folder") << "update";
        QTest::newRow("links in the extraction folder") << "update/*";
        QTest::newRow("dangling link in the pending folder") << "updates/.incomplete/001.zip";
        QTest::newRow("dangling link planted during the run") << "planted";
    }

    void linksInTheRunFoldersLeadNowhere()
    {
        QFETCH(QString, link);
        Setup s;
        QTemporaryDir outside;
        writeBytes(outside.filePath("TB_Zakoni.DB"), "the outside folder's own file");
        writeBytes(outside.filePath("notes.txt"), "not the program's");
        QDir().mkpath(outside.filePath("sub"));
        writeBytes(outside.filePath("sub/kept.bin"), QByteArray(3000, '\x7f'));
        const QMap<QString, QByteArray> outsideBefore = filesUnder(outside.path());
        const QString pending = s.program.path("updates/.incomplete");
        const QString dangling = outside.filePath("001.zip"); // not there: a link to it dangles
        if (link == "updates" || link == "update") {
            QDir(s.program.path(link)).removeRecursively();
            QVERIFY(QFile::link(outside.path(), s.program.path(link)));
        } else if (link == "updates/.incomplete") {
            QDir().mkpath(s.program.path("updates"));
            QVERIFY(QFile::link(outside.path(), pending));
        } else if (link == "update/*") {
            QVERIFY(QFile::link(outside.filePath("TB_Zakoni.DB"), s.program.path("update/TB_Zakoni.DB")));
            QVERIFY(QFile::link(outside.filePath("sub"), s.program.path("update/sub")));
            QDir().mkpath(s.program.path("update/real"));
            QVERIFY(QFile::link(outside.path(), s.program.path("update/real/deeper")));
        } else if (link == "updates/.incomplete/001.zip") {
            QDir().mkpath(pending);
            QVERIFY(QFile::link(dangling, QDir(pending).filePath("001.zip")));
        }
        // Planted after the clean-up, as the download begins.
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (link == "planted" && line.endsWith("] download 001.zip")) {
                QDir().mkpath(pending);
                QVERIFY(QFile::link(dangling, QDir(pending).filePath("001.zip")));
            }
        };
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            click();
            QCOMPARE(filesUnder(outside.path()), outsideBefore);
            click();
        }));
        TLogger::lineWritten() = nullptr;
        QVERIFY(s.program.prompter.texts().isEmpty());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(statusOf(i), QByteArray("preuzeto"));
        }
        QCOMPARE(filesUnder(outside.path()), outsideBefore);
        for (const char* folder : {"updates", "updates/.incomplete", "update"}) {
            QVERIFY2(isRealFolder(s.program.path(folder)), folder);
        }
        for (const char* name : {"001.zip", "002.zip", "003.zip"}) {
            QVERIFY2(!isLink(s.downloaded(name)) && QFileInfo(s.downloaded(name)).isFile(), name);
            QCOMPARE(bytesOf(s.downloaded(name)), bytesOf(s.served(name)));
        }
        for (const QString& name : QDir(s.program.path("update")).entryList(QDir::AllEntries | QDir::System)) {
            QVERIFY2(!isLink(s.program.path("update/" + name)), qPrintable(name));
        }
        QVERIFY(!isLink(s.program.path("update/real/deeper")));
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    // While a click runs the window stays: the close button, Escape and the close box are each
    // refused with a word why, in the listing and in the install; the main window stays blocked
    // behind it, and no second run starts. When the run is over the window closes.
    void closingDuringARunIsRefused_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Zatvori") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
        QTest::newRow("main window") << 3;
    }

    void closingDuringARunIsRefused()
    {
        QFETCH(int, way);
        Setup s;
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program.start();
        const QByteArray refused = "A`uriranje je u toku. Prozor mo`e da se zatvori kada se a`uriranje zavr{i.";
        // The close is tried as the run writes `line` to its log, from the event loop the run keeps
        // going while it waits for the server or between tables.
        QByteArray trigger;
        int tries = 0;
        const auto tryToClose = [&] {
            ++tries;
            QVERIFY(updater->running());
            switch (way) {
            case 0:
                updater->SpeedButton4->click();
                break;
            case 1:
                QTest::keyClick(updater, Qt::Key_Escape);
                break;
            case 2: {
                QCloseEvent close;
                QCoreApplication::sendEvent(updater->windowHandle(), &close);
                break;
            }
            default: {
                // The program would save its lists and end under tables being installed.
                QCloseEvent close;
                QCoreApplication::sendEvent(s.program.form1->windowHandle(), &close);
                QVERIFY(close.isAccepted() == false);
                QVERIFY(s.program.form1->isVisible());
                break;
            }
            }
            QVERIFY(updater->isVisible());
            QCOMPARE(QApplication::activeModalWidget(), updater);
            // Nor does a second click start another run over this one (its log would be emptied).
            updater->SpeedButton1Click();
            QVERIFY(s.logHas(trigger));
        };
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (!trigger.isEmpty() && line.endsWith(trigger)) {
                QTimer::singleShot(0, tryToClose);
            }
        };
        QVERIFY(s.program.runMainWindow([&] {
            bool done = false;
            QTimer::singleShot(0, [&] {
                trigger = " izlistavanje ftp-a...";
                click();
                QCOMPARE(tries, 1);
                QCOMPARE(rowNames().size(), 3);
                QVERIFY(updater->isVisible());
                trigger = "Instalacija TB_Zakoni.DB";
                click();
                QCOMPARE(tries, 4); // once in each archive
                QVERIFY(updater->isVisible());
                for (int i = 0; i < 3; ++i) {
                    QCOMPARE(statusOf(i), QByteArray("preuzeto"));
                }
                trigger.clear();
                updater->SpeedButton4->click(); // the run is over: the window closes
                done = true;
            });
            mainwin::updateWindow()->showUpdater();
            QVERIFY(done);
            QVERIFY(!updater->isVisible());
        }));
        TLogger::lineWritten() = nullptr;
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>(4, refused));
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    void rebuildAndVerify()
    {
        Setup s;
        QTemporaryDir damagedCopy;
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            QVERIFY(updater->Rebuild(s.program.form1->Glavna));
            QVERIFY(data::attachmentTables() != nullptr);
            QVERIFY(updater->Rebuild(data::attachmentTables()->Table1));
            QVERIFY(QFile::exists(s.table("TB_Brojevi.Backup.db")));
            QVERIFY(QFile::exists(s.table("TB_grafika.Backup.db")));
            QCOMPARE(s.program.form1->Glavna.recordCount() > 0, true);
            engine::Table missing;
            missing.setDatabaseName(data::DatabaseAlias);
            missing.setTableName("TB_Nema");
            QVERIFY_THROWS_EXCEPTION(engine::Error, updater->Rebuild(missing));

            QDir().mkpath(engine::rebuildFiles(s.table("TB_Arhiva.db")).copy + "/blocked");
            QVERIFY(!updater->Rebuild(s.program.form1->arhiva));
            updater->Verify(s.program.form1->Glavna);

            // A table damaged in its middle keeps what can be read, and the user is told what it
            // lost and which file keeps its original.
            QVERIFY(QFile::copy(s.table("TB_Zakoni.db"), damagedCopy.filePath("TB_Zakoni.db")));
            const QString damaged = damagedCopy.filePath("TB_Zakoni.db");
            const QList<int> leaves = tabletest::leafPages(damaged, "records");
            tabletest::damagePages(damaged, leaves.mid(leaves.size() / 2, 2));
            engine::Table regulations;
            regulations.setObjectName("Zakoni");
            regulations.setTableName(damaged);
            QVERIFY(updater->Rebuild(regulations));
        }));
        QCOMPARE(s.program.prompter.texts().size(), 3);
        QVERIFY(s.program.prompter.texts()[0].startsWith("Greska u snimanju podataka azuriranih za bazu: arhiva\r\n"));
        QCOMPARE(s.program.prompter.texts()[1], QByteArray("Verification Successful. Nema gresaka u bazi"));
        const QByteArray lost = s.program.prompter.texts()[2];
        QVERIFY2(lost.startsWith("Tabela TB_Zakoni.db: nije sa~uvano ") && lost.contains(" od 60 zapisa"), lost);
        const QStringList originals = QDir(damagedCopy.path()).entryList({"TB_Zakoni.Original-*.db"});
        QCOMPARE(originals.size(), 1);
        QVERIFY2(lost.contains(originals[0].toLatin1()), lost);
    }

    void proxyTakenAtStart_data()
    {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<int>("expected");
        QTest::newRow("a port") << QByteArray("8080") << 8080;
        // Not a number: no port, and the rest of the set-up (the renames) still runs.
        QTest::newRow("not a port") << QByteArray("80x80") << 0;
        QTest::newRow("zero") << QByteArray("0") << 0;
    }

    void proxyTakenAtStart()
    {
        QFETCH(QByteArray, port);
        QFETCH(int, expected);
        ProgramFixture program(20);
        // "@" is a YUSCII letter on the screen ("Ž"): the address keeps it as the file holds it.
        program.writeFile("korvelin.cfg", "1\r\n2\r\nKoristi proxy\r\nkorisnik@proxy.example\r\n" + port +
                                              "\r\n10\r\n16\r\n14\r\n9/12/2019\r\n\r\n");
        QDir().mkpath(program.path("updates"));
        program.writeFile("updates/1.zip", "old download");
        program.start();
        QCOMPARE(updater->account().proxyHost, QStringLiteral("korisnik@proxy.example"));
        QCOMPARE(updater->account().proxyPort, expected);
        QVERIFY(QFile::exists(program.path("updates/001.zip")));
    }
};

QTEST_MAIN(TestUpdaterWindow)
#include "tst_updaterwindow.moc"
