// Table files of the collection that cannot be used as they are: missing, cut short, damaged in
// the middle, no table at all, under another password, with other fields, on a full disk,
// read-only, held by another program. Each failure carries its kind and names its file, so that
// the user is told what happened and what to do; a table whose fields differ from its record type
// is refused when it opens, never read with one field's data under another's name.

#include "demo.h"
#include "error.h"
#include "filemodes.h"
#include "filesizelimit.h"
#include "readonlyfolder.h"
#include "schema.h"
#include "session.h"
#include "sessionsetup.h"
#include "table.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tables.h"
#include "tableutil.h"
#include "usermessages.h"

#include <optional>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using engine::Error;
using engine::Table;
using Kind = engine::Error::Kind;

Q_DECLARE_METATYPE(testsupport::ReadOnlyFolder::Mode)

namespace {

// A connection of the test's own, as another program would have.
class OtherProgram final {
public:
    explicit OtherProgram(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OtherProgram() { sqlite3_close(m_db); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    int exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3* m_db = nullptr;
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pristine;
    QString m_data;
    int m_round = 0;

    QString file(const char* name) const { return QDir(m_data).filePath(QLatin1String(name)); }

    // A copy of the collection for each test, so what one damages does not reach the next.
    void freshCollection()
    {
        const QString program = QDir(m_dir.path()).filePath(QStringLiteral("c%1").arg(++m_round));
        m_data = QDir(program).filePath(QStringLiteral("Podatci"));
        tabletest::copyFiles(m_pristine, m_data);
        data::setUpSession(program);
    }

    // The failure of opening a table of the collection as the windows open it: through the alias.
    static std::optional<Error> openFailure(Table& t, const char* name)
    {
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName(QLatin1String(name));
        try {
            t.open();
        } catch (const Error& e) {
            return e;
        }
        return std::nullopt;
    }

    // What the user is told: two lines, the program's 7-bit code, the file named.
    static void checkTold(const Error& e, const QByteArray& fileName)
    {
        const QByteArray told = data::userMessage(e);
        QVERIFY2(told.contains(fileName), told.constData());
        QCOMPARE(told.count("\r\n"), 1);
        QVERIFY2(std::all_of(told.begin(), told.end(), [](char c) { return uchar(c) < 0x80; }), told.constData());
        QVERIFY2(!told.contains(e.message().toLocal8Bit()), "the engine's own text is not the message");
    }

    // Rewrites TB_Zakoni with another structure, keeping three records of its fields by name.
    void rewriteRegulations(const engine::TableStructure& structure)
    {
        engine::TableFileWriter writer(file("TB_Zakoni.db") + QStringLiteral(".new"), structure, data::TablePassword);
        for (int id = 1; id <= 3; ++id) {
            QList<engine::Value> record;
            for (const engine::FieldDef& f : structure.fields) {
                record.append(f.type == engine::FieldType::Integer ? engine::Value(id)
                                                                   : engine::Value("{\\rtf1 " + f.name + "}"));
            }
            writer.append(record);
        }
        writer.commit();
        QVERIFY(QFile::remove(file("TB_Zakoni.db")));
        QVERIFY(QFile::rename(file("TB_Zakoni.db") + QStringLiteral(".new"), file("TB_Zakoni.db")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pristine = QDir(m_dir.path()).filePath(QStringLiteral("pristine"));
        demo::generate(m_pristine, {300, 5, 2});
    }

    void missingTable()
    {
        freshCollection();
        QVERIFY(QFile::remove(file("TB_link.db")));
        Table t;
        const std::optional<Error> e = openFailure(t, "TB_link.db");
        QVERIFY(e);
        QCOMPARE(e->kind(), Kind::Missing);
        QCOMPARE(QFileInfo(e->file()).fileName(), QStringLiteral("TB_link.db"));
        checkTold(*e, "TB_link.db");
        QVERIFY(data::userMessage(*e).contains("Podatci"));
    }

    // A copy cut short is found at open, not somewhere in the middle of a list.
    void tableCutInHalf()
    {
        freshCollection();
        QFile f(file("TB_Zakoni.db"));
        QVERIFY(f.resize(f.size() / 2));
        Table t;
        const std::optional<Error> e = openFailure(t, "TB_Zakoni.db");
        QVERIFY(e);
        QCOMPARE(e->kind(), Kind::Damaged);
        checkTold(*e, "TB_Zakoni.db");
        QVERIFY(data::userMessage(*e).contains("Popravka"));
    }

    // Pages in the middle that cannot be read: the walk that meets them says which table.
    void tableDamagedInTheMiddle()
    {
        freshCollection();
        const QList<int> leaves = tabletest::leafPages(file("TB_Zakoni.db"), "records");
        QVERIFY(leaves.size() > 20);
        tabletest::damagePages(file("TB_Zakoni.db"), leaves.mid(leaves.size() / 2 - 4, 8));
        Table t;
        QVERIFY(!openFailure(t, "TB_Zakoni.db"));
        try {
            t.scan(
                {0, 5, 11}, [](const QList<engine::Value>&) { return true; }, Table::ScanRange::WholeFile);
            QFAIL("the damaged pages were read");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Kind::Damaged);
            QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Zakoni.db"));
            checkTold(e, "TB_Zakoni.db");
        }
    }

    void randomBytesAreNoTable()
    {
        freshCollection();
        QFile f(file("TB_Glasnici.db"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes(65536, '\0');
        quint32 x = 2463534242u;
        for (char& c : bytes) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = char(x);
        }
        f.write(bytes);
        f.close();
        Table t;
        const std::optional<Error> e = openFailure(t, "TB_Glasnici.db");
        QVERIFY(e);
        QCOMPARE(e->kind(), Kind::NotATable);
        checkTold(*e, "TB_Glasnici.db");
    }

    void otherPassword()
    {
        freshCollection();
        QVERIFY(QFile::remove(file("TB_Glasnici.db")));
        engine::createTableFile(file("TB_Glasnici.db"), data::tableFile("TB_Glasnici.db").structure, "drugaa");
        Table t;
        const std::optional<Error> e = openFailure(t, "TB_Glasnici.db");
        QVERIFY(e);
        QCOMPARE(e->kind(), Kind::Password);
        checkTold(*e, "TB_Glasnici.db");
    }

    // A field missing, renamed, of another type or added: reading by position would show one
    // field's data under another's name (the text of a regulation as its number and year).
    void fieldsThatDifferAreRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("field missing") << "missing" << QByteArray("BG");
        QTest::newRow("field renamed") << "renamed" << QByteArray("BG");
        QTest::newRow("field of another type") << "type" << QByteArray("BG");
        QTest::newRow("field added in front") << "added" << QByteArray("Dodatak");
        QTest::newRow("field added at the end") << "appended" << QByteArray("Dodatak");
        QTest::newRow("another key") << "key" << QByteArray("ID_ZAKONA");
    }
    void fieldsThatDifferAreRefused()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, field);
        freshCollection();
        engine::TableStructure s = data::tableFile("TB_Zakoni.db").structure;
        const int bg = s.indexOf("BG");
        s.indexes.removeIf([](const engine::IndexDef& i) { return i.fields.contains("BG"); });
        if (change == "missing") {
            s.fields.removeAt(bg);
        } else if (change == "renamed") {
            s.fields[bg].name = "BROJ_GODINA";
        } else if (change == "type") {
            s.fields[bg].type = engine::FieldType::Integer;
        } else if (change == "added") {
            s.fields.insert(1, {"Dodatak", engine::FieldType::Text, 20});
        } else if (change == "appended") {
            s.fields.append({"Dodatak", engine::FieldType::Text, 20});
        } else {
            s.primaryKey = {"ID_BROJA"};
        }
        rewriteRegulations(s);

        data::MainTables m;
        try {
            m.Zakoni.open();
            QFAIL("a table of other fields was opened");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Kind::Fields);
            QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Zakoni.db"));
            QCOMPARE(e.field(), field);
            checkTold(e, "TB_Zakoni.db");
            QVERIFY(data::userMessage(e).contains("polje " + field));
        }
        QVERIFY(!m.Zakoni.isActive());
        // The other tables open as before.
        m.Glavna.open();
        QCOMPARE(m.Glavna.recordCount(), 300);
        // An update's table, opened by its path, is taken as it is: the import matches by name.
        Table update;
        update.setTableName(file("TB_Zakoni.db"));
        update.open();
        QCOMPARE(update.recordCount(), 3);
    }

    // A type the engine does not know is refused the same way, naming the field.
    void fieldOfAnUnknownType()
    {
        freshCollection();
        {
            OtherProgram db(file("TB_Glasnici.db"));
            QCOMPARE(db.exec("ALTER TABLE records ADD COLUMN Osnovan DATETIME"), SQLITE_OK);
        }
        Table t;
        const std::optional<Error> e = openFailure(t, "TB_Glasnici.db");
        QVERIFY(e);
        QCOMPARE(e->kind(), Kind::Fields);
        QCOMPARE(e->field(), QByteArray("Osnovan"));
        checkTold(*e, "TB_Glasnici.db");
    }

    // The user's contracts on a full disk: the post fails, says so, and the file keeps what it had.
    void fullDisk()
    {
        freshCollection();
        Table t;
        QVERIFY(!openFailure(t, "TB_Korisnicki.db"));
        const int before = t.recordCount();
        t.append();
        t.field(0).setAsString("Ugovor o zakupu");
        t.field(1).setAsString("{\\rtf1 " + QByteArray(300000, 'x') + "}");
        try {
            const testsupport::FileSizeLimit full(QFileInfo(file("TB_Korisnicki.db")).size());
            t.post();
            QFAIL("the post went past a full disk");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Kind::DiskFull);
            QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Korisnicki.db"));
            checkTold(e, "TB_Korisnicki.db");
        }
        QCOMPARE(t.state(), Table::State::Insert);
        t.cancel();
        Table fresh;
        QVERIFY(!openFailure(fresh, "TB_Korisnicki.db"));
        QCOMPARE(fresh.recordCount(), before);
    }

    void readOnly_data()
    {
        QTest::addColumn<testsupport::ReadOnlyFolder::Mode>("mode");
        QTest::newRow("read-only files") << testsupport::ReadOnlyFolder::Mode::Files;
        QTest::newRow("read-only folder") << testsupport::ReadOnlyFolder::Mode::Folder;
    }
    void readOnly()
    {
        QFETCH(testsupport::ReadOnlyFolder::Mode, mode);
        freshCollection();
        const testsupport::ReadOnlyFolder readOnly(m_data, mode);
        Table t;
        QVERIFY(!openFailure(t, "TB_Korisnicki.db"));
        const int before = t.recordCount();
        try {
            t.append();
            t.field(0).setAsString("Ugovor o zakupu");
            t.post();
            QFAIL("a read-only table was written");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Kind::ReadOnly);
            QCOMPARE(QFileInfo(e.file()).fileName(), QStringLiteral("TB_Korisnicki.db"));
            checkTold(e, "TB_Korisnicki.db");
        }
        t.cancel();
        QCOMPARE(t.recordCount(), before);
    }

    // A table, or the data folder, of another user that keeps it to themselves: told as a file or
    // a folder the program may not read, naming it, not as missing tables nor as a table it may
    // not write; the repair's verification says the same.
    void mayNotBeRead_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("another user's table") << false;
        QTest::newRow("another user's data folder") << true;
    }
    void mayNotBeRead()
    {
        QFETCH(bool, folder);
        freshCollection();
        const QString named = folder ? m_data : file("TB_Zakoni.db");
        const testsupport::AnotherUsers owner(named, folder ? 0700 : 0600);
        QVERIFY(owner.done());
        const testsupport::FileModesHold modes;
        for (const char* table : {"TB_Zakoni.db", "TB_Zakoni"}) {
            Table t;
            const std::optional<Error> e = openFailure(t, table);
            QVERIFY(e);
            QCOMPARE(e->kind(), folder ? Kind::FolderUnreadable : Kind::Unreadable);
            QCOMPARE(e->file(), named);
            checkTold(*e, folder ? "Podatci" : "TB_Zakoni.db");
        }
        try {
            engine::verifyTableFile(file("TB_Zakoni.db"));
            QFAIL("a table that may not be read was verified");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), folder ? Kind::FolderUnreadable : Kind::Unreadable);
        }
        // The other tables open when only the one file is another user's.
        Table other;
        QCOMPARE(openFailure(other, "TB_Brojevi.db").has_value(), folder);
    }

    // Another program in the middle of a write: the post waits for it a while, then says who holds
    // the table.
    void lockedByAnotherProgram()
    {
        freshCollection();
        Table t;
        QVERIFY(!openFailure(t, "TB_Korisnicki.db"));
        OtherProgram other(file("TB_Korisnicki.db"));
        QCOMPARE(other.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        t.append();
        t.field(0).setAsString("Ugovor o zakupu");
        try {
            t.post();
            QFAIL("wrote into a table another program held");
        } catch (const Error& e) {
            QCOMPARE(e.kind(), Kind::Locked);
            checkTold(e, "TB_Korisnicki.db");
        }
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        t.post(); // once the other program is done, the same edit goes in
        QCOMPARE(t.field(0).asString(), QByteArray("Ugovor o zakupu"));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
