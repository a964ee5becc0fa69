// The database repair tells the truth: success only when every table was rebuilt and none lost a
// record; a table rebuilt without some of its records is named with how many it lost and where
// its original is kept; a table that could not be rebuilt is named with the reason.

#include "demo.h"
#include "error.h"
#include "repair.h"
#include "sessionsetup.h"
#include "table.h"
#include "tabledump.h"
#include "tableutil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using engine::Table;

namespace {

const QByteArray Success = "Popravka uspesno izvrsena. Baza je u ispravnom stanju.";

QByteArray digest(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
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

    // The repair as the settings tab runs it: each table's file in the data folder rebuilt by the
    // engine, whether or not a table object could open it; a file that cannot be examined at all
    // throws the engine's error.
    repair::Outcome runRepair()
    {
        m_progress.clear();
        return repair::run(
            [this](const QByteArray& name) {
                return engine::rebuildTableFile(QDir(m_data).filePath(QString::fromLatin1(name + ".db"))).rebuilt;
            },
            [this](int p) { m_progress.append(p); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pristine = QDir(m_dir.path()).filePath(QStringLiteral("pristine"));
        demo::generate(m_pristine, {300, 11, 2});
    }

    void soundCollection()
    {
        freshCollection();
        const repair::Outcome outcome = runRepair();
        QVERIFY(outcome.ok);
        QVERIFY(outcome.losses.isEmpty());
        QCOMPARE(repair::message(outcome), Success);
        QCOMPARE(m_progress, (QList<int>{0, 10, 20, 30, 40, 50, 60, 70, 75, 80, 90, 100}));
        QCOMPARE(recordCount("TB_Zakoni.db"), 300);
    }

    // Eight unreadable pages in the middle of the regulations: the records around them are kept,
    // and the message says how many of how many were lost and where the table as it was lies.
    void tableDamagedInItsMiddle()
    {
        freshCollection();
        damageMiddle(file("TB_Zakoni.db"), 8);
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
        QVERIFY(message.contains("TB_Zakoni.Backup.db u folderu Podatci"));
        QCOMPARE(digest(file("TB_Zakoni.Backup.db")), damaged); // the original, as it was
        QCOMPARE(m_progress.last(), 100);                       // the other tables were repaired
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
        QVERIFY(message.contains("TB_Datumi.Backup.db"));
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
        aside.losses.append({"TB_Arhiva.db", "Podatci", 120, true, 117, 2, 1, "TB_Arhiva.Backup.db",
                             "TB_Arhiva.KEYVIOL.db", "TB_Arhiva.PROBLEM.db"});
        QCOMPARE(repair::message(aside),
                 QByteArray("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi:\r\n"
                            "Tabela TB_Arhiva.db: nije sa~uvano 3 od 120 zapisa (izdvojeno u TB_Arhiva.PROBLEM.db: 1, "
                            "TB_Arhiva.KEYVIOL.db: 2); original tabele je sa~uvan u datoteci TB_Arhiva.Backup.db u "
                            "folderu Podatci."));
        repair::Outcome failed;
        failed.ok = false;
        failed.failedTable = "TB_Ugovori";
        QCOMPARE(repair::message(failed),
                 QByteArray("Greska prilikom popravke baze!\r\nTabela koja nije popravljena: TB_Ugovori"));
    }
};

QTEST_GUILESS_MAIN(TestRepair)
#include "tst_repair.moc"
