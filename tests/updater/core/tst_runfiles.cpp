// The files of an update run: a download counts as done only once it has its name in the download
// folder, and what a run cut short leaves is cleared by the next: waiting downloads, extracted
// and partly extracted files, a rebuild's copy and its journal, a salvage's partly written files,
// and table writes cut short, which are rolled back. The collection's own files stay.

#include "demo.h"
#include "diskfiles.h"
#include "runfiles.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tableutil.h"

#include <cerrno>
#include <cstring>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using testsupport::bytesOf;
using testsupport::filesUnder;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A table file as a write cut short leaves it: some of its pages already changed, the old pages in
// its journal. A write that holds more pages than its cache writes some into the file before it
// commits; the file and its journal are copied at that moment.
void cutWrite(const QString& table, const QString& intoFolder)
{
    const QString scratch = QDir(intoFolder).filePath("scratch");
    QDir().mkpath(scratch);
    const QString copy = QDir(scratch).filePath(QFileInfo(table).fileName());
    QVERIFY(QFile::copy(table, copy));
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(copy).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                          "PRAGMA cache_size = 2; BEGIN; UPDATE records SET Naziv_zakona = 'izmenjeno', "
                          "Latinica = zeroblob(3000)",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    const QString target = QDir(intoFolder).filePath(QFileInfo(table).fileName());
    QFile::remove(target);
    QVERIFY(QFile::copy(copy, target));
    QVERIFY(QFile::copy(copy + "-journal", target + "-journal"));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QDir(scratch).removeRecursively();
}

// A folder outside the program's, with files that must stay as they are.
QString outsideFolder(const QTemporaryDir& dir)
{
    const QString outside = dir.filePath("outside");
    writeBytes(outside + "/001.zip", "an archive of somebody else's");
    writeBytes(outside + "/TB_Zakoni.DB", "a table of somebody else's");
    writeBytes(outside + "/sub/deeper.txt", "deeper");
    return outside;
}

// The clean-up as a run begins it.
QStringList clearLeftovers(const QString& downloads, const QString& extraction, const QString& data)
{
    updates::RunFolders folders(downloads, extraction);
    folders.openDownloadFolder();
    return folders.clearLeftovers(data);
}

// Another program's move: the folder renamed away and a link to `outside` put in its place.
void swapForLink(const QString& folder, const QString& outside)
{
    QVERIFY(QFile::rename(folder, folder + ".moved"));
    QVERIFY(QFile::link(outside, folder));
}

} // namespace

class TestRunFiles : public QObject {
    Q_OBJECT

private slots:
    void downloadCountsAsDoneOnlyOnceFinished()
    {
        QTemporaryDir dir;
        const QString downloads = dir.filePath("updates");
        const QString pending = updates::pendingFile(downloads, "001.zip");
        writeBytes(pending, "archive");
        // Waiting, it is no file of the download folder, where the listing looks.
        QCOMPARE(namesIn(downloads), QStringList());
        updates::RunFolders folders(downloads, dir.filePath("update"));
        QVERIFY(folders.openDownloadFolder());
        QCOMPARE(folders.finishFile("001.zip"), QString());
        QCOMPARE(namesIn(downloads), QStringList{"001.zip"});
        QCOMPARE(namesIn(updates::pendingFolder(downloads)), QStringList());
        // A file that is not there keeps nothing from being tried again.
        QVERIFY(!folders.finishFile("002.zip").isEmpty());
        QCOMPARE(namesIn(downloads), QStringList{"001.zip"});
    }

    void leftoversOfACutRunAreCleared()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("Podatci");
        const QString downloads = dir.filePath("updates");
        const QString extraction = dir.filePath("update");
        demo::generate(data, {30, 2, 1});
        data::setUpSession(dir.path());
        const QString regulations = QDir(data).filePath("TB_Zakoni.db");
        const QString publications = QDir(data).filePath("TB_Brojevi.db");
        const QByteArray regulationsBefore = tabletest::digest(regulations);
        const QByteArray regulationsBytes = bytesOf(regulations);
        const QByteArray publicationsBefore = tabletest::digest(publications);

        writeBytes(QDir(downloads).filePath("001.zip"), "installed");
        writeBytes(updates::pendingFile(downloads, "002.zip"), "half installed");
        writeBytes(updates::pendingFile(downloads, "003.zip.Xa12bc"), "half downloaded");
        writeBytes(QDir(extraction).filePath("TB_Zakoni.DB"), "extracted");
        writeBytes(QDir(extraction).filePath("~zip-1f2e.part"), "half extracted");
        QDir().mkpath(QDir(extraction).filePath("kept"));
        const engine::RebuildFiles rebuild = engine::rebuildFiles(QDir(data).filePath("TB_Arhiva.db"));
        writeBytes(rebuild.copy, "half copied");
        writeBytes(rebuild.copy + "-journal", "its journal");
        writeBytes(rebuild.keyViolations + ".part", "half salvaged");
        writeBytes(rebuild.backup, "the backup of the last rebuild");
        // A write cut short after it changed the table, and one cut before it did (its journal
        // is there, not yet marked valid).
        cutWrite(regulations, data);
        QVERIFY(bytesOf(regulations) != regulationsBytes);
        QVERIFY(bytesOf(regulations + "-journal").startsWith("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7"));
        writeBytes(publications + "-journal", QByteArray(512, '\0'));

        QStringList removed = clearLeftovers(downloads, extraction, data);
        removed.sort();
        QCOMPARE(removed,
                 (QStringList{"002.zip", "003.zip.Xa12bc", "TB_Arhiva.KEYVIOL.db.part", "TB_Arhiva.Rebuild.db",
                              "TB_Arhiva.Rebuild.db-journal", "TB_Brojevi.db-journal", "TB_Zakoni.db-journal"}));
        QCOMPARE(namesIn(downloads), QStringList{"001.zip"});
        QCOMPARE(namesIn(updates::pendingFolder(downloads)), QStringList());
        QCOMPARE(namesIn(extraction), QStringList());
        QVERIFY(QDir(QDir(extraction).filePath("kept")).exists());
        QVERIFY(QFile::exists(rebuild.backup));
        // The cut writes are undone: the tables hold what they held before.
        QCOMPARE(tabletest::digest(regulations), regulationsBefore);
        QCOMPARE(tabletest::digest(publications), publicationsBefore);
        QCOMPARE(engine::verifyTableFile(regulations).level, 0);
        QCOMPARE(namesIn(data).filter("journal"), QStringList());

        // Nothing left: nothing to clear, and no folder given is no folder touched.
        QCOMPARE(clearLeftovers(downloads, extraction, data), QStringList());
        QCOMPARE(clearLeftovers({}, {}, {}), QStringList());
    }

    // A table's name in the data folder that is a link is never opened by the clean-up: a write
    // cut short in the file it points to is not played back into that file from here.
    void linkedTableIsNotFollowed()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("Podatci");
        demo::generate(data, {30, 2, 1});
        data::setUpSession(dir.path());
        const QString outside = dir.filePath("outside");
        QDir().mkpath(outside);
        cutWrite(QDir(data).filePath("TB_Zakoni.db"), outside);
        const QMap<QString, QByteArray> before = filesUnder(outside);
        QVERIFY(QFile::link(outside + "/TB_Zakoni.db", QDir(data).filePath("TB_Stari.db")));
        writeBytes(QDir(data).filePath("TB_Stari.db-journal"), "a journal beside the link");
        QCOMPARE(clearLeftovers({}, {}, data), QStringList());
        QCOMPARE(filesUnder(outside), before);
        QVERIFY(QFileInfo(QDir(data).filePath("TB_Stari.db")).isSymLink());
    }

    // The clean-up removes links as links: one in the place of the pending folder, of the
    // extraction folder, of a file in either, of a folder in the extraction folder, and one that
    // dangles. What they point to stays byte for byte; the extraction folder is a real one after.
    void leftoverLinksAreRemovedNotFollowed()
    {
        QTemporaryDir dir;
        const QString outside = outsideFolder(dir);
        const QMap<QString, QByteArray> before = filesUnder(outside);
        const QString downloads = dir.filePath("updates");
        const QString extraction = dir.filePath("update") + "/"; // as the program names it
        QDir().mkpath(downloads);
        QVERIFY(QFile::link(outside, updates::pendingFolder(downloads)));
        QVERIFY(QFile::link(outside, dir.filePath("update")));
        QStringList removed = clearLeftovers(downloads, extraction, {});
        QCOMPARE(removed, QStringList{".incomplete"});
        QCOMPARE(filesUnder(outside), before);
        QVERIFY(!QFileInfo::exists(updates::pendingFolder(downloads)));
        QVERIFY(!QFileInfo(dir.filePath("update")).isSymLink() && QFileInfo(dir.filePath("update")).isDir());

        QDir().mkpath(updates::pendingFolder(downloads));
        QVERIFY(QFile::link(outside + "/001.zip", updates::pendingFile(downloads, "001.zip")));
        QVERIFY(QFile::link(outside + "/002.zip", updates::pendingFile(downloads, "002.zip"))); // dangles
        QVERIFY(QFile::link(outside, updates::pendingFile(downloads, "sub")));
        QVERIFY(QFile::link(outside + "/TB_Zakoni.DB", extraction + "TB_Zakoni.DB"));
        QVERIFY(QFile::link(outside + "/nothing", extraction + "TB_Brojevi.DB"));
        QVERIFY(QFile::link(outside + "/sub", extraction + "sub"));
        writeBytes(extraction + "real/kept.txt", "stays with its folder");
        QVERIFY(QFile::link(outside, extraction + "real/outside"));
        removed = clearLeftovers(downloads, extraction, {});
        removed.sort();
        QCOMPARE(removed, (QStringList{"001.zip", "002.zip", "sub"}));
        QCOMPARE(filesUnder(outside), before);
        QCOMPARE(filesUnder(updates::pendingFolder(downloads)), (QMap<QString, QByteArray>()));
        QCOMPARE(filesUnder(extraction), (QMap<QString, QByteArray>{{"real/kept.txt", "stays with its folder"}}));
    }

    // A folder of the program's own is a real folder: a link in its place goes, never what it
    // points to, and a file that is no link is not taken for one.
    void ownFoldersAreRealFolders()
    {
        QTemporaryDir dir;
        const QString outside = outsideFolder(dir);
        const QMap<QString, QByteArray> before = filesUnder(outside);
        const QString folder = dir.filePath("updates");
        QVERIFY(QFile::link(outside, folder));
        QVERIFY(updates::ownFolder(folder));
        QVERIFY(!QFileInfo(folder).isSymLink() && QFileInfo(folder).isDir());
        QCOMPARE(filesUnder(folder), (QMap<QString, QByteArray>()));
        QVERIFY(updates::ownFolder(folder)); // already one
        QVERIFY(updates::ownFolder(dir.filePath("new/deeper")));
        QVERIFY(QFileInfo(dir.filePath("new/deeper")).isDir());
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling")));
        QVERIFY(updates::ownFolder(dir.filePath("dangling") + "/"));
        QVERIFY(QFileInfo(dir.filePath("dangling")).isDir() && !QFileInfo::exists(dir.filePath("nowhere")));
        writeBytes(dir.filePath("file"), "a file where the folder should be");
        QString why;
        QVERIFY(!updates::ownFolder(dir.filePath("file"), &why));
        QCOMPARE(why, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
        QCOMPARE(bytesOf(dir.filePath("file")), QByteArray("a file where the folder should be"));
        QCOMPARE(filesUnder(outside), before);
    }

    // A download is written under a name of its own and then takes the waiting name: a link that
    // stands under that name, pointing outside or nowhere, is replaced and never written through;
    // a pending folder that is a link is replaced by a real one. Unless committed, nothing stays.
    void downloadsNeverWriteThroughLinks()
    {
        QTemporaryDir dir;
        const QString outside = outsideFolder(dir);
        const QMap<QString, QByteArray> before = filesUnder(outside);
        const QString downloads = dir.filePath("updates");
        QDir().mkpath(downloads);
        QVERIFY(QFile::link(outside, updates::pendingFolder(downloads)));
        {
            updates::RunFolders folders(downloads, {});
            QVERIFY(folders.openDownloadFolder());
            updates::PendingDownload download(folders, "001.zip");
            QVERIFY2(download.open(), qPrintable(download.error()));
            QCOMPARE(download.device().write("the new archive"), qint64(15));
            QVERIFY2(download.commit(), qPrintable(download.error()));
        }
        QVERIFY(!QFileInfo(updates::pendingFolder(downloads)).isSymLink());
        QCOMPARE(filesUnder(updates::pendingFolder(downloads)),
                 (QMap<QString, QByteArray>{{"001.zip", "the new archive"}}));

        QVERIFY(QFile::link(outside + "/002.zip", updates::pendingFile(downloads, "002.zip"))); // dangles
        QVERIFY(QFile::link(outside + "/TB_Zakoni.DB", updates::pendingFile(downloads, "003.zip")));
        updates::RunFolders folders(downloads, {});
        QVERIFY(folders.openDownloadFolder());
        for (const QByteArray name : {"002.zip", "003.zip"}) {
            updates::PendingDownload download(folders, name);
            QVERIFY(download.open());
            download.device().write("archive " + name);
            QVERIFY(download.commit());
        }
        {
            updates::PendingDownload cut(folders, "004.zip");
            QVERIFY(cut.open());
            cut.device().write("half of it");
        }
        QCOMPARE(filesUnder(updates::pendingFolder(downloads)),
                 (QMap<QString, QByteArray>{
                     {"001.zip", "the new archive"}, {"002.zip", "archive 002.zip"}, {"003.zip", "archive 003.zip"}}));
        QCOMPARE(filesUnder(outside), before);
    }

    // Room for an archive's entries: their declared sizes and a margin, against the free space of
    // the extraction folder's disk and, when the tables lie on another, of that one too. One disk
    // for both is counted once; a disk that cannot tell its free space is not counted.
    void roomForTheEntries()
    {
        QTemporaryDir dir;
        const updates::DiskSpace here = updates::diskSpace(dir.path());
        QVERIFY(here.available > 0);
        const updates::ExtractionRoom small = updates::extractionRoom(1000, here);
        QCOMPARE(small.needed, 1000 + (qint64(64) << 20));
        QCOMPARE(small.available, here.available);
        QVERIFY(small.fits);
        const qint64 huge = here.available;
        const updates::ExtractionRoom big = updates::extractionRoom(huge, here);
        QCOMPARE(big.needed, huge + huge / 10);
        QVERIFY(!big.fits && !big.dataDisk);

        constexpr qint64 MB = 1 << 20;
        const updates::DiskSpace program{1, 2000 * MB};
        const updates::DiskSpace sameDisk{1, 2000 * MB};
        const updates::DiskSpace roomyData{2, 3000 * MB};
        const updates::DiskSpace fullData{2, 1000 * MB};
        const updates::DiskSpace unknownData{2, -1};
        // 1000 MB of entries need 1100 MB on each disk they touch.
        QVERIFY(updates::extractionRoom(1000 * MB, program, sameDisk).fits);
        QVERIFY(updates::extractionRoom(1000 * MB, program, roomyData).fits);
        QVERIFY(updates::extractionRoom(1000 * MB, program, unknownData).fits);
        const updates::ExtractionRoom dataShort = updates::extractionRoom(1000 * MB, program, fullData);
        QVERIFY(!dataShort.fits && dataShort.dataDisk);
        QCOMPARE(dataShort.needed, 1100 * MB);
        QCOMPARE(dataShort.available, 1000 * MB);
        const updates::ExtractionRoom extractionShort = updates::extractionRoom(1000 * MB, {1, 1050 * MB}, roomyData);
        QVERIFY(!extractionShort.fits && !extractionShort.dataDisk);
        QCOMPARE(extractionShort.available, 1050 * MB);
        // The data folder's own disk, when the extraction folder's cannot tell.
        QVERIFY(!updates::extractionRoom(1000 * MB, {1, -1}, {1, 1000 * MB}).fits);
    }

    // Another program renames the pending folder away while a download runs and puts a link to
    // an outside folder in its place: the download, the archive's reading, the rename into the
    // download folder and the removal of a failed file all stay with the folder the run opened.
    // The outside folder's files stay byte for byte, and the next run's clean-up removes the link.
    void pendingFolderSwappedDuringADownload()
    {
        QTemporaryDir dir;
        const QString outside = outsideFolder(dir);
        writeBytes(outside + "/002.zip", "the outside 002.zip");
        const QMap<QString, QByteArray> before = filesUnder(outside);
        const QString downloads = dir.filePath("updates");
        {
            updates::RunFolders folders(downloads, dir.filePath("update"));
            QVERIFY(folders.openDownloadFolder());
            QCOMPARE(folders.clearLeftovers({}), QStringList());
            updates::PendingDownload download(folders, "001.zip");
            QVERIFY2(download.open(), qPrintable(download.error()));
            download.device().write("our 001.zip");
            swapForLink(updates::pendingFolder(downloads), outside);
            QVERIFY2(download.commit(), qPrintable(download.error()));

            const int fd = folders.openPending("001.zip");
            QVERIFY(fd >= 0);
            QFile read;
            QVERIFY(read.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
            QCOMPARE(read.readAll(), QByteArray("our 001.zip"));
            read.close();
            QCOMPARE(folders.finishFile("001.zip"), QString());

            updates::PendingDownload failed(folders, "002.zip");
            QVERIFY(failed.open());
            failed.device().write("our 002.zip");
            QVERIFY(failed.commit());
            QVERIFY(folders.discardFile("002.zip"));
            QVERIFY(!folders.discardFile("002.zip"));
            // The file the outside folder holds under a waiting name is never what is finished.
            QVERIFY(!folders.finishFile("001.zip").isEmpty());
        }
        QCOMPARE(filesUnder(outside), before);
        QCOMPARE(bytesOf(QDir(downloads).filePath("001.zip")), QByteArray("our 001.zip"));
        QCOMPARE(clearLeftovers(downloads, dir.filePath("update"), {}), QStringList{".incomplete"});
        QCOMPARE(filesUnder(outside), before);
        QVERIFY(!QFileInfo(updates::pendingFolder(downloads)).isSymLink());
    }

    // The extraction folder swapped after the run opened it: clearing it clears the folder the
    // run opened, never the outside one.
    void extractionFolderSwappedDuringARun()
    {
        QTemporaryDir dir;
        const QString outside = outsideFolder(dir);
        const QMap<QString, QByteArray> before = filesUnder(outside);
        const QString extraction = dir.filePath("update");
        writeBytes(extraction + "/TB_Zakoni.DB", "extracted");
        updates::RunFolders folders(dir.filePath("updates"), extraction + "/");
        QVERIFY(folders.openDownloadFolder());
        folders.clearLeftovers({});
        writeBytes(extraction + "/TB_Brojevi.DB", "extracted");
        swapForLink(extraction, outside);
        folders.clearExtractionFolder();
        QCOMPARE(filesUnder(outside), before);
        QCOMPARE(filesUnder(extraction + ".moved"), (QMap<QString, QByteArray>()));
    }
};

QTEST_GUILESS_MAIN(TestRunFiles)
#include "tst_runfiles.moc"
