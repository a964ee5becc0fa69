// Verifying and rebuilding table files: sound tables keep every record and gain a backup, damaged
// ones are salvaged with their bad records put aside per table, and a rebuild that cannot finish
// leaves the table as it was. Also the import of an update table by key.

#include "batchmove.h"
#include "diskfiles.h"
#include "demo.h"
#include "error.h"
#include "filesizelimit.h"
#include "schema.h"
#include "session.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tableutil.h"

#include <memory>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using engine::Table;
using engine::Value;

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestTableUtil : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_data;

    QString file(const char* name) const { return QDir(m_data).filePath(QLatin1String(name)); }

    // A fresh collection for each test, so damage done by one does not reach the next.
    void freshCollection()
    {
        m_data = QDir(m_dir.path()).filePath(QStringLiteral("c%1/Podatci").arg(++m_round));
        demo::generate(m_data, {60, 3, 1});
        data::setUpSession(QFileInfo(m_data).absolutePath());
    }

    // An update table of `fileName`'s record type holding `records`.
    QString updateTable(const char* fileName, const QList<QList<Value>>& records,
                        const engine::TableStructure* structure = nullptr,
                        const QByteArray& password = data::TablePassword)
    {
        const QString path = QDir(m_dir.path()).filePath(QStringLiteral("u%1_%2").arg(++m_round).arg(fileName));
        engine::TableFileWriter writer(path, structure ? *structure : data::tableFile(fileName).structure, password);
        for (const auto& r : records) {
            writer.append(r);
        }
        writer.commit();
        return path;
    }

    int m_round = 0;

    // A table object on a live table file, open.
    static std::unique_ptr<Table> liveTable(const char* name)
    {
        auto table = std::make_unique<Table>();
        table->setDatabaseName(data::DatabaseAlias);
        table->setTableName(QLatin1String(name));
        table->open();
        return table;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void verifiesSoundAndRefusesWhatIsNoTable()
    {
        freshCollection();
        const engine::Verification v = engine::verifyTableFile(file("TB_Zakoni.db"));
        QCOMPARE(v.level, 0);
        QVERIFY(v.findings.isEmpty());
        QCOMPARE(v.records, 60);

        const QString text = QDir(m_dir.path()).filePath("plain.db");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a table at all");
        f.close();
        QVERIFY_THROWS_EXCEPTION(engine::Error, engine::verifyTableFile(text));
        QVERIFY_THROWS_EXCEPTION(engine::Error, engine::verifyTableFile(file("TB_Missing.db")));
        const QString foreign = updateTable("TB_Arhiva.db", {{1, 0, 0}}, nullptr, "drugalozinka");
        QVERIFY_THROWS_EXCEPTION(engine::Error, engine::verifyTableFile(foreign));
    }

    void rebuildKeepsEveryRecordAndTheOldFile()
    {
        freshCollection();
        const QString path = file("TB_Zakoni.db");
        const QByteArray before = tabletest::digest(path);
        const ino_t oldInode = inodeOf(path);

        // Objects open on the file go on working on the new one.
        Table reader;
        reader.setDatabaseName(data::DatabaseAlias);
        reader.setTableName("tb_zakoni.DB");
        reader.open();
        reader.moveBy(10);
        const QByteArray title = reader.field(5).asString();

        const engine::RebuildResult r = engine::rebuildTableFile(path);
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QVERIFY(!r.salvaged);
        QCOMPARE(r.records, 60);
        QCOMPARE(tabletest::digest(path), before);
        QVERIFY(inodeOf(path) != oldInode);
        const engine::RebuildFiles files = engine::rebuildFiles(path);
        QCOMPARE(QFileInfo(files.backup).fileName(), QStringLiteral("TB_Zakoni.Backup.db"));
        QCOMPARE(tabletest::digest(files.backup), before);
        QVERIFY(!QFileInfo::exists(files.copy));
        QVERIFY(!QFileInfo::exists(files.keyViolations));

        QCOMPARE(reader.recordCount(), 60);
        reader.first();
        reader.moveBy(10);
        QCOMPARE(reader.field(5).asString(), title);

        // A write after the rebuild lands in the file that now carries the name.
        const auto writer = liveTable("TB_Zakoni.db");
        writer->edit();
        writer->fieldByName("Naziv_zakona").setAsString("Zakon posle obnove");
        writer->post();
        QVERIFY(tabletest::dump(path).join('\n').contains(QByteArray("Zakon posle obnove").toHex()));
        QCOMPARE(tabletest::digest(files.backup), before);
    }

    void rebuildSalvagesDamagedTablesPerTable()
    {
        freshCollection();
        // A broken index: the records are all there and come back with a rebuilt index.
        const QString arhiva = file("TB_Arhiva.db");
        const QByteArray arhivaBefore = tabletest::digest(arhiva);
        tabletest::zeroPage(arhiva, tabletest::rootPage(arhiva, "prethodi"));
        QVERIFY(engine::verifyTableFile(arhiva).level >= 2);
        engine::RebuildResult r = engine::rebuildTableFile(arhiva);
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QVERIFY(r.salvaged);
        QVERIFY(!r.findings.isEmpty());
        QCOMPARE(engine::verifyTableFile(arhiva).level, 0);
        QCOMPARE(tabletest::digest(arhiva), arhivaBefore);

        // Records without their key go to the table's own key-violation file.
        const QString ugovori = file("TB_Ugovori.db");
        const qint64 models = tabletest::countRecords(ugovori);
        tabletest::execute(ugovori, "INSERT INTO records (NAZIV_UGOVORA, BROJ_STRANA) VALUES (NULL, 2), (NULL, 3)");
        QCOMPARE(engine::verifyTableFile(ugovori).level, 3);
        r = engine::rebuildTableFile(ugovori);
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QCOMPARE(r.keyViolations, 2);
        QCOMPARE(r.problems, 0);
        QCOMPARE(tabletest::countRecords(ugovori), models);
        const engine::RebuildFiles ugovoriFiles = engine::rebuildFiles(ugovori);
        Table violations;
        violations.setTableName(ugovoriFiles.keyViolations);
        violations.open(); // a table file like any other, behind the same password
        QCOMPARE(violations.recordCount(), 2);
        QCOMPARE(violations.fieldByName("BROJ_STRANA").asInteger(), 2);
        violations.close();

        // A record whose number field holds a word goes to the table's own problem file.
        const QString brojevi = file("TB_Brojevi.db");
        tabletest::execute(brojevi, "UPDATE records SET ID_GLASNIKA = 'abc' WHERE ID_BROJA = 7");
        QCOMPARE(engine::verifyTableFile(brojevi).level, 3);
        r = engine::rebuildTableFile(brojevi);
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QCOMPARE(r.problems, 1);
        QCOMPARE(tabletest::countRecords(brojevi), 59);
        const engine::RebuildFiles brojeviFiles = engine::rebuildFiles(brojevi);
        QVERIFY(tabletest::dump(brojeviFiles.problems).first().contains(QByteArray("abc").toHex()));
        QVERIFY(!QFileInfo::exists(brojeviFiles.keyViolations));
        QVERIFY(QFileInfo::exists(ugovoriFiles.keyViolations)); // not overwritten by the next table
        QVERIFY(brojeviFiles.backup != ugovoriFiles.backup);
        QCOMPARE(engine::verifyTableFile(brojevi).level, 0);
    }

    // A page of records that cannot be read loses its records; those before and behind it stay.
    void rebuildSavesTheRecordsAroundAnUnreadablePage()
    {
        freshCollection();
        const QString path = file("TB_Zakoni.db");
        const QList<int> leaves = tabletest::leafPages(path, "records");
        QVERIFY(leaves.size() >= 3);
        tabletest::zeroPage(path, leaves[1]);
        const engine::RebuildResult r = engine::rebuildTableFile(path);
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QVERIFY(r.salvaged);
        QVERIFY(r.records > 0 && r.records < 60);
        QCOMPARE(engine::verifyTableFile(path).level, 0);
        const QByteArrayList records = tabletest::dump(path);
        QVERIFY(records.first().startsWith("1:31|"));  // ID_ZAKONA 1, as hex of its text form
        QVERIFY(records.last().startsWith("1:3630|")); // and 60
    }

    void rebuildThatCannotFinishLeavesTheTable()
    {
        freshCollection();
        const QString path = file("TB_link.db");
        const QByteArray before = tabletest::digest(path);
        const ino_t inode = inodeOf(path);
        const engine::RebuildFiles files = engine::rebuildFiles(path);
        QVERIFY(QDir().mkpath(files.copy + "/blocked")); // the copy cannot be made
        const engine::RebuildResult r = engine::rebuildTableFile(path);
        QVERIFY(!r.rebuilt);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(inodeOf(path), inode);
        QCOMPARE(tabletest::digest(path), before);
        QVERIFY(!QFileInfo::exists(files.backup));
    }

    // A table whose copy finds no room on the disk, at any point of the copy: the rebuild fails for
    // want of room, naming the table. A sound table tries no salvage on the same disk (which would
    // fail with a later, wrong cause: a copy that is no table); a damaged one, saved record by
    // record, stops at the first write that finds no room, never going on to read the rest. The
    // table stays as it was, and nothing of the copy is left.
    void rebuildOnAFullDiskToldAsSuch_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("sound table") << false;
        QTest::newRow("damaged table, saved record by record") << true;
    }

    void rebuildOnAFullDiskToldAsSuch()
    {
        QFETCH(bool, damaged);
        freshCollection();
        const QString path = file("TB_Zakoni.db");
        if (damaged) {
            const QList<int> leaves = tabletest::leafPages(path, "records");
            QVERIFY(leaves.size() >= 3);
            tabletest::zeroPage(path, leaves[1]);
        }
        const QByteArray before = testsupport::bytesOf(path);
        const engine::RebuildFiles files = engine::rebuildFiles(path);
        const qint64 size = QFileInfo(path).size();
        for (const qint64 room : {qint64(0), qint64(4096), size / 3, size * 2 / 3}) {
            engine::RebuildResult r;
            {
                const testsupport::FileSizeLimit full{rlim_t(room)};
                r = engine::rebuildTableFile(path);
            }
            QVERIFY2(!r.rebuilt, qPrintable(QString::number(room)));
            QVERIFY2(r.errorKind == engine::Error::Kind::DiskFull, qPrintable(QString::number(room) + ": " + r.error));
            QVERIFY(!r.salvaged);
            QVERIFY(testsupport::bytesOf(path) == before);
            for (const QString& left : {files.copy, files.backup, files.keyViolations, files.problems}) {
                QVERIFY2(!QFileInfo::exists(left), qPrintable(left));
            }
        }
        const engine::RebuildResult r = engine::rebuildTableFile(path); // with room again
        QVERIFY2(r.rebuilt && r.salvaged == damaged, qPrintable(r.error));
    }

    // What a cut rebuild leaves is removed as a name: a symbolic link goes itself, also when it
    // points nowhere, and what it points to stays as it was. What finished rebuilds keep stays,
    // and is never opened as a table.
    void leftoversAreRemovedNeverFollowed()
    {
        freshCollection();
        const QDir data(m_data);
        const QString outside = QDir(m_dir.path()).filePath(QStringLiteral("outside%1.bin").arg(m_round));
        QByteArray outsideBytes;
        for (int i = 0; i < 5000; ++i) {
            outsideBytes += char(i * 7);
        }
        {
            QFile f(outside);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(outsideBytes);
        }
        const auto readAll = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const auto isLink = [](const QString& path) {
            struct stat st {};
            return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
        };
        const QByteArray brojevi = tabletest::digest(file("TB_Brojevi.db"));
        const QStringList toOutside = {"TB_Zakoni.Rebuild.db", "TB_Glasnici.Rebuild.db-journal",
                                       "TB_link.KEYVIOL.db.part", "TB_Brojevi.db-journal"};
        for (const QString& name : toOutside) {
            QVERIFY(QFile::link(outside, data.filePath(name)));
        }
        const QString nowhere = QDir(m_dir.path()).filePath("nowhere.db");
        QVERIFY(QFile::link(nowhere, data.filePath("TB_Arhiva.Rebuild.db")));
        QVERIFY(QFile::link(nowhere, data.filePath("TB_Ugovori.Rebuild.db-journal")));
        QVERIFY(isLink(data.filePath("TB_Arhiva.Rebuild.db")) &&
                !QFileInfo::exists(data.filePath("TB_Arhiva.Rebuild.db")));

        // What rebuilds keep: a backup, and an original with a journal-like file beside it that no
        // clean-up may play into it.
        QVERIFY(engine::rebuildTableFile(file("TB_Ministarstva.db")).rebuilt);
        const QString original = file("TB_Zakoni.Original-2026-12-07-183005.db");
        QVERIFY(QFile::copy(file("TB_Zakoni.db"), original));
        QVERIFY(QFile::copy(outside, original + "-journal"));
        const QByteArray originalBytes = readAll(original);

        QStringList removed = engine::clearRebuildLeftovers(m_data);
        removed.sort();
        QStringList expected = toOutside + QStringList{"TB_Arhiva.Rebuild.db", "TB_Ugovori.Rebuild.db-journal"};
        expected.sort();
        QCOMPARE(removed, expected);
        for (const QString& name : expected) {
            QVERIFY2(!isLink(data.filePath(name)) && !QFileInfo::exists(data.filePath(name)), qPrintable(name));
        }
        QVERIFY(readAll(outside) == outsideBytes);
        QVERIFY(!QFileInfo::exists(nowhere));
        QCOMPARE(tabletest::digest(file("TB_Brojevi.db")), brojevi);
        QVERIFY(readAll(original) == originalBytes);
        QVERIFY(readAll(original + "-journal") == outsideBytes);
        QVERIFY(QFileInfo::exists(file("TB_Ministarstva.Backup.db")));
        QCOMPARE(engine::clearRebuildLeftovers(m_data), QStringList());

        // A rebuild does not write through a link where its copy goes, nor remove what a link
        // where its backup goes points to.
        QVERIFY(QFile::link(nowhere, engine::rebuildFiles(file("TB_Glasnici.db")).copy));
        QVERIFY(QFile::link(outside, engine::rebuildFiles(file("TB_Glasnici.db")).backup));
        const engine::RebuildResult r = engine::rebuildTableFile(file("TB_Glasnici.db"));
        QVERIFY2(r.rebuilt, qPrintable(r.error));
        QVERIFY(!QFileInfo::exists(nowhere));
        QVERIFY(!isLink(engine::rebuildFiles(file("TB_Glasnici.db")).backup));
        QVERIFY(readAll(outside) == outsideBytes);
    }

    void importAppendsAndUpdatesByKey()
    {
        freshCollection();
        const QString path = file("TB_Arhiva.db");
        const QByteArrayList before = tabletest::dump(path);
        Table target;
        target.setDatabaseName(data::DatabaseAlias);
        target.setTableName("TB_Arhiva.db");
        // A detail filtered to one record still takes the whole source.
        target.setFilter("BROJ_ZAKONA='1'");
        target.setFiltered(true);
        target.open();
        // Fields named in another order and letter case still meet their own.
        engine::TableStructure reordered{{{"nasledjuje_ga", engine::FieldType::Integer, 0},
                                          {"BROJ_ZAKONA", engine::FieldType::Integer, 0},
                                          {"Prethodi_Mu", engine::FieldType::Integer, 0}},
                                         {"BROJ_ZAKONA"},
                                         {}};
        Table source;
        source.setTableName(updateTable("TB_Arhiva.db", {{0, 3, 44}, {999, 1000, 998}}, &reordered));
        source.open();
        const Table::MoveCounts counts = engine::appendUpdate(target, source);
        QCOMPARE(counts.appended, 1);
        QCOMPARE(counts.updated, 1);

        const QByteArrayList after = tabletest::dump(path);
        QCOMPARE(after.size(), before.size() + 1);
        target.setFilter({});
        target.setFiltered(false);
        target.first();
        target.moveBy(2);
        QCOMPARE(target.field(0).asInteger(), 3);
        QCOMPARE(target.field(1).asInteger(), 44);
        QCOMPARE(target.field(2).asInteger(), 0);
        target.last();
        QCOMPARE(target.field(0).asInteger(), 1000);
        QCOMPARE(target.field(1).asInteger(), 998);
        QCOMPARE(target.field(2).asInteger(), 999);
        for (int i = 0; i < before.size(); ++i) {
            if (i != 2) {
                QCOMPARE(after[i], before[i]);
            }
        }
    }

    // Relations have no key: a record is there already when every field matches, so installing
    // the same update again adds nothing.
    void importIntoATableWithoutKeyAddsEachRecordOnce()
    {
        freshCollection();
        const QString path = file("TB_link.db");
        const qint64 before = tabletest::countRecords(path);
        const auto target = liveTable("TB_link.db");
        Table source;
        source.setTableName(updateTable("TB_link.db", {{0, 1}, {500, 1}, {500, 2}}));
        source.open();
        Table::MoveCounts counts = engine::appendUpdate(*target, source);
        QCOMPARE(counts.appended, 2); // opinion 0 and regulation 1 were related already
        QCOMPARE(counts.updated, 1);
        counts = engine::appendUpdate(*target, source);
        QCOMPARE(counts.appended, 0);
        QCOMPARE(tabletest::countRecords(path), before + 2);
    }

    void importRefusesWhatIsNotOurTable_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("missing field") << 0;
        QTest::newRow("field not ours") << 1;
        QTest::newRow("other field type") << 2;
        QTest::newRow("other key") << 3;
        QTest::newRow("damaged") << 4;
        QTest::newRow("value that does not fit") << 5;
    }

    void importRefusesWhatIsNotOurTable()
    {
        QFETCH(int, kind);
        freshCollection();
        const QString path = file("TB_Arhiva.db");
        const QByteArray before = tabletest::digest(path);
        engine::TableStructure s = data::tableFile("TB_Arhiva.db").structure;
        QList<Value> record{3, 5, 0};
        if (kind <= 3) {
            s.indexes.clear();
        }
        switch (kind) {
        case 0:
            s.fields.removeLast();
            record.removeLast();
            break;
        case 1:
            s.fields.append({"VISAK", engine::FieldType::Text, 10});
            record.append("x");
            break;
        case 2:
            s.fields[2].type = engine::FieldType::Text;
            break;
        case 3:
            s.primaryKey = {"PRETHODI_MU"};
            break;
        default:
            break;
        }
        QList<QList<Value>> records{record};
        for (int i = 100; i < 400; ++i) {
            records.append(QList<Value>{i, i + 1000, 0}.mid(0, record.size()));
        }
        const QString update = updateTable("TB_Arhiva.db", records, &s);
        if (kind == 4) {
            tabletest::zeroPage(update, tabletest::rootPage(update, "nasledjuje"));
        } else if (kind == 5) {
            tabletest::execute(update, "UPDATE records SET PRETHODI_MU = 'pet' WHERE BROJ_ZAKONA = 3");
        }
        const auto target = liveTable("TB_Arhiva.db");
        Table source;
        source.setTableName(update);
        source.open();
        QVERIFY_THROWS_EXCEPTION(engine::Error, engine::appendUpdate(*target, source));
        target->close();
        QCOMPARE(tabletest::digest(path), before);
    }

    void importFromAFileOfAnotherPasswordDoesNotOpen()
    {
        freshCollection();
        Table source;
        source.setTableName(updateTable("TB_Arhiva.db", {{3, 5, 0}}, nullptr, "tudjalozinka"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, source.open());
    }
};

QTEST_GUILESS_MAIN(TestTableUtil)
#include "tst_tableutil.moc"
