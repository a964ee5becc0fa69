// The engine on small tables made here: filters, navigation, edits, passwords, aliases.

#include "error.h"
#include "filter.h"
#include "lookup.h"
#include "session.h"
#include "table.h"
#include "tablefile.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using engine::FieldType;
using engine::Table;
using engine::Value;

namespace {

const char* Password = "lozinq";

// Picture bytes with zero bytes inside: a large value must come back byte for byte. The length is
// the array's, so it cannot disagree with the literal.
const char PictureBytes[] = "\x89PNG\r\n\x1a\n\0\0binary";
QByteArray picture()
{
    return QByteArray(PictureBytes, sizeof PictureBytes - 1);
}

engine::TableStructure people()
{
    return {{{"ID", FieldType::Integer, 0},
             {"NAME", FieldType::Text, 60},
             {"BG", FieldType::Text, 20},
             {"DAN", FieldType::Float, 0},
             {"NOTE", FieldType::FormattedText, 0},
             {"PIC", FieldType::Graphic, 0}},
            {"ID"},
            {{"byname", {"NAME"}, true}, {"byday", {"DAN"}, false}}};
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Opens a table object over one of this test's files, through the alias.
    void openOn(Table& t, const char* file, bool caseInsensitive = false)
    {
        t.setDatabaseName("test");
        t.setTableName(QString::fromLatin1(file));
        t.setFiltered(true);
        t.setCaseInsensitive(caseInsensitive);
        t.open();
    }

    QList<qint64> ids(Table& t)
    {
        QList<qint64> out;
        for (t.first(); !t.eof(); t.next()) {
            out.append(t.field(0).asInteger());
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        engine::TableFileWriter w(path("People.db"), people(), Password);
        w.append({1, "O'B", "1/2000", 5.0, "{\\rtf1 note}", picture()});
        w.append({2, "o'b", "1/2000", 12.0});
        w.append({3, "Zakon o {umama", "46/1991", 2005.0});
        w.append({4, "Zakon o [umama", "46/1991", 2005.5});
        w.append({5, "ZAKON O RADU", "8/1999"});
        w.append({6, "x' OR '1'='1", "1/1"});
        w.commit();
        engine::createTableFile(path("Empty.DB"), people(), Password);
        engine::session().addStandardAlias("Test", m_dir.path(), "Paradox");
        engine::session().addPassword(Password);
    }

    void cleanupTestCase() { engine::session().deleteAlias("TEST"); }

    // The templates of the windows' filter texts, with their blanks and quoting.
    void filterTexts_data()
    {
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<QList<qint64>>("expected");
        using L = QList<qint64>;
        QTest::newRow("empty selects all") << QByteArray("") << false << L{1, 2, 3, 4, 5, 6};
        QTest::newRow("blanks only") << QByteArray("   ") << false << L{1, 2, 3, 4, 5, 6};
        QTest::newRow("apostrophe doubled") << QByteArray("NAME= 'O''B'") << false << L{1};
        QTest::newRow("keyword after quote") << QByteArray("Name= 'O''B'AND BG= '1/2000'") << true << L{1, 2};
        QTest::newRow("blank before operator") << QByteArray("ID = '3'") << false << L{3};
        QTest::newRow("quoted number is a number") << QByteArray("ID='03'") << false << L{3};
        QTest::newRow("float day") << QByteArray("DAN='05'") << false << L{1};
        QTest::newRow("bare number") << QByteArray("ID=4") << false << L{4};
        QTest::newRow("range") << QByteArray("DAN>= '5' AND DAN<='2005'") << false << L{1, 2, 3};
        QTest::newRow("or of three") << QByteArray("ID = '1' OR DAN= '12' OR BG= '8/1999'") << false << L{1, 2, 5};
        QTest::newRow("and binds tighter") << QByteArray("ID='1' OR ID='2' AND BG='x'") << false << L{1};
        QTest::newRow("keywords in any case") << QByteArray("id='1' or ID='2' aNd bg='1/2000'") << false << L{1, 2};
        QTest::newRow("case on folds a-z") << QByteArray("NAME='zakon o radu'") << true << L{5};
        QTest::newRow("case off is exact") << QByteArray("NAME='zakon o radu'") << false << L{};
        QTest::newRow("yuscii letters stay distinct") << QByteArray("NAME='ZAKON O {UMAMA'") << true << L{3};
        QTest::newRow("[ is not {") << QByteArray("NAME='zakon o [umama'") << true << L{4};
        QTest::newRow("empty numeric value") << QByteArray("DAN=''") << false << L{5, 6};
        QTest::newRow("sql fragment is plain text") << QByteArray("NAME='x'' OR ''1''=''1'") << false << L{6};
        QTest::newRow("sql fragment finds nothing") << QByteArray("NAME='a'' OR 1=1 --'") << true << L{};
    }
    void filterTexts()
    {
        QFETCH(QByteArray, filter);
        QFETCH(bool, caseInsensitive);
        QFETCH(QList<qint64>, expected);
        Table t;
        openOn(t, "People.db", caseInsensitive);
        t.setFilter(filter);
        QCOMPARE(ids(t), expected);
        QCOMPARE(t.recordCount(), expected.size());
        t.setFiltered(false);
        QCOMPARE(t.recordCount(), 6);
    }

    void badFilters_data()
    {
        QTest::addColumn<QByteArray>("filter");
        QTest::newRow("unknown field") << QByteArray("NEMA='1'");
        QTest::newRow("no closing apostrophe") << QByteArray("NAME='abc");
        QTest::newRow("unknown operator") << QByteArray("ID<>'1'");
        QTest::newRow("bare word") << QByteArray("NAME=abc");
        QTest::newRow("junk after a term") << QByteArray("ID='1' XOR ID='2'");
        QTest::newRow("text for a number") << QByteArray("ID='abc'");
        QTest::newRow("memo field") << QByteArray("NOTE='x'");
        QTest::newRow("dangling and") << QByteArray("ID='1' AND");
    }
    void badFilters()
    {
        QFETCH(QByteArray, filter);
        Table t;
        openOn(t, "People.db");
        t.setFilter("ID='2'");
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.setFilter(filter));
        // The table keeps the filter it had.
        QCOMPARE(t.filter(), QByteArray("ID='2'"));
        QCOMPARE(ids(t), QList<qint64>{2});
    }

    void quoting()
    {
        QCOMPARE(engine::quoted("O'B"), QByteArray("'O''B'"));
        QCOMPARE(engine::quoted(""), QByteArray("''"));
        Table t;
        openOn(t, "People.db");
        t.setFilter("NAME=" + engine::quoted("x' OR '1'='1"));
        QCOMPARE(ids(t), QList<qint64>{6});
    }

    void fieldsAndValues()
    {
        Table t;
        openOn(t, "People.db");
        QCOMPARE(t.fieldCount(), 6);
        QCOMPARE(t.fieldByName("name").index(), 1);
        QCOMPARE(t.field(1).name(), QByteArray("NAME"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.fieldByName("nema"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.field(6));
        t.setFilter("ID='3'");
        QCOMPARE(t.fieldByName("DAN").asString(), QByteArray("2005"));
        QCOMPARE(t.fieldByName("DAN").asInteger(), 2005);
        t.setFilter("ID='4'");
        QCOMPARE(t.fieldByName("DAN").asString(), QByteArray("2005.5"));
        t.setFilter("ID='1'");
        QCOMPARE(t.field(4).asString(), QByteArray("{\\rtf1 note}"));
        QCOMPARE(t.field(5).asBytes(), picture());
        t.setFilter("ID='5'");
        QVERIFY(t.field(3).isNull());
        QCOMPARE(t.field(3).asString(), QByteArray());
        QCOMPARE(t.field(3).asInteger(), 0);
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.field(1).asFloat()); // a title is not a number
        t.setFilter("ID='99'");
        QVERIFY(t.isEmpty());
        QVERIFY(t.eof());
        QCOMPARE(t.field(1).asString(), QByteArray());
        QCOMPARE(t.field(0).asInteger(), 0);
    }

    void navigation()
    {
        Table t;
        openOn(t, "People.db");
        QCOMPARE(t.recNo(), 0);
        QVERIFY(!t.eof());
        t.moveBy(3);
        QCOMPARE(t.field(0).asInteger(), 4);
        t.moveBy(100); // stops at the last record
        QCOMPARE(t.field(0).asInteger(), 6);
        QVERIFY(t.eof());
        t.first();
        QVERIFY(!t.eof());
        t.moveBy(-5);
        QCOMPARE(t.field(0).asInteger(), 1);
        QVERIFY(t.bof());
        t.last();
        t.next();
        QVERIFY(t.eof());
        QCOMPARE(t.field(0).asInteger(), 6);
        // Order: an index by name, a named index, and back to the key.
        t.setIndexFieldNames("BG;ID");
        QCOMPARE(ids(t), (QList<qint64>{6, 1, 2, 3, 4, 5}));
        t.setIndexName("byday");
        QCOMPARE(t.indexFieldNames(), QByteArray());
        QCOMPARE(ids(t), (QList<qint64>{5, 6, 1, 2, 3, 4}));
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.setIndexName("nema"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.setIndexFieldNames("NEMA"));
        t.setIndexName({});
        QCOMPARE(ids(t), (QList<qint64>{1, 2, 3, 4, 5, 6}));
        t.close();
        QVERIFY(!t.isActive());
        QCOMPARE(t.recordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.field(1)); // a closed table has no fields to read
    }

    void masterDetail()
    {
        Table master;
        Table detail;
        openOn(master, "People.db");
        master.setFilter("BG='46/1991' OR BG='1/2000'");
        detail.setMasterSource(&master);
        detail.setMasterFields("BG");
        detail.setDetailFields("BG");
        openOn(detail, "People.db");
        QSignalSpy spy(&detail, &Table::currentChanged);
        QCOMPARE(ids(detail), (QList<qint64>{1, 2}));
        master.moveBy(2); // onto 3
        QVERIFY(spy.count() > 0);
        QCOMPARE(ids(detail), (QList<qint64>{3, 4}));
        // An empty master gives an empty detail.
        master.setFilter("ID='99'");
        QVERIFY(detail.isEmpty());
        // Empty master fields: the whole table.
        detail.setMasterFields({});
        QCOMPARE(detail.recordCount(), 6);
        // A link naming a field the master lacks fails and leaves the link as it was.
        QVERIFY_THROWS_EXCEPTION(engine::Error, detail.setMasterFields("NEMA"));
        QCOMPARE(detail.masterFields(), QByteArray());
        // Without explicit detail fields the order's leading field follows the master.
        master.setFilter("ID='5'");
        detail.setDetailFields({});
        detail.setMasterFields("ID");
        QCOMPARE(ids(detail), QList<qint64>{5});
        // Taking the master source away lifts the link.
        detail.setMasterSource(nullptr);
        QCOMPARE(detail.recordCount(), 6);
    }

    void lookupRestores()
    {
        Table master;
        Table detail;
        openOn(master, "People.db");
        detail.setMasterSource(&master);
        detail.setMasterFields("ID");
        detail.setIndexFieldNames("ID");
        openOn(detail, "People.db");
        detail.setFilter("BG='1/2000' OR BG='46/1991' OR BG='8/1999'");
        try {
            engine::LinkLookup lookup{&detail};
            engine::LinkLookup::unlink(detail, true);
            detail.setFilter("NAME='ZAKON O RADU'");
            QCOMPARE(detail.field(0).asInteger(), 5);
            detail.setFilter("NEMA='1'"); // the lookup fails
            QFAIL("the filter should have failed");
        } catch (const engine::Error&) {
        }
        QCOMPARE(detail.filter(), QByteArray("BG='1/2000' OR BG='46/1991' OR BG='8/1999'"));
        QCOMPARE(detail.masterFields(), QByteArray("ID"));
        QCOMPARE(detail.indexFieldNames(), QByteArray("ID"));
        master.moveBy(2);
        QCOMPARE(ids(detail), QList<qint64>{3});
    }

    // Whether the filter applies is given back too, also when the lookup fails: a lookup that
    // switched filtering on does not leave a table filtered that was not, nor the other way round.
    void lookupRestoresTheFilteringSwitch()
    {
        Table t;
        openOn(t, "People.db");
        const int all = t.recordCount();
        t.setFiltered(false);
        t.setFilter("BG='1/2000' OR BG='46/1991'");
        {
            engine::LinkLookup lookup{&t};
            t.setFilter("NAME='ZAKON O RADU'");
            t.setFiltered(true);
            QCOMPARE(t.recordCount(), 1);
        }
        QVERIFY(!t.filtered());
        QCOMPARE(t.filter(), QByteArray("BG='1/2000' OR BG='46/1991'"));
        QCOMPARE(t.recordCount(), all);

        t.setFiltered(true);
        const int selected = t.recordCount();
        QVERIFY(selected < all);
        try {
            engine::LinkLookup lookup{&t};
            t.setFiltered(false);
            QCOMPARE(t.recordCount(), all);
            t.setFilter("NEMA='1'"); // taken while filtering is off; the lookup fails on switching on
            t.setFiltered(true);
            QFAIL("the filter should have failed");
        } catch (const engine::Error&) {
        }
        QVERIFY(t.filtered());
        QCOMPARE(t.filter(), QByteArray("BG='1/2000' OR BG='46/1991'"));
        QCOMPARE(t.recordCount(), selected);
    }

    void editsAreDurable()
    {
        {
            Table t;
            openOn(t, "Empty.DB");
            t.append();
            t.fieldByName("ID").setAsInteger(7);
            t.fieldByName("NAME").setAsString("Korisnicki Ugovor o delu");
            t.fieldByName("NOTE").setAsString("tekst");
            QCOMPARE(t.state(), Table::State::Insert);
            QCOMPARE(t.fieldByName("NAME").asString(), QByteArray("Korisnicki Ugovor o delu"));
            t.post();
            QCOMPARE(t.state(), Table::State::Browse);
            QCOMPARE(t.field(0).asInteger(), 7);
            // Another connection sees the record at once: the post reached the file.
            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open_v2(qPrintable(path("Empty.DB")), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(raw, "SELECT NAME FROM records WHERE ID = 7", -1, &st, nullptr);
            QCOMPARE(sqlite3_step(st), SQLITE_ROW);
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                     QByteArray("Korisnicki Ugovor o delu"));
            sqlite3_finalize(st);
            sqlite3_close(raw);
            // Edit, then move: moving posts the edit.
            t.append();
            t.field(0).setAsInteger(8);
            t.post();
            t.first();
            t.edit();
            t.field(1).setAsString("novo ime");
            t.next();
            QCOMPARE(t.state(), Table::State::Browse);
        }
        Table fresh;
        openOn(fresh, "Empty.DB");
        QCOMPARE(fresh.recordCount(), 2);
        QCOMPARE(fresh.field(1).asString(), QByteArray("novo ime"));
        QCOMPARE(fresh.field(4).asString(), QByteArray("tekst"));
        // A failed post (the key exists) throws and changes nothing; cancel leaves the edit.
        fresh.append();
        fresh.field(0).setAsInteger(7);
        fresh.field(1).setAsString("duplikat");
        QVERIFY_THROWS_EXCEPTION(engine::Error, fresh.post());
        QCOMPARE(fresh.state(), Table::State::Insert);
        fresh.cancel();
        QCOMPARE(fresh.recordCount(), 2);
        QCOMPARE(fresh.field(1).asString(), QByteArray("novo ime"));
        // Delete, and the next record becomes current.
        fresh.deleteRecord();
        QCOMPARE(fresh.recordCount(), 1);
        QCOMPARE(fresh.field(0).asInteger(), 8);
        fresh.deleteRecord();
        QVERIFY(fresh.isEmpty());
        // Edit on an empty table starts a new record.
        fresh.edit();
        QCOMPARE(fresh.state(), Table::State::Insert);
        fresh.cancel();
    }

    void readOnlyRefusesEdits()
    {
        Table t;
        t.setReadOnly(true);
        openOn(t, "People.db");
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.edit());
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.append());
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.deleteRecord());
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.field(1).setAsString("x"));
    }

    void writesShowInOtherObjects()
    {
        Table writer;
        Table reader;
        openOn(writer, "Empty.DB");
        openOn(reader, "empty.db");
        QCOMPARE(reader.recordCount(), 0);
        writer.append();
        writer.field(0).setAsInteger(1);
        writer.post();
        QCOMPARE(reader.recordCount(), 1);
        writer.deleteRecord();
        QCOMPARE(reader.recordCount(), 0);
    }

    void passwordsAndAliases()
    {
        engine::Session& s = engine::session();
        QVERIFY(s.hasAlias("tEsT"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, s.deleteAlias("NEMA"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, s.addStandardAlias("TEST", m_dir.path(), "Paradox"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, s.addStandardAlias("OTHER", m_dir.path(), "DBASE"));
        const QString file = path("Locked.db");
        engine::createTableFile(file, people(), "drugaa");
        Table t;
        t.setTableName(file); // a full path, no alias
        try {
            t.open();
            QFAIL("opened with a wrong password");
        } catch (const engine::Error& e) {
            QVERIFY(e.message().contains(QLatin1String("Invalid password")));
        }
        s.removeAllPasswords();
        try {
            t.open();
            QFAIL("opened without a password");
        } catch (const engine::Error& e) {
            QVERIFY(e.message().contains(QLatin1String("no password")));
        }
        s.addPassword("drugaa");
        t.open();
        QVERIFY(t.isActive());
        s.addPassword(Password);
        Table missing;
        missing.setDatabaseName("TEST");
        missing.setTableName("Nema.db");
        QVERIFY_THROWS_EXCEPTION(engine::Error, missing.open());
        missing.setDatabaseName("NEMA");
        QVERIFY_THROWS_EXCEPTION(engine::Error, missing.open());
    }

    void notATableFile()
    {
        QFile junk(path("Junk.db"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a table");
        junk.close();
        Table t;
        t.setTableName(path("Junk.db"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.open());
    }

    // The update's import: keys already there are updated, new ones appended, the rest stays.
    void appendUpdate()
    {
        engine::TableStructure shorter = people();
        shorter.fields.removeLast(); // the update's file lacks a field: it arrives empty
        shorter.indexes.clear();
        engine::TableFileWriter w(path("Update.db"), shorter, Password);
        w.append({2, "izmenjen", "2/2001", 1.0, "nova napomena"});
        w.append({9, "nov", "9/2009"});
        w.commit();
        QFile::copy(path("People.db"), path("Target.db"));
        Table source;
        Table target;
        source.setTableName(path("Update.db"));
        source.setFiltered(true);
        source.setFilter("ID='9'"); // the whole file is imported, filter or not
        source.open();
        openOn(target, "Target.db");
        target.setFilter("ID='2'");
        const Table::MoveCounts counts = target.appendUpdateFrom(source);
        QCOMPARE(counts.appended, 1);
        QCOMPARE(counts.updated, 1);
        QCOMPARE(target.field(1).asString(), QByteArray("izmenjen"));
        QCOMPARE(target.field(4).asString(), QByteArray("nova napomena"));
        target.setFilter({});
        QCOMPARE(ids(target), (QList<qint64>{1, 2, 3, 4, 5, 6, 9}));
        QVERIFY_THROWS_EXCEPTION(engine::Error, target.appendUpdateFrom(target));
        Table readOnly;
        readOnly.setReadOnly(true);
        openOn(readOnly, "Target.db");
        QVERIFY_THROWS_EXCEPTION(engine::Error, readOnly.appendUpdateFrom(source));
    }

    // Between the user's actions the program holds no table: another program writes at once,
    // without waiting, and what it wrote is what the table object reads next.
    void anotherProgramWritesBetweenActions()
    {
        QVERIFY(QFile::copy(path("People.db"), path("Shared.db")));
        Table t;
        openOn(t, "Shared.db");
        QCOMPARE(t.field(1).asString(), QByteArray("O'B"));
        QCOMPARE(t.recordCount(), 6);
        const engine::FileVersion read = t.fileVersion();
        QVERIFY(t.fileVersion() == read);
        QCoreApplication::processEvents(); // the action that read is over

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(qPrintable(path("Shared.db")), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "UPDATE records SET NAME = 'promenjen' WHERE ID = 1", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "INSERT INTO records (ID, NAME) VALUES (7, 'sedmi')", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(other);

        QCOMPARE(t.recordCount(), 7);
        QCOMPARE(t.field(1).asString(), QByteArray("promenjen"));
        t.last();
        QCOMPARE(t.field(1).asString(), QByteArray("sedmi"));
        QVERIFY(!(t.fileVersion() == read)); // what is kept of the file's contents is read again
    }

    void structureRoundTrip()
    {
        Table t;
        openOn(t, "People.db");
        QCOMPARE(t.structure(), people());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
