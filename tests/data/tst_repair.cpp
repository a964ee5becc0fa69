// The database repair tells the truth: success only when every table was rebuilt and none lost a
// record; a table rebuilt without some of its records is named with how many it lost and where
// its original is kept; a table that could not be rebuilt is named with the reason. The original
// of a table that lost records outlives every later repair and update.

#include "demo.h"
#include "diskfiles.h"
#include "error.h"
#include "install.h"
#include "regulationsearch.h"
#include "repair.h"
#include "runfiles.h"
#include "sessionsetup.h"
#include "table.h"
#include "tabledump.h"
#include "tables.h"
#include "tableutil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using engine::Table;
using testsupport::bytesOf;

namespace {

const QByteArray Success = "Popravka uspesno izvrsena. Baza je u ispravnom stanju.";

QByteArray digest(const QString& path)
{
    return QCryptographicHash::hash(bytesOf(path), QCryptographicHash::Sha256);
}

// Overwrites `count` leaf pages in the middle of the table's records, as a failing disk would.
void damageMiddle(const QString& path, int count)
{
    const QList<int> leaves = tabletest::leafPages(path, "records");
    QVERIFY(leaves.size() >= count);
    tabletest::damagePages(path, leaves.mid((leaves.size() - count) / 2, count));
}

int recordCount(const char* table)
{
    Table t;
    t.setDatabaseName(data::DatabaseAlias);
    t.setTableName(QLatin1String(table));
    t.open();
    return t.recordCount();
}

// The search copies of the table's texts: one for each of its records, and none besides.
void copiesHoldTheRecords(const QString& path)
{
    const QList<qint64> records = tabletest::integers(path, "SELECT rowid FROM records ORDER BY 1");
    QVERIFY(!records.isEmpty());
    QCOMPARE(tabletest::integers(path, "SELECT record FROM korvelin_copy_Latinica ORDER BY 1"), records);
}

// A search through every text for a word that stands in the texts and in no title: each hit is a
// regulation the table holds, named by its title.
void searchFindsOnlyTheRecordsThere()
{
    data::MainTables tables;
    tables.openAll();
    tables.Glasnici.setMasterFields("ID_GLASNIKA");
    data::RegulationSearch search(tables);
    QByteArrayList titles;
    data::SearchHooks hooks;
    hooks.found = [&](const data::SearchHit& hit) { titles << hit.title; };
    search.run("^LAN", data::Scope::TitlesAndTexts, std::nullopt, hooks);
    QVERIFY(!titles.isEmpty());
    QVERIFY2(!titles.contains(QByteArray()),
             qPrintable(QStringLiteral("%1 hits without a regulation").arg(titles.count(QByteArray()))));
}

} // namespace

class TestRepair : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pristine;
    QString m_data;
    int m_round = 0;
    QList<int> m_progress;

    QString file(const char* name) const { return QDir(m_data).filePath(QLatin1String(name)); }

    void freshCollection()
    {
        const QString program = QDir(m_dir.path()).filePath(QStringLiteral("c%1").arg(++m_round));
        m_data = QDir(program).filePath(QStringLiteral("Podatci"));
        tabletest::copyFiles(m_pristine, m_data);
        data::setUpSession(program);
    }

    // The repair as the settings tab runs it, over the table objects of a main window that has
    // not opened them (one that could not): each table's file is found in the data folder.
    repair::Outcome runRepair(const std::function<void(int)>& onProgress = {})
    {
        m_progress.clear();
        const data::MainTables tables;
        return repair::run(tables, nullptr, [&](int p) {
            m_progress.append(p);
            if (onProgress) {
                onProgress(p);
            }
        });
    }

    QStringList originals(const char* table) const
    {
        return QDir(m_data).entryList({QLatin1String(table) + ".Original-*"}, QDir::Files | QDir::System);
    }

    // An update installed as the updater's run does it: what a cut run left is cleared, then the
    // archive's tables go into the table objects, each rebuilt after its import.
    void installUpdate()
    {
        const QString extraction = QDir(m_data).filePath("../update");
        QVERIFY(QDir().mkpath(extraction));
        updates::RunFolders run(QDir(m_data).filePath("../updates"), extraction);
        QVERIFY(run.openDownloadFolder());
        run.clearLeftovers(m_data);
        demo::writeUpdateTables(m_data, extraction, {1, 1, 8, 5, 1, 1}, 1);
        data::MainTables tables;
        Table attachments;
        attachments.setDatabaseName(data::DatabaseAlias);
        attachments.setTableName("TB_grafika.DB");
        updates::InstallSteps steps;
        steps.target = [&](const updates::ImportRow& row) { return updates::targetAmong(tables, attachments, row); };
        steps.rebuild = [](Table& t) { return engine::rebuildTableFile(t.locateFile()).rebuilt; };
        steps.newest = [](Table&) {};
        const updates::InstallResult result = updates::installTables(extraction, steps);
        QVERIFY2(result.ok(), qPrintable(result.failure));
        QVERIFY(std::any_of(result.installed.begin(), result.installed.end(),
                            [](const QString& file) { return file.endsWith("/TB_Zakoni.DB", Qt::CaseInsensitive); }));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pristine = QDir(m_dir.path()).filePath(QStringLiteral("pristine"));
        demo::generate(m_pristine, {300, 11, 2});
    }

    // Every table rebuilt in the repair's order, the progress set after each: at each step the
    // tables rebuilt so far are those of the steps up to it.
    void soundCollection()
    {
        freshCollection();
        QList<QStringList> rebuiltAt;
        const repair::Outcome outcome = runRepair([&](int) {
            rebuiltAt << QDir(m_data).entryList({"*.Backup.db"}, QDir::Files, QDir::NoSort);
            rebuiltAt.last().sort();
        });
        QVERIFY(outcome.ok);
        QVERIFY(outcome.losses.isEmpty());
        QCOMPARE(repair::message(outcome), Success);
        QCOMPARE(m_progress, (QList<int>{0, 10, 20, 30, 40, 50, 60, 70, 75, 80, 90, 100}));
        QStringList expected;
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(rebuiltAt[i], expected);
            expected << QString::fromLatin1(repair::steps()[i].table + ".Backup.db");
            expected.sort();
        }
        QCOMPARE(rebuiltAt[11], expected);
        QCOMPARE(QDir(m_data).entryList({"*.Backup.db"}, QDir::Files).size(), 13); // the last two too
        QCOMPARE(recordCount("TB_Zakoni.db"), 300);
        QVERIFY(originals("TB_").isEmpty()); // nothing lost, no original kept
    }

    // Eight unreadable pages in the middle of the regulations: the records around them are kept,
    // and the message says how many of how many were lost and where the table as it was lies.
    void tableDamagedInItsMiddle()
    {
        freshCollection();
        damageMiddle(file("TB_Zakoni.db"), 8);
        const QByteArray damagedBytes = bytesOf(file("TB_Zakoni.db"));
        const QByteArray damaged = digest(file("TB_Zakoni.db"));
        const repair::Outcome outcome = runRepair();
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.losses.size(), 1);
        const repair::Loss& loss = outcome.losses.first();
        QCOMPARE(loss.file, QByteArray("TB_Zakoni.db"));
        QCOMPARE(loss.held, 300);
        QVERIFY(loss.heldExact);
        const int kept = recordCount("TB_Zakoni.db");
        QCOMPARE(loss.kept, kept);
        QVERIFY2(kept > 250 && kept < 300, QByteArray::number(kept).constData());

        const QByteArray message = repair::message(outcome);
        QVERIFY2(!message.contains(Success), message.constData());
        QVERIFY2(
            message.contains("Tabela TB_Zakoni.db: nije sa~uvano " + QByteArray::number(300 - kept) + " od 300 zapisa"),
            message.constData());
        const QStringList kept1 = originals("TB_Zakoni");
        QCOMPARE(kept1.size(), 1);
        const QString original = kept1.first();
        QVERIFY2(
            QRegularExpression("^TB_Zakoni\\.Original-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.db$").match(original).hasMatch(),
            qPrintable(original));
        QCOMPARE(loss.original, original.toLatin1());
        QVERIFY2(
            message.contains("original tabele je sa~uvan u datoteci " + original.toLatin1() + " u folderu Podatci."),
            message.constData());
        QCOMPARE(digest(file(qPrintable(original))), damaged); // the original, as it was
        QCOMPARE(m_progress.last(), 100);                      // the other tables were repaired

        // A second repair finds the table sound: success, and the original stays as it was.
        QCOMPARE(repair::message(runRepair()), Success);
        QCOMPARE(recordCount("TB_Zakoni.db"), kept);
        QCOMPARE(originals("TB_Zakoni"), kept1);
        QVERIFY(bytesOf(file(qPrintable(original))) == damagedBytes);

        // Nor does an update's install touch it, nor the clean-up its run begins with.
        installUpdate();
        QVERIFY(recordCount("TB_Zakoni.db") > kept);
        QCOMPARE(originals("TB_Zakoni"), kept1);
        QVERIFY(bytesOf(file(qPrintable(original))) == damagedBytes);
        // The original is no table of the collection: nothing was made or rolled back beside it.
        QCOMPARE(QDir(m_data).entryList({"TB_Zakoni.Original-*"}, QDir::Files | QDir::Hidden | QDir::System), kept1);
    }

    // Records left out again by a later rebuild keep that table as it then was, under another name:
    // no original overwrites another, also within the same second.
    void eachLossKeepsItsOwnOriginal()
    {
        freshCollection();
        damageMiddle(file("TB_Zakoni.db"), 8);
        const QByteArray first = bytesOf(file("TB_Zakoni.db"));
        QVERIFY(!runRepair().losses.isEmpty());
        damageMiddle(file("TB_Zakoni.db"), 4);
        const QByteArray second = bytesOf(file("TB_Zakoni.db"));
        const repair::Outcome outcome = runRepair();
        QCOMPARE(outcome.losses.size(), 1);
        const QStringList kept = originals("TB_Zakoni");
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept.contains(QString::fromLatin1(outcome.losses.first().original)));
        QByteArrayList contents;
        for (const QString& name : kept) {
            contents << bytesOf(file(qPrintable(name)));
        }
        QVERIFY(contents.contains(first));
        QVERIFY(contents.contains(second));
    }

    // A repair that left records out keeps no search copies of them: a later loss in the same table
    // is counted from the records the table then held, and no search finds a record lost.
    void laterLossCountedFromTheRecords()
    {
        freshCollection();
        const QString zakoni = file("TB_Zakoni.db");
        damageMiddle(zakoni, 4);
        QCOMPARE(runRepair().losses.size(), 1);
        const int afterFirst = recordCount("TB_Zakoni.db");
        QVERIFY(afterFirst < 300);
        copiesHoldTheRecords(zakoni);
        searchFindsOnlyTheRecordsThere();

        damageMiddle(zakoni, 4);
        const repair::Outcome outcome = runRepair();
        QCOMPARE(outcome.losses.size(), 1);
        const repair::Loss& loss = outcome.losses.first();
        const int kept = recordCount("TB_Zakoni.db");
        QVERIFY(kept < afterFirst);
        QCOMPARE(loss.held, afterFirst);
        QCOMPARE(loss.kept, kept);
        const QByteArray message = repair::message(outcome);
        QVERIFY2(message.contains("Tabela TB_Zakoni.db: nije sa~uvano " + QByteArray::number(afterFirst - kept) +
                                  " od " + QByteArray::number(afterFirst) + " zapisa"),
                 message.constData());
        copiesHoldTheRecords(zakoni);
        searchFindsOnlyTheRecordsThere();

        // An update's rebuild of the table counts what it holds after the import, and its copies
        // follow.
        installUpdate();
        copiesHoldTheRecords(zakoni);
        searchFindsOnlyTheRecordsThere();
    }

    // A copy cut short, its table list lost with its end: no table object opens it, and the repair
    // cannot read it either. The repair says so, naming the table and what to do, and leaves the
    // file as it found it.
    void tableCutShort()
    {
        freshCollection();
        {
            QFile f(file("TB_Zakoni.db"));
            QVERIFY(f.resize(f.size() * 2 / 3));
        }
        const QByteArray cut = digest(file("TB_Zakoni.db"));
        Table refused;
        refused.setDatabaseName(data::DatabaseAlias);
        refused.setTableName(QStringLiteral("TB_Zakoni.db"));
        try {
            refused.open();
            QFAIL("a table cut short was opened");
        } catch (const engine::Error& e) {
            QCOMPARE(e.kind(), engine::Error::Kind::Damaged);
        }
        const repair::Outcome outcome = runRepair();
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failedTable, QByteArray("TB_Zakoni"));
        QCOMPARE(repair::message(outcome),
                 QByteArray("Greska prilikom popravke baze!\r\nTabela koja nije popravljena: TB_Zakoni\r\n"
                            "Tabela TB_Zakoni.db je o{te}ena.\r\nVratite ispravnu datoteku iz rezervne kopije ili "
                            "ponovo instalirajte bazu podataka programa."));
        QCOMPARE(digest(file("TB_Zakoni.db")), cut);
    }

    // A table without indexes whose records cannot all be read: how many were lost is not known,
    // but that some were is said, never success.
    void lossThatCannotBeCounted()
    {
        freshCollection();
        damageMiddle(file("TB_Datumi.db"), 1);
        const repair::Outcome outcome = runRepair();
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.losses.size(), 1);
        QVERIFY(!outcome.losses.first().heldExact);
        const QByteArray message = repair::message(outcome);
        QVERIFY2(message.startsWith("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi:"), message.constData());
        QVERIFY2(message.contains("Tabela TB_Datumi.db: sa~uvano je " +
                                  QByteArray::number(recordCount("TB_Datumi.db")) +
                                  " zapisa, a deo zapisa nije mogao da se pro~ita"),
                 message.constData());
        QCOMPARE(originals("TB_Datumi").size(), 1);
        QVERIFY(message.contains("datoteci " + originals("TB_Datumi").first().toLatin1()));
    }

    // A table that cannot be rebuilt stops the repair with its name and the reason in words; the
    // losses of the tables before it are told too.
    void failureAfterALoss()
    {
        freshCollection();
        damageMiddle(file("TB_Zakoni.db"), 8);
        QVERIFY(QFile::remove(file("TB_link.db")));
        const repair::Outcome outcome = runRepair();
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failedTable, QByteArray("TB_link"));
        const QByteArray message = repair::message(outcome);
        QVERIFY2(message.startsWith("Greska prilikom popravke baze!\r\nTabela koja nije popravljena: TB_link\r\n"),
                 message.constData());
        QVERIFY2(message.contains("TB_link.db ne postoji u folderu Podatci"),
                 QByteArray(message).replace("\r\n", "|").constData());
        QVERIFY(message.contains("Tabela TB_Zakoni.db: nije sa~uvano"));
        QCOMPARE(m_progress.last(), 70); // stopped before the relations' step
    }

    // The messages alone, for outcomes a collection is hard to bring about.
    void messages()
    {
        repair::Outcome aside;
        aside.losses.append({"TB_Arhiva.db", "Podatci", 120, true, 117, 2, 1, "TB_Arhiva.Original-2026-12-07-183005.db",
                             "TB_Arhiva.KEYVIOL.db", "TB_Arhiva.PROBLEM.db"});
        QCOMPARE(repair::message(aside),
                 QByteArray("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi:\r\n"
                            "Tabela TB_Arhiva.db: nije sa~uvano 3 od 120 zapisa (izdvojeno u TB_Arhiva.PROBLEM.db: 1, "
                            "TB_Arhiva.KEYVIOL.db: 2); original tabele je sa~uvan u datoteci "
                            "TB_Arhiva.Original-2026-12-07-183005.db u folderu Podatci."));
        repair::Outcome failed;
        failed.ok = false;
        failed.failedTable = "TB_Ugovori";
        QCOMPARE(repair::message(failed),
                 QByteArray("Greska prilikom popravke baze!\r\nTabela koja nije popravljena: TB_Ugovori"));
    }
};

QTEST_GUILESS_MAIN(TestRepair)
#include "tst_repair.moc"
