// The files of an update run: a download counts as done only once it has its name in the download
// folder, and what a run cut short leaves is cleared by the next: waiting downloads, extracted
// and partly extracted files, a rebuild's copy and its journal, a salvage's partly written files,
// and table writes cut short, which are rolled back. The collection's own files stay.

#include "demo.h"
#include "runfiles.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tableutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        QCOMPARE(updates::finishFile(downloads, "001.zip"), QString());
        QCOMPARE(namesIn(downloads), QStringList{"001.zip"});
        QCOMPARE(namesIn(updates::pendingFolder(downloads)), QStringList());
        // A file that is not there keeps nothing from being tried again.
        QVERIFY(!updates::finishFile(downloads, "002.zip").isEmpty());
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

        QStringList removed = updates::clearLeftovers(downloads, extraction, data);
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
        QCOMPARE(updates::clearLeftovers(downloads, extraction, data), QStringList());
        QCOMPARE(updates::clearLeftovers({}, {}, {}), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestRunFiles)
#include "tst_runfiles.moc"
