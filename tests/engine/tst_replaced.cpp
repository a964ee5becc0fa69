// A table file that another program replaces while the program runs, as a backup tool restores a
// table by renaming a new file over the old one. The open connection would keep reading the old
// file, gone from the folder, and write into it. Instead the next action reads the new file, and
// writes go into it; an edit or a delete of a record read from the old file is refused, never
// done to whichever record of the new file has its row id; a write the replacement overtakes
// fails; a new file that opening would refuse is refused with the same kind, until a good one is
// put in its place.

#include "demo.h"
#include "error.h"
#include "replacedfile.h"
#include "schema.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "session.h"
#include "sessionsetup.h"
#include "sqlite.h"
#include "table.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tableutil.h"
#include "usermessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using engine::Error;
using engine::Table;
using Kind = engine::Error::Kind;

namespace {

const QByteArray Work = "Korisnicki Ugovor o delu";
const QByteArray Loan = "Korisnicki Ugovor o zajmu";
const QByteArray Surety = "Korisnicki Ugovor o jemstvu";

// The user's action is over: the event loop runs, and the read it held ends.
void actionDone()
{
    QCoreApplication::processEvents();
}

QByteArrayList names(Table& t)
{
    QByteArrayList out;
    for (t.first(); !t.eof(); t.next()) {
        out << t.field(0).asString();
    }
    return out;
}

// The records of a file read in a connection of the test's own, past the engine: name and text.
QList<QByteArrayList> stored(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT NAZIV_UG, TEKST_UG FROM records ORDER BY rowid", -1, &st, nullptr);
    QList<QByteArrayList> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        rows.append(
            {QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0)),
             QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1))});
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

QByteArrayList storedNames(const QString& path)
{
    QByteArrayList out;
    for (const QByteArrayList& row : stored(path)) {
        out << row[0];
    }
    return out;
}

// What the user is told: two lines, the program's 7-bit code, the file named.
void checkTold(const Error& e, const QByteArray& fileName)
{
    const QByteArray told = data::userMessage(e);
    QVERIFY2(told.contains(fileName), told.constData());
    QCOMPARE(told.count("\r\n"), 1);
    QVERIFY2(std::all_of(told.begin(), told.end(), [](char c) { return uchar(c) < 0x80; }), told.constData());
}

} // namespace

class TestReplaced : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pristine;
    QString m_data;
    int m_round = 0;

    QString file(const char* name) const { return QDir(m_data).filePath(QLatin1String(name)); }
    QString contracts() const { return file("TB_Korisnicki.db"); }
    // The old file, kept reachable by a second name when it is replaced.
    QString oldContracts() const { return file("old.db"); }

    // A copy of the collection for each test, so what one replaces does not reach the next.
    void freshCollection()
    {
        const QString program = QDir(m_dir.path()).filePath(QStringLiteral("c%1").arg(++m_round));
        m_data = QDir(program).filePath(QStringLiteral("Podatci"));
        tabletest::copyFiles(m_pristine, m_data);
        data::setUpSession(program);
    }

    static void openOn(Table& t, const char* name)
    {
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName(QLatin1String(name));
        t.open();
    }

    // The user's contracts replaced by a copy holding the same three names in another order, so
    // that each row id names another contract in the new file.
    void replaceContractsReordered()
    {
        const QString failed =
            testsupport::replaceWithChangedCopy(contracts(),
                                                "CREATE TEMP TABLE kept AS SELECT * FROM records; DELETE FROM records;"
                                                "INSERT INTO records SELECT * FROM kept ORDER BY rowid DESC;",
                                                oldContracts());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(storedNames(contracts()), (QByteArrayList{Surety, Loan, Work}));
    }

    // What the user is told of a refused edit: the table was replaced and the program must be
    // started again.
    static void checkReplaced(const Error& e)
    {
        QCOMPARE(e.kind(), Kind::Replaced);
        QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Korisnicki.db"));
        checkTold(e, "TB_Korisnicki.db");
        QVERIFY(data::userMessage(e).contains("pokrenite ga ponovo"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pristine = QDir(m_dir.path()).filePath(QStringLiteral("pristine"));
        demo::generate(m_pristine, {30, 3, 2});
    }

    // Every table object on the file reads the new one at the next action, and whatever shows
    // one is told once that action is over.
    void nextActionReadsTheNewFile()
    {
        freshCollection();
        Table t;
        Table other;
        openOn(t, "TB_Korisnicki.db");
        openOn(other, "TB_Korisnicki.db");
        QCOMPARE(names(t), (QByteArrayList{Work, Loan, Surety}));
        QCOMPARE(other.recordCount(), 3);
        const engine::FileVersion read = t.fileVersion();
        actionDone();

        const QString failed = testsupport::replaceWithChangedCopy(
            contracts(), "DELETE FROM records WHERE NAZIV_UG = '" + Work +
                             "'; INSERT INTO records VALUES ('Ugovor iz rezervne kopije', '{\\rtf1 kopija}');");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QSignalSpy shown(&other, &Table::recordSetChanged);
        QCOMPARE(other.recordCount(), 3);
        QCOMPARE(names(t), (QByteArrayList{Loan, Surety, "Ugovor iz rezervne kopije"}));
        QCOMPARE(t.field(1).asBytes(), QByteArray("{\\rtf1 kopija}"));
        QVERIFY(!(t.fileVersion() == read));
        QCOMPARE(shown.count(), 0); // not in the middle of the action that found it
        actionDone();
        QCOMPARE(shown.count(), 1);
        other.last();
        QCOMPARE(other.field(0).asString(), QByteArray("Ugovor iz rezervne kopije"));
        // A table opened now reads the new file too.
        Table fresh;
        openOn(fresh, "TB_Korisnicki.db");
        QCOMPARE(names(fresh), (QByteArrayList{Loan, Surety, "Ugovor iz rezervne kopije"}));
    }

    // The regulations' search copies are read from the new file, which may hold none.
    void searchCopiesOfTheNewFile()
    {
        freshCollection();
        Table zakoni;
        openOn(zakoni, "TB_Zakoni.db");
        engine::SearchCopyReader copies(zakoni, data::SearchedField);
        QVERIFY(copies.stored());
        QVERIFY(!copies.text(demo::landmark::FirstLaw).contains("VRACENI TEKST"));
        actionDone();
        const QString failed = testsupport::replaceWithChangedCopy(
            file("TB_Zakoni.db"),
            "UPDATE records SET Latinica = '{\\rtf1 Vraceni tekst zakona}' WHERE ID_ZAKONA = 1;"
            "DROP TRIGGER korvelin_copy_Latinica_insert; DROP TRIGGER korvelin_copy_Latinica_delete;"
            "DROP TRIGGER korvelin_copy_Latinica_update; DROP TABLE korvelin_copy_Latinica;");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(copies.text(demo::landmark::FirstLaw), QByteArray("VRACENI TEKST ZAKONA"));
        QVERIFY(!copies.stored());
    }

    // A record chosen in the new file is written there, and so is a new one; the old file, still
    // reachable by another name, takes nothing.
    void writesGoIntoTheNewFile()
    {
        freshCollection();
        Table t;
        openOn(t, "TB_Korisnicki.db");
        QCOMPARE(t.recordCount(), 3);
        actionDone();
        replaceContractsReordered();
        const QByteArray old = tabletest::digest(oldContracts());

        t.first();
        QCOMPARE(t.field(0).asString(), Surety);
        t.edit();
        t.field(1).setAsString("{\\rtf1 izmenjen}");
        t.post();
        actionDone();
        t.append();
        t.field(0).setAsString("Novi ugovor");
        t.post();

        const QList<QByteArrayList> rows = stored(contracts());
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0], (QByteArrayList{Surety, "{\\rtf1 izmenjen}"}));
        QCOMPARE(rows[3][0], QByteArray("Novi ugovor"));
        QCOMPARE(tabletest::digest(oldContracts()), old);
        QCOMPARE(storedNames(oldContracts()), (QByteArrayList{Work, Loan, Surety}));
    }

    // The record the cursor stood on was read from the old file; its row id names another
    // contract in the new one. An edit or a delete of it is refused until a record is chosen in
    // the new file, so nothing lands on a contract the user never saw.
    void editsOfTheOldFileAreRefused_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("edit begun after") << "edit";
        QTest::newRow("edit posted after") << "post";
        QTest::newRow("delete after") << "delete";
    }
    void editsOfTheOldFileAreRefused()
    {
        QFETCH(QString, when);
        freshCollection();
        Table t;
        openOn(t, "TB_Korisnicki.db");
        t.first();
        t.moveBy(1);
        QCOMPARE(t.field(0).asString(), Loan);
        if (when == "post") {
            t.edit();
            t.field(1).setAsString("{\\rtf1 izmena}");
        }
        actionDone(); // a question answered meanwhile runs the event loop just the same
        replaceContractsReordered();
        const QByteArray replacement = tabletest::digest(contracts());
        const QByteArray old = tabletest::digest(oldContracts());
        try {
            if (when == "edit") {
                t.edit();
            } else if (when == "post") {
                t.post();
            } else {
                t.deleteRecord();
            }
            QFAIL("a record of the old file was written into the new one");
        } catch (const Error& e) {
            checkReplaced(e);
        }
        QCOMPARE(tabletest::digest(contracts()), replacement);
        QCOMPARE(tabletest::digest(oldContracts()), old);
        if (when == "post") {
            QCOMPARE(t.state(), Table::State::Edit); // as any failed post leaves it
            t.cancel();
        }
        // Chosen again, the record is the new file's, and it takes the edit.
        t.first();
        t.moveBy(1);
        QCOMPARE(t.field(0).asString(), Loan);
        t.edit();
        t.field(1).setAsString("{\\rtf1 izmena}");
        t.post();
        QCOMPARE(stored(contracts())[1], (QByteArrayList{Loan, "{\\rtf1 izmena}"}));
    }

    // A new record begun before the replacement belongs to no file yet: it goes into the new one.
    void newRecordAcrossTheReplacement()
    {
        freshCollection();
        Table t;
        openOn(t, "TB_Korisnicki.db");
        t.append();
        t.field(0).setAsString("Ugovor o zakupu");
        actionDone();
        replaceContractsReordered();
        const QByteArray old = tabletest::digest(oldContracts());
        t.post();
        QCOMPARE(storedNames(contracts()), (QByteArrayList{Surety, Loan, Work, "Ugovor o zakupu"}));
        QCOMPARE(tabletest::digest(oldContracts()), old);
        QCOMPARE(t.field(0).asString(), QByteArray("Ugovor o zakupu"));
    }

    // A write that the replacement overtakes would go into the old file: it fails and says so,
    // whether SQLite finds the file gone at its first write or the commit finds it.
    void writeOvertakenByTheReplacement()
    {
        freshCollection();
        const std::shared_ptr<engine::sql::Database> db = engine::session().database(contracts());
        const auto prepare = [&](const QByteArray& name) {
            const QString copy = contracts() + "." + QString::fromLatin1(name);
            QVERIFY(QFile::copy(contracts(), copy));
            QVERIFY(testsupport::runSqliteTool(copy, "UPDATE records SET NAZIV_UG = '" + name + "' WHERE rowid = 1")
                        .isEmpty());
        };
        prepare("prvi");
        prepare("drugi");
        const QByteArray insert = "INSERT INTO records (NAZIV_UG) VALUES ('upisan')";
        try {
            engine::sql::Transaction write(*db);
            QVERIFY(testsupport::renameOver(contracts() + ".prvi", contracts()).isEmpty());
            db->exec(insert.constData());
            write.commit();
            QFAIL("a write went into a file that is gone");
        } catch (const Error& e) {
            checkReplaced(e);
        }
        QCOMPARE(storedNames(contracts()), (QByteArrayList{"prvi", Loan, Surety}));
        try {
            engine::sql::Transaction write(*db); // takes the file put in place before it began
            db->exec(insert.constData());
            QVERIFY(testsupport::renameOver(contracts() + ".drugi", contracts(), oldContracts()).isEmpty());
            write.commit();
            QFAIL("a write went into a file that is gone");
        } catch (const Error& e) {
            checkReplaced(e);
        }
        QCOMPARE(storedNames(contracts()), (QByteArrayList{"drugi", Loan, Surety}));
        QCOMPARE(storedNames(oldContracts()), (QByteArrayList{"prvi", Loan, Surety})); // rolled back
    }

    // The repair asked for right after the replacement rebuilds the file that is there, and the
    // table objects read the rebuilt one.
    void rebuildOfTheNewFile()
    {
        freshCollection();
        Table t;
        openOn(t, "TB_Korisnicki.db");
        QCOMPARE(t.recordCount(), 3);
        actionDone();
        const QString failed =
            testsupport::replaceWithChangedCopy(contracts(), "DELETE FROM records WHERE NAZIV_UG = '" + Loan + "'");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const engine::RebuildResult result = engine::rebuildTableFile(contracts());
        QVERIFY2(result.rebuilt, qPrintable(result.error));
        QCOMPARE(result.records, 2);
        QVERIFY(!result.lostRecords());
        QCOMPARE(names(t), (QByteArrayList{Work, Surety}));
        QCOMPARE(storedNames(file("TB_Korisnicki.Backup.db")), (QByteArrayList{Work, Surety}));
    }

    // A file that opening would refuse is refused the same way when it is put in place, and the
    // table keeps saying so; once a good file is there, it is read.
    void refusedAsOpeningWould_data()
    {
        QTest::addColumn<QString>("put");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("other password") << "password" << Kind::Password;
        QTest::newRow("other fields") << "fields" << Kind::Fields;
        QTest::newRow("no table") << "bytes" << Kind::NotATable;
        QTest::newRow("cut short") << "cut" << Kind::Damaged;
        QTest::newRow("removed") << "nothing" << Kind::Missing;
    }
    void refusedAsOpeningWould()
    {
        QFETCH(QString, put);
        QFETCH(Kind, kind);
        freshCollection();
        Table t;
        openOn(t, "TB_Korisnicki.db");
        QCOMPARE(t.recordCount(), 3);
        actionDone();

        const QString replacement = contracts() + QStringLiteral(".new");
        const engine::TableStructure structure = data::tableFile("TB_Korisnicki.db").structure;
        if (put == "password") {
            engine::createTableFile(replacement, structure, "drugaa");
        } else if (put == "fields") {
            engine::TableStructure fewer = structure;
            fewer.fields.removeLast();
            engine::createTableFile(replacement, fewer, data::TablePassword);
        } else if (put == "bytes") {
            QFile bytes(replacement);
            QVERIFY(bytes.open(QIODevice::WriteOnly));
            bytes.write(QByteArray(20000, '\x5a'));
        } else if (put == "cut") {
            QVERIFY(QFile::copy(contracts(), replacement));
            QVERIFY(QFile::resize(replacement, QFileInfo(replacement).size() / 2));
        }
        if (put == "nothing") {
            QVERIFY(QFile::rename(contracts(), oldContracts()));
        } else {
            QVERIFY(testsupport::renameOver(replacement, contracts()).isEmpty());
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                t.recordCount();
                QFAIL("a file that opening refuses was read");
            } catch (const Error& e) {
                QCOMPARE(e.kind(), kind);
                QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Korisnicki.db"));
                checkTold(e, "TB_Korisnicki.db");
                if (kind == Kind::Fields) {
                    QCOMPARE(e.field(), QByteArray("TEKST_UG"));
                }
            }
            actionDone();
        }
        // A good file put in place is read at the next action.
        QFile::remove(contracts());
        QVERIFY(QFile::copy(QDir(m_pristine).filePath("TB_Korisnicki.db"), contracts() + ".good"));
        QVERIFY(testsupport::runSqliteTool(contracts() + ".good", "DELETE FROM records WHERE rowid = 3").isEmpty());
        QVERIFY(testsupport::renameOver(contracts() + ".good", contracts()).isEmpty());
        QCOMPARE(names(t), (QByteArrayList{Work, Loan}));
    }
};

QTEST_GUILESS_MAIN(TestReplaced)
#include "tst_replaced.moc"
