// Installing extracted update archives into a live collection through its table objects: what
// is appended and updated, what is never touched, and what a failing row leaves behind.

#include "demo.h"
#include "error.h"
#include "install.h"
#include "schema.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tablefile.h"
#include "tables.h"
#include "tableutil.h"
#include "usermessages.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using engine::Table;

class TestInstall : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<data::MainTables> m_tables;
    std::unique_ptr<Table> m_attachments;
    QByteArrayList m_newest;
    bool m_newestCalled = false;
    QString m_rebuildFails; // the live table whose rebuild fails

    QString data() const { return m_dir->filePath("Podatci"); }
    QString extraction() const { return m_dir->filePath("update"); }
    QString live(const char* file) const { return QDir(data()).filePath(QLatin1String(file)); }

    QMap<QString, QByteArray> digests() const
    {
        QMap<QString, QByteArray> out;
        for (const data::TableFile& f : data::tableFiles()) {
            out[f.fileName] = tabletest::digest(QDir(data()).filePath(f.fileName));
        }
        return out;
    }

    updates::InstallResult install()
    {
        updates::InstallSteps steps;
        steps.target = [this](const updates::ImportRow& row) {
            return updates::targetAmong(*m_tables, *m_attachments, row);
        };
        steps.rebuild = [this](Table& t) {
            return QFileInfo(t.filePath()).fileName() != m_rebuildFails &&
                   engine::rebuildTableFile(t.filePath()).rebuilt;
        };
        steps.newest = [this](Table& regulations) {
            m_newestCalled = true;
            m_newest = updates::newestTitles(regulations);
        };
        return updates::installTables(extraction(), steps);
    }

    // A copy of a live table in the extraction folder, under `name`, changed by `sql`.
    void archivedCopy(const char* file, const QString& name, const QByteArray& sql)
    {
        const QString path = QDir(extraction()).filePath(name);
        QFile::remove(path);
        QVERIFY(QFile::copy(live(file), path));
        tabletest::execute(path, sql);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        demo::generate(data(), {60, 5, 1});
        data::setUpSession(m_dir->path());
        m_tables = std::make_unique<data::MainTables>();
        m_tables->openAll();
        m_attachments = std::make_unique<Table>();
        m_attachments->setObjectName("Table1");
        m_attachments->setDatabaseName(data::DatabaseAlias);
        m_attachments->setTableName("TB_grafika.DB");
        m_attachments->open();
        m_newest.clear();
        m_newestCalled = false;
        m_rebuildFails.clear();
        QVERIFY(QDir().mkpath(extraction()));
    }

    void cleanup()
    {
        m_attachments.reset();
        m_tables.reset();
        m_dir.reset();
    }

    void validityFilesGoEvenTheUserContractsOne()
    {
        for (const char* name : {"TB_Zakoni.VAL", "tb_korisnicki.val", "TB_Datumi.VAL", "TB_Grafika.VAL"}) {
            QFile f(QDir(data()).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        updates::removeValidityFiles(data());
        QCOMPARE(QDir(data()).entryList({"*.VAL", "*.val"}, QDir::Files), QStringList());
        QCOMPARE(updates::validityTables().size(), 13);
        QVERIFY(updates::validityTables().contains(QByteArray("TB_Korisnicki")));
        for (const updates::ImportRow& row : updates::importList()) {
            QVERIFY(QByteArray(row.file).compare("TB_Korisnicki.db", Qt::CaseInsensitive) != 0);
        }
    }

    void updatesInstallInTheirOrderAndOnlyOnce()
    {
        const QMap<QString, QByteArray> before = digests();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        updates::InstallResult r = install();
        QVERIFY2(r.ok(), qPrintable(r.failure));
        QStringList installed;
        for (const QString& f : r.installed) {
            installed << QFileInfo(f).fileName();
        }
        QCOMPARE(installed, (QStringList{"TB_Datumi.DB", "TB_Grafika.DB", "TB_Zakoni.DB", "tb_arhiva.db",
                                         "tb_brojevi.db", "TB_link.db", "TB_Misljenja.DB"}));
        for (const char* file : {"TB_Zakoni.db", "TB_Brojevi.db", "TB_Arhiva.db", "TB_Datumi.db"}) {
            QCOMPARE(tabletest::countRecords(live(file)), 65);
            QCOMPARE(engine::verifyTableFile(live(file)).level, 0);
            QVERIFY(QFile::exists(engine::rebuildFiles(live(file)).backup));
        }
        // The user's contracts and the tables the update did not carry are as they were.
        const QMap<QString, QByteArray> after = digests();
        for (const char* same : {"TB_Korisnicki.db", "TB_Glasnici.db", "TB_Ugovori.db", "TB_Tipovi_Zakona.db",
                                 "TB_Kategorije_Zakona.db", "TB_Ministarstva.db"}) {
            QCOMPARE(after[same], before[same]);
        }
        // The newest list: the update's regulations, changed and new, in its order.
        QCOMPARE(m_newest.size(), 13);
        QVERIFY(m_newest.last().endsWith("(65)"));

        // The first new regulation supersedes a changed one, and the changed one says so.
        Table versions;
        versions.setDatabaseName(data::DatabaseAlias);
        versions.setTableName("TB_Arhiva.db");
        versions.setFilter("BROJ_ZAKONA='61'");
        versions.setFiltered(true);
        versions.open();
        const qint64 older = versions.field(1).asInteger();
        QVERIFY(older >= 20 && older <= 60);
        versions.setFilter("BROJ_ZAKONA='" + QByteArray::number(older) + "'");
        QCOMPARE(versions.field(2).asInteger(), 61);
        versions.close();

        // The table objects read the installed collection.
        m_tables->Glavna.setFilter({});
        QCOMPARE(m_tables->Glavna.recordCount(), 65);

        // The same archive again changes nothing.
        const QMap<QString, QByteArray> once = digests();
        r = install();
        QVERIFY2(r.ok(), qPrintable(r.failure));
        QCOMPARE(digests(), once);

        // The next archive goes on from there.
        QDir(extraction()).removeRecursively();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 2);
        r = install();
        QVERIFY2(r.ok(), qPrintable(r.failure));
        QCOMPARE(tabletest::countRecords(live("TB_Zakoni.db")), 70);
        QCOMPARE(m_tables->Glavna.recordCount(), 70);
    }

    void archiveWithNoneOfTheTwelveChangesNothing()
    {
        const QMap<QString, QByteArray> before = digests();
        archivedCopy("TB_Korisnicki.db", "TB_Korisnicki.db", "UPDATE records SET NAZIV_UG = 'tudji'");
        QFile readme(QDir(extraction()).filePath("readme.txt"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.write("nothing to install");
        readme.close();
        const updates::InstallResult r = install();
        QVERIFY(r.ok());
        QVERIFY(r.installed.isEmpty());
        QVERIFY(!m_newestCalled);
        QCOMPARE(digests(), before);
    }

    void failureInTheFifthRowStopsThere()
    {
        const QMap<QString, QByteArray> before = digests();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        archivedCopy("TB_Glasnici.db", "TB_Glasnici.DB", "UPDATE records SET Naziv_glasnika = 'Novi naziv'");
        archivedCopy("TB_Ugovori.db", "TB_Ugovori.db", "UPDATE records SET BROJ_STRANA = 9");
        // Row five is a table of somebody else's, under another password.
        const QString foreign = QDir(extraction()).filePath("tb_brojevi.db");
        QFile::remove(foreign);
        engine::TableFileWriter writer(foreign, data::tableFile("TB_Brojevi.db").structure, "drugalozinka");
        writer.append({1000, 1, "01", "01", "2020", "1"});
        writer.commit();

        const updates::InstallResult r = install();
        QVERIFY(r.importFailed);
        QVERIFY(!r.failure.isEmpty());
        QCOMPARE(r.installed.size(), 4);
        // The user is told which table failed: the archive's, not one of the collection.
        QVERIFY(r.error.has_value());
        QCOMPARE(QFileInfo(r.error->file()).fileName(), QStringLiteral("tb_brojevi.db"));
        const QByteArray message = updates::installFailureMessage(*r.error, extraction());
        QVERIFY2(message.startsWith("Azuriranje nije uspelo\r\nTabela tb_brojevi.db iz arhive "), message.constData());
        QVERIFY(!message.mid(24).contains("\r\n"));
        const QMap<QString, QByteArray> after = digests();
        for (const char* changed : {"TB_Datumi.db", "TB_grafika.db", "TB_Zakoni.db", "TB_Arhiva.db"}) {
            QVERIFY2(after[changed] != before[changed], changed);
        }
        for (const char* same : {"TB_Brojevi.db", "TB_Glasnici.db", "TB_link.db", "TB_Misljenja.db", "TB_Ugovori.db",
                                 "TB_Korisnicki.db", "TB_Ministarstva.db", "TB_Tipovi_Zakona.db"}) {
            QVERIFY2(after[same] == before[same], same);
        }
        QCOMPARE(m_newest.size(), 13); // the regulations came before the failure
    }

    // A table that cannot be rebuilt after its import stops the install there, as any failure:
    // the archive is installed again as a whole.
    void failedRebuildStopsTheInstall()
    {
        const QMap<QString, QByteArray> before = digests();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        m_rebuildFails = "TB_Zakoni.db";
        updates::InstallResult r = install();
        QVERIFY(r.rebuildFailed && !r.importFailed && !r.ok());
        QCOMPARE(r.installed.size(), 3);
        QVERIFY(!m_newestCalled);
        const QMap<QString, QByteArray> after = digests();
        QVERIFY(after["TB_Zakoni.db"] != before["TB_Zakoni.db"]); // imported, not rebuilt
        for (const char* same : {"TB_Arhiva.db", "TB_Brojevi.db", "TB_link.db", "TB_Misljenja.db"}) {
            QVERIFY2(after[same] == before[same], same);
        }
        // Installed again whole, it gives what one install gives.
        m_rebuildFails.clear();
        r = install();
        QVERIFY(r.ok());
        const QMap<QString, QByteArray> again = digests();
        cleanup(); // a fresh collection, installed once
        init();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        QVERIFY(install().ok());
        QCOMPARE(digests(), again);
    }

    // A failure of a collection's table is told as every engine failure is; one of an archived
    // table as what the archive brought.
    void failureMessages()
    {
        const engine::Error live(engine::Error::Kind::DiskFull, QDir(data()).filePath("TB_Zakoni.db"), "disk full");
        QCOMPARE(updates::installFailureMessage(live, extraction()),
                 "Azuriranje nije uspelo\r\n" + data::userMessage(live));
        const engine::Error archived(engine::Error::Kind::Damaged, QDir(extraction()).filePath("TB_Zakoni.DB"), "bad");
        QCOMPARE(updates::installFailureMessage(archived, extraction() + "/"),
                 QByteArray("Azuriranje nije uspelo\r\nTabela TB_Zakoni.DB iz arhive je o{te}ena."));
    }

    void tableThatIsNotOursFailsItsRow_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("missing field") << 0;
        QTest::newRow("damaged") << 1;
        QTest::newRow("no table at all") << 2;
    }

    void tableThatIsNotOursFailsItsRow()
    {
        QFETCH(int, kind);
        const QMap<QString, QByteArray> before = digests();
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        const QString zakoni = QDir(extraction()).filePath("TB_Zakoni.DB");
        if (kind == 0) {
            QFile::remove(zakoni);
            engine::TableStructure s = data::tableFile("TB_Zakoni.db").structure;
            s.fields.removeLast(); // no Cyrillic text: an update would empty it
            engine::TableFileWriter writer(zakoni, s, data::TablePassword);
            writer.append({1, 1, 2, 1, "P-1", "Zakon bez ~irilice"});
            writer.commit();
        } else if (kind == 1) {
            tabletest::zeroPage(zakoni, tabletest::leafPages(zakoni, "records").first());
        } else {
            QFile::remove(zakoni);
            QFile f(zakoni);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, 'x'));
        }
        const updates::InstallResult r = install();
        QVERIFY(r.importFailed);
        QCOMPARE(r.installed.size(), 2); // the dates and the pictures came first
        const QMap<QString, QByteArray> after = digests();
        for (const char* same : {"TB_Zakoni.db", "TB_Arhiva.db", "TB_Brojevi.db", "TB_link.db", "TB_Misljenja.db"}) {
            QVERIFY2(after[same] == before[same], same);
        }
        QVERIFY(!m_newestCalled);
    }

    // The opinions are imported in key order and listed by ministry again afterwards, also when
    // their row fails.
    void opinionsGetTheirOrderBack()
    {
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        updates::InstallResult r = install();
        QVERIFY(r.ok());
        QCOMPARE(m_tables->misljenja.indexName(), QByteArray("drugi"));
        tabletest::zeroPage(QDir(extraction()).filePath("TB_Misljenja.DB"),
                            tabletest::leafPages(QDir(extraction()).filePath("TB_Misljenja.DB"), "records").first());
        r = install();
        QVERIFY(r.importFailed);
        QCOMPARE(m_tables->misljenja.indexName(), QByteArray("drugi"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
