// The update run's files reached through the folders it opened: another program that swaps the
// pending folder for a link to a folder of its own while a download is under way reaches none of
// that folder's files, and the next click works. And archives whose entries keep their sizes in
// ZIP64 extra fields are extracted and installed like any other. A link put where the
// regulations' journal goes is told as a link, and nothing is written through it.

#include "diskfiles.h"
#include "programfixture.h"
#include "updaterview.h"

#include "appvalues.h"
#include "demo.h"
#include "ftpserver.h"
#include "logger.h"
#include "screentext.h"
#include "tabledump.h"
#include "updaterwindow.h"

#include <QProcess>
#include <QPushButton>
#include <QtEndian>
#include <QTreeWidget>

using platform::Answer;
using testsupport::bytesOf;
using testsupport::filesUnder;
using updatertest::Setup;
using updatertest::click;
using updatertest::statusOf;
using updatertest::writeBytes;

namespace {

// Rewrites `archive` with Python's zipfile told that every size and offset is too large for the
// plain fields: each entry's sizes (and each offset but the first) go to ZIP64 extra fields, in
// the local headers and the directory alike, and a ZIP64 end record is written.
void makeZip64(const QString& archive)
{
    const QString script = QStringLiteral(R"(
import sys, zipfile
zipfile.ZIP64_LIMIT = 0
source = zipfile.ZipFile(sys.argv[1])
entries = [(info, source.read(info)) for info in source.infolist()]
source.close()
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, allowZip64=True) as target:
    for info, data in entries:
        with target.open(zipfile.ZipInfo(info.filename, info.date_time), "w", force_zip64=True) as out:
            out.write(data)
)");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, archive});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
}

// Whether every directory record of `archive` has its sizes marked for the ZIP64 extra field.
bool directoryIsZip64(const QString& archive)
{
    const QByteArray bytes = bytesOf(archive);
    int records = 0;
    for (qsizetype at = bytes.indexOf("PK\x01\x02"); at >= 0; at = bytes.indexOf("PK\x01\x02", at + 4)) {
        if (qFromLittleEndian<quint32>(bytes.constData() + at + 20) != 0xFFFFFFFF ||
            qFromLittleEndian<quint32>(bytes.constData() + at + 24) != 0xFFFFFFFF) {
            return false;
        }
        ++records;
    }
    return records > 0 && bytes.contains("PK\x06\x06");
}

} // namespace

class TestUpdateFolders : public QObject {
    Q_OBJECT

private slots:
    void init() { appvalues::LastUpdateDate = "9/12/2019"; }

    // The server holds the first download after its first kilobyte; meanwhile the pending folder
    // is renamed away and a link to an outside folder that holds a 001.zip of its own (an archive,
    // or a file that is none) takes its place. The run installs what it downloaded, the outside
    // folder keeps every file byte for byte, and the next click finds nothing new.
    void pendingFolderSwappedDuringADownload_data()
    {
        QTest::addColumn<bool>("outsideArchive");
        QTest::newRow("outside archive") << true;
        QTest::newRow("outside file that is no archive") << false;
    }

    void pendingFolderSwappedDuringADownload()
    {
        QFETCH(bool, outsideArchive);
        Setup s;
        QTemporaryDir outside;
        if (outsideArchive) {
            QVERIFY(QFile::copy(s.served("003.zip"), outside.filePath("001.zip")));
        } else {
            writeBytes(outside.filePath("001.zip"), "not the program's, and no archive");
        }
        writeBytes(outside.filePath("notes.txt"), "not the program's");
        const QMap<QString, QByteArray> outsideBefore = filesUnder(outside.path());
        QTemporaryDir hold;
        QVERIFY(QFileInfo(s.served("001.zip")).size() > 1024);
        FtpServer server(s.server.path(), {"--hold", "001.zip:1024:" + hold.path()});
        QVERIFY(server.running());
        server.registerAccount();
        s.program.start();
        const QString pending = s.program.path("updates/.incomplete");
        bool swapped = false;
        QTimer swapper;
        swapper.setInterval(2);
        connect(&swapper, &QTimer::timeout, [&] {
            if (swapped || !QFileInfo::exists(hold.filePath("held"))) {
                return;
            }
            swapped = true;
            QVERIFY(QFile::rename(pending, s.program.path("updates/.elsewhere")));
            QVERIFY(QFile::link(outside.path(), pending));
            writeBytes(hold.filePath("go"), {});
        });
        QVERIFY(s.program.runMainWindow([&] {
            click();
            QCOMPARE(updater->ListView1->topLevelItemCount(), 3);
            swapper.start();
            click();
            swapper.stop();
            QVERIFY(swapped);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
            QCOMPARE(filesUnder(outside.path()), outsideBefore);
            // The next click clears the link away, and finds nothing more to fetch.
            click();
            QCOMPARE(updater->ListView1->topLevelItemCount(), 0);
        }));
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>{"Nema novijih datoteka za preuzimanje sa interneta!"});
        QCOMPARE(filesUnder(outside.path()), outsideBefore);
        for (const char* name : {"001.zip", "002.zip", "003.zip"}) {
            QCOMPARE(bytesOf(s.downloaded(name)), bytesOf(s.served(name)));
        }
        const QFileInfo cleared(pending);
        QVERIFY(!cleared.isSymLink());
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    // Once an archive is extracted, another program renames the extraction folder away and puts a
    // link to an outside folder in its place, holding tables of another archive. The install reads
    // the tables it extracted, from the folder it opened: every archive installs its own records,
    // and the outside folder keeps every file byte for byte.
    void extractionFolderSwappedBeforeTheInstall()
    {
        Setup s;
        QTemporaryDir outside;
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-q"), s.served("003.zip"), "-d", outside.path()});
        QVERIFY(unzip.waitForFinished() && unzip.exitCode() == 0);
        const QMap<QString, QByteArray> outsideBefore = filesUnder(outside.path());
        QVERIFY(outsideBefore.size() > 1);
        const QString extraction = s.program.path("update");
        bool swapped = false;
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (line.endsWith("Zip fajl - inatalacija") && !swapped) {
                swapped = true;
                QVERIFY(QFile::rename(extraction, s.program.path("update.elsewhere")));
                QVERIFY(QFile::link(outside.path(), extraction));
            }
        };
        FtpServer server(s.server.path());
        QVERIFY(server.running());
        server.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            click();
            click();
            TLogger::lineWritten() = nullptr;
            QVERIFY(swapped);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
            QCOMPARE(filesUnder(outside.path()), outsideBefore);
        }));
        TLogger::lineWritten() = nullptr;
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>());
        QCOMPARE(filesUnder(outside.path()), outsideBefore);
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }

    // Archives whose entries keep their sizes in ZIP64 extra fields (and end with a ZIP64 end
    // record) are counted by their real sizes, extracted and installed; none is refused as too
    // large for the disk.
    void zip64ArchivesInstall()
    {
        Setup s;
        for (const char* name : {"001.zip", "002.zip", "003.zip"}) {
            makeZip64(s.served(name));
            QVERIFY2(directoryIsZip64(s.served(name)), name);
        }
        FtpServer server(s.server.path());
        QVERIFY(server.running());
        server.registerAccount();
        s.program.start();
        QVERIFY(s.program.runMainWindow([&] {
            click();
            click();
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
        }));
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>());
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
        QCOMPARE(appvalues::LastUpdateDate, QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")).toLatin1());
    }

    // Another program puts a link where the regulations' journal goes (to a file of its own, or
    // to nothing) after the run's clean-up, as the first download begins. The install of that
    // archive writes nothing through it: the archive fails, the message names the journal as a
    // link and says to remove it, the regulations and the outside file stay byte for byte. Once
    // the user removes the link, the next click installs every archive.
    void journalLinkFailsTheInstall_data()
    {
        QTest::addColumn<bool>("dangling");
        QTest::newRow("link to an outside file") << false;
        QTest::newRow("link to nothing") << true;
    }

    void journalLinkFailsTheInstall()
    {
        QFETCH(bool, dangling);
        Setup s;
        QTemporaryDir outside;
        const QString target = outside.filePath("tudja.txt");
        if (!dangling) {
            writeBytes(target, QByteArray("not the program's file\n").repeated(200));
        }
        const QMap<QString, QByteArray> outsideBefore = filesUnder(outside.path());
        const QString journal = s.table("TB_Zakoni.db-journal");
        const QByteArray regulationsBefore = bytesOf(s.table("TB_Zakoni.db"));
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (line.endsWith("] download 001.zip")) {
                QVERIFY(QFile::link(target, journal));
            }
        };
        FtpServer server(s.server.path());
        QVERIFY(server.running());
        server.registerAccount();
        s.program.start();
        QList<QByteArray> told;
        QVERIFY(s.program.runMainWindow([&] {
            click();
            QCOMPARE(updater->ListView1->topLevelItemCount(), 3);
            click();
            TLogger::lineWritten() = nullptr;
            QCOMPARE(statusOf(0), QByteArray("neuspe{no"));
            QCOMPARE(statusOf(1), QByteArray("Spremno"));
            QCOMPARE(statusOf(2), QByteArray("Spremno"));
            QVERIFY(QFileInfo(journal).isSymLink());
            QCOMPARE(filesUnder(outside.path()), outsideBefore);
            QCOMPARE(bytesOf(s.table("TB_Zakoni.db")), regulationsBefore);
            told = s.program.prompter.texts();
            s.program.prompter.clear();

            QVERIFY(QFile::remove(journal));
            click();
            QCOMPARE(updater->ListView1->topLevelItemCount(), 3);
            click();
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
        }));
        TLogger::lineWritten() = nullptr;
        QCOMPARE(told, QList<QByteArray>{"Azuriranje nije uspelo\r\nNa mestu datoteke TB_Zakoni.db-journal u folderu "
                                         "Podatci nalazi se link (simboli~ka veza): program kroz link ne upisuje "
                                         "podatke.\r\nUklonite taj link i poku{ajte ponovo."});
        QCOMPARE(s.program.prompter.texts(), QList<QByteArray>());
        QCOMPARE(filesUnder(outside.path()), outsideBefore);
        QCOMPARE(tabletest::countRecords(s.table("TB_Zakoni.db")), 72);
    }
};

QTEST_MAIN(TestUpdateFolders)
#include "tst_updatefolders.moc"
