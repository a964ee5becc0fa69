// Search copies kept inside table files, and the reads that do not move a table: a copy is never
// stale whoever writes, is made again by the engine's own writes, and a reader without copies
// still gets the right text.

#include "error.h"
#include "keyreader.h"
#include "searchcopy.h"
#include "session.h"
#include "table.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tableutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using engine::FieldType;
using engine::SearchCopyReader;
using engine::Table;
using engine::Value;

namespace {

const char* Password = "lozinq";
int g_made = 0;

// What the copies hold here: a mark, so a copy can be told from the field it was made of.
QByteArray makeCopy(const QByteArray& value)
{
    ++g_made;
    return "copy:" + value.toUpper();
}

engine::TableStructure docs()
{
    return {{{"ID", FieldType::Integer, 0}, {"TITLE", FieldType::Text, 60}, {"TEXT", FieldType::FormattedText, 0}},
            {"ID"},
            {{"bytitle", {"TITLE"}, true}}};
}

void registerCopies(const QByteArray& version = "1")
{
    engine::registerSearchCopy(QStringLiteral("Docs"), "TEXT", version, makeCopy);
}

// A write from outside the engine, as another program would make it.
void rawSql(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    const QByteArray message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, message.constData());
}

} // namespace

class TestSearchCopy : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    void writeDocs(const char* file)
    {
        engine::TableFileWriter w(path(file), docs(), Password);
        w.append({1, "Zakon o radu", "Tekst o radu"});
        w.append({2, "Zakon o {umama", "Tekst o {umama"});
        w.append({3, "Pravilnik", Value()});
        w.commit();
    }

    void openOn(Table& t, const char* file)
    {
        t.setDatabaseName("copies");
        t.setTableName(QString::fromLatin1(file));
        t.open();
    }

    // Moves the table to the record with the key.
    static void moveTo(Table& t, qint64 key)
    {
        for (t.first(); !t.eof(); t.next()) {
            if (t.field(0).asInteger() == key) {
                return;
            }
        }
        QFAIL("no such record");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        engine::session().addStandardAlias("copies", m_dir.path(), "Paradox");
        engine::session().addPassword(Password);
    }

    void cleanupTestCase() { engine::session().deleteAlias("copies"); }

    void init() { registerCopies(); }

    void newFileHoldsCopies()
    {
        g_made = 0;
        writeDocs("Docs.db");
        QCOMPARE(g_made, 3);
        Table t;
        openOn(t, "Docs.db");
        SearchCopyReader reader(t, "text");
        QVERIFY(reader.stored());
        QCOMPARE(reader.text(Value(2)), QByteArray("copy:TEKST O {UMAMA"));
        QCOMPARE(reader.text(Value(3)), QByteArray("copy:"));
        QCOMPARE(reader.text(Value(99)), QByteArray());
        // Read from the file, not made again; the table's own fields are untouched.
        QCOMPARE(g_made, 3);
        QCOMPARE(t.fieldCount(), 3);
        QCOMPARE(t.structure(), docs());
        bool called = false;
        QVERIFY(!reader.read(Value(99), [&](QByteArrayView) { called = true; }));
        QVERIFY(!called);
    }

    // Every way of writing keeps the copies true: a post, a write from outside the engine, a
    // deletion, a changed key, an import.
    void writesNeverLeaveStaleCopies()
    {
        writeDocs("Docs.db");
        Table t;
        t.setReadOnly(false);
        openOn(t, "Docs.db");
        moveTo(t, 1);
        t.edit();
        t.fieldByName("TEXT").setAsString("Novi tekst");
        t.post();
        {
            SearchCopyReader reader(t, "TEXT");
            QCOMPARE(reader.text(Value(1)), QByteArray("copy:NOVI TEKST"));
        }

        // A program that writes the file while we have it closed drops the copy by the same rule;
        // the reader makes it from the field meanwhile.
        t.close();
        rawSql(path("Docs.db"), "UPDATE records SET TEXT = CAST('drugi' AS BLOB) WHERE ID = 2");
        t.open();
        SearchCopyReader again(t, "TEXT");
        g_made = 0;
        QCOMPARE(again.text(Value(2)), QByteArray("copy:DRUGI"));
        QCOMPARE(g_made, 1);
        // A change of the title alone keeps the copies; the next engine write fills the gap.
        moveTo(t, 3);
        t.edit();
        t.fieldByName("TITLE").setAsString("Uputstvo");
        g_made = 0;
        t.post();
        QCOMPARE(g_made, 1); // record 2's, dropped by the outside write
        g_made = 0;
        QCOMPARE(again.text(Value(2)), QByteArray("copy:DRUGI"));
        QCOMPARE(g_made, 0);

        // A new key moves the record: its copy follows, and nothing is left under the old one.
        moveTo(t, 2);
        t.edit();
        t.fieldByName("ID").setAsInteger(20);
        t.post();
        QCOMPARE(again.text(Value(20)), QByteArray("copy:DRUGI"));
        QCOMPARE(again.text(Value(2)), QByteArray());
        moveTo(t, 20);
        t.deleteRecord();
        t.append();
        t.fieldByName("ID").setAsInteger(20);
        t.fieldByName("TEXT").setAsString("sasvim nov");
        t.post();
        QCOMPARE(again.text(Value(20)), QByteArray("copy:SASVIM NOV"));
    }

    void importMakesCopies()
    {
        writeDocs("Docs.db");
        // The update's table has no copies: nothing is registered for its name.
        {
            engine::TableFileWriter w(path("Update.db"), docs(), Password);
            w.append({1, "Zakon o radu", "izmenjen tekst"});
            w.append({7, "Zakon o PDV", "tekst o pdv"});
            w.commit();
        }
        Table target;
        target.setReadOnly(false);
        openOn(target, "Docs.db");
        Table source;
        openOn(source, "Update.db");
        const auto counts = target.appendUpdateFrom(source);
        QCOMPARE(counts.appended, 1);
        QCOMPARE(counts.updated, 1);
        g_made = 0;
        SearchCopyReader reader(target, "TEXT");
        QCOMPARE(reader.text(Value(1)), QByteArray("copy:IZMENJEN TEKST"));
        QCOMPARE(reader.text(Value(7)), QByteArray("copy:TEKST O PDV"));
        QCOMPARE(reader.text(Value(2)), QByteArray("copy:TEKST O {UMAMA"));
        QCOMPARE(g_made, 0);
    }

    // Copies made by another version of the function count as none, and the next write makes
    // them all again.
    void anotherVersionIsMadeAgain()
    {
        writeDocs("Docs.db");
        registerCopies("2");
        Table t;
        t.setReadOnly(false);
        openOn(t, "Docs.db");
        {
            SearchCopyReader reader(t, "TEXT");
            QVERIFY(!reader.stored());
            g_made = 0;
            QCOMPARE(reader.text(Value(1)), QByteArray("copy:TEKST O RADU"));
            QCOMPARE(g_made, 1);
        }
        moveTo(t, 3);
        t.edit();
        t.fieldByName("TITLE").setAsString("Odluka");
        g_made = 0;
        t.post();
        QCOMPARE(g_made, 3);
        SearchCopyReader reader(t, "TEXT");
        QVERIFY(reader.stored());
    }

    // A key that is not an integer (the opinions' numbers are floating-point) finds its copy
    // through the record it belongs to, also after the key or the text has changed.
    void floatKeyReadsThroughItsRecord()
    {
        const engine::TableStructure notes{
            {{"NO", FieldType::Float, 0}, {"TEXT", FieldType::FormattedText, 0}}, {"NO"}, {}};
        engine::registerSearchCopy(QStringLiteral("Notes"), "TEXT", "1", makeCopy);
        {
            engine::TableFileWriter w(path("Notes.db"), notes, Password);
            w.append({Value(1.0), "prva"});
            w.append({Value(2.5), "druga"});
            w.commit();
        }
        Table t;
        t.setReadOnly(false);
        openOn(t, "Notes.db");
        g_made = 0;
        SearchCopyReader reader(t, "TEXT");
        QVERIFY(reader.stored());
        QCOMPARE(reader.text(Value(2.5)), QByteArray("copy:DRUGA"));
        t.first();
        // As the opinions search asks: by the current record's own key.
        QCOMPARE(reader.text(t.field(0).value()), QByteArray("copy:PRVA"));
        QCOMPARE(reader.text(Value(3.0)), QByteArray());
        QCOMPARE(g_made, 0);

        t.edit();
        t.field(0).setAsFloat(7);
        t.post();
        QCOMPARE(reader.text(Value(7.0)), QByteArray("copy:PRVA"));
        QCOMPARE(reader.text(Value(1.0)), QByteArray());
        for (t.first(); !t.eof() && t.field(0).asFloat() != 7; t.next()) {
        }
        t.edit();
        t.field(1).setAsString("nova");
        t.post();
        QCOMPARE(reader.text(Value(7.0)), QByteArray("copy:NOVA"));
        QCOMPARE(g_made, 1); // made once, by the post; read from the file after
    }

    void fileWithoutCopiesIsReadAllTheSame()
    {
        {
            engine::TableFileWriter w(path("Other.db"), docs(), Password);
            w.append({1, "a", "jedan"});
            w.commit();
        }
        Table t;
        openOn(t, "Other.db");
        QVERIFY_THROWS_EXCEPTION(engine::Error, SearchCopyReader(t, "TEXT")); // nothing registered for it
        engine::registerSearchCopy(QStringLiteral("other.DB"), "TEXT", "1", makeCopy);
        QVERIFY_THROWS_EXCEPTION(engine::Error, SearchCopyReader(t, "MISSING"));
        SearchCopyReader reader(t, "TEXT");
        QVERIFY(!reader.stored());
        QCOMPARE(reader.text(Value(1)), QByteArray("copy:JEDAN"));
    }

    // A file whose copies name a record it no longer holds (a repair of an earlier version copied
    // the copies of the records it lost along with the rest), and lacks one: a rebuild leaves one
    // copy for each record and none besides, and no text is read for a key without a record.
    void rebuildKeepsTheCopiesToTheRecords()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath("rebuilt")));
        const QString file = m_dir.filePath("rebuilt/Docs.db");
        writeDocs("rebuilt/Docs.db");
        rawSql(file, "INSERT INTO korvelin_copy_TEXT (record, text) VALUES (7, 'copy:LOST'); "
                     "DELETE FROM korvelin_copy_TEXT WHERE record = 2");
        const engine::RebuildResult result = engine::rebuildTableFile(file);
        QVERIFY2(result.rebuilt, qPrintable(result.error));
        QCOMPARE(tabletest::integers(file, "SELECT rowid FROM records ORDER BY 1"), (QList<qint64>{1, 2, 3}));
        QCOMPARE(tabletest::integers(file, "SELECT record FROM korvelin_copy_TEXT ORDER BY 1"),
                 (QList<qint64>{1, 2, 3}));
        Table t;
        t.setTableName(file);
        t.open();
        SearchCopyReader reader(t, "TEXT");
        QCOMPARE(reader.text(Value(7)), QByteArray());
        QCOMPARE(reader.text(Value(2)), QByteArray("copy:TEKST O {UMAMA"));
    }

    void scanAndKeyReads()
    {
        writeDocs("Docs.db");
        Table t;
        openOn(t, "Docs.db");
        t.setIndexName("bytitle");
        t.setFilter("TITLE >= 'Z'");
        t.setFiltered(true);
        QList<qint64> seen;
        t.scan({0}, [&](const QList<Value>& v) {
            seen.append(v[0].toInteger());
            return true;
        });
        QCOMPARE(seen, (QList<qint64>{1, 2})); // by title: "Zakon o radu" before "Zakon o {umama"
        QList<QByteArray> titles;
        t.scan({1, 0}, [&](const QList<Value>& v) {
            titles.append(v[0].toText() + '#' + v[1].toText());
            return titles.size() < 1; // stops after the first
        });
        QCOMPARE(titles, (QList<QByteArray>{"Zakon o radu#1"}));
        int all = 0;
        t.scan(
            {1},
            [&](const QList<Value>&) {
                ++all;
                return true;
            },
            Table::ScanRange::WholeFile);
        QCOMPARE(all, 3);
        QVERIFY_THROWS_EXCEPTION(engine::Error, t.scan({9}, [](const QList<Value>&) { return true; }));

        engine::KeyReader byKey(t, {1, 0});
        QCOMPARE(byKey.read(Value(3))->value(0).toText(), QByteArray("Pravilnik"));
        QCOMPARE(byKey.read(Value(3))->value(1).toInteger(), 3);
        QVERIFY(!byKey.read(Value(42)));
        // The cursor did not move.
        t.first();
        const qint64 current = t.field(0).asInteger();
        byKey.read(Value(2));
        QCOMPARE(t.field(0).asInteger(), current);
    }

    void fileVersionFollowsWrites()
    {
        writeDocs("Docs.db");
        Table t;
        t.setReadOnly(false);
        openOn(t, "Docs.db");
        Table other;
        other.setReadOnly(false);
        openOn(other, "Docs.db");
        const engine::FileVersion before = t.fileVersion();
        QVERIFY(before == t.fileVersion());
        t.setFilter("ID = 1"); // settings are not writes
        QVERIFY(before == t.fileVersion());
        moveTo(other, 2);
        other.edit();
        other.fieldByName("TITLE").setAsString("promena");
        other.post();
        QVERIFY(!(before == t.fileVersion()));
        const engine::FileVersion written = t.fileVersion();
        t.close();
        other.close();
        QVERIFY(!(written == t.fileVersion()));
        t.open();
        QVERIFY(!(written == t.fileVersion()));
    }
};

QTEST_GUILESS_MAIN(TestSearchCopy)
#include "tst_searchcopy.moc"
