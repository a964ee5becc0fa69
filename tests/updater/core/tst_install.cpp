// Installing extracted update archives into a live collection through its table objects: what
// is appended and updated, what is never touched, and what a failing row leaves behind.

#include "demo.h"
#include "diskfiles.h"
#include "error.h"
#include "failuremessages.h"
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
using testsupport::bytesOf;

namespace {

} // namespace

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

    // Of every table but `except`.
    QMap<QString, QByteArray> digests(const QString& except = {}) const
    {
        QMap<QString, QByteArray> out;
        for (const data::TableFile& f : data::tableFiles()) {
            if (f.fileName != except) {
                out[f.fileName] = tabletest::digest(QDir(data()).filePath(f.fileName));
            }
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

    // A table of the collection that fails in the fifth row: the rows before it stay installed,
    // the rest are not touched, and the user is told of the collection's table.
    void failureInTheFifthRowStopsThere()
    {
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        archivedCopy("TB_Glasnici.db", "TB_Glasnici.DB", "UPDATE records SET Naziv_glasnika = 'Novi naziv'");
        archivedCopy("TB_Ugovori.db", "TB_Ugovori.db", "UPDATE records SET BROJ_STRANA = 9");
        // Row five's live table is no table any more (the program started with it so).
        m_tables.reset();
        QVERIFY(QFile::remove(live("TB_Brojevi.db")));
        QFile garbage(live("TB_Brojevi.db"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray("no table ").repeated(1000));
        garbage.close();
        m_tables = std::make_unique<data::MainTables>();
        QVERIFY(!m_tables->openEach().isEmpty());
        const QMap<QString, QByteArray> before = digests("TB_Brojevi.db");

        const updates::InstallResult r = install();
        QVERIFY(r.importFailed && !r.archiveFault);
        QVERIFY(!r.failure.isEmpty());
        QCOMPARE(r.installed.size(), 4);
        QVERIFY(r.error.has_value());
        QVERIFY2(r.error->kind() == engine::Error::Kind::NotATable, qPrintable(r.error->message()));
        QCOMPARE(r.error->file(), live("TB_Brojevi.db"));
        const QByteArray message = updates::installFailureMessage(*r.error);
        QCOMPARE(message, "Azuriranje nije uspelo\r\n" + data::userMessage(*r.error));
        QVERIFY(message.contains("TB_Brojevi.db"));
        const QMap<QString, QByteArray> after = digests("TB_Brojevi.db");
        for (const char* changed : {"TB_Datumi.db", "TB_grafika.db", "TB_Zakoni.db", "TB_Arhiva.db"}) {
            QVERIFY2(after[changed] != before[changed], changed);
        }
        for (const char* same : {"TB_Glasnici.db", "TB_link.db", "TB_Misljenja.db", "TB_Ugovori.db", "TB_Korisnicki.db",
                                 "TB_Ministarstva.db", "TB_Tipovi_Zakona.db"}) {
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
    // table names the archive and its table, and says the archive is offered again.
    void failureMessages()
    {
        const engine::Error live(engine::Error::Kind::DiskFull, QDir(data()).filePath("TB_Zakoni.db"), "disk full");
        QCOMPARE(updates::installFailureMessage(live), "Azuriranje nije uspelo\r\n" + data::userMessage(live));
        const engine::Error archived(engine::Error::Kind::Damaged, QDir(extraction()).filePath("TB_Zakoni.DB"), "bad");
        QCOMPARE(updates::faultyArchiveTableMessage("001.zip", archived, true),
                 QByteArray("Azuriranje nije uspelo\r\nArhiva 001.zip je neispravna: tabela TB_Zakoni.DB u njoj je "
                            "o{te}ena ili nepotpuna.\r\nBaza podataka programa nije menjana. Arhiva }e biti ponovo "
                            "ponu|ena pri slede}em a`uriranju."));
        const engine::Error fields(engine::Error::Kind::Fields, QDir(extraction()).filePath("TB_Zakoni.DB"), "fields",
                                   "Naziv");
        QCOMPARE(updates::faultyArchiveTableMessage("002.zip", fields, false),
                 QByteArray("Azuriranje nije uspelo\r\nArhiva 002.zip je neispravna: tabela TB_Zakoni.DB u njoj nema "
                            "polja kakva program o~ekuje (polje Naziv).\r\nArhiva }e biti ponovo ponu|ena pri "
                            "slede}em a`uriranju."));
    }

    // A table the archive brought that is not sound, or not of its live table's kind, refuses the
    // whole archive before any table of the collection is touched: every live file stays byte for
    // byte, and the failure names the archived table, not the collection's.
    void faultyArchiveTableChangesNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing field") << "missing" << int(engine::Error::Kind::Fields);
        QTest::newRow("renamed field") << "renamed" << int(engine::Error::Kind::Fields);
        QTest::newRow("damaged pages") << "damaged" << int(engine::Error::Kind::Damaged);
        QTest::newRow("cut short") << "cut" << int(engine::Error::Kind::Damaged);
        QTest::newRow("no table at all") << "garbage" << int(engine::Error::Kind::NotATable);
        QTest::newRow("another password") << "password" << int(engine::Error::Kind::Password);
    }

    void faultyArchiveTableChangesNothing()
    {
        QFETCH(QString, fault);
        QFETCH(int, kind);
        demo::writeUpdateTables(data(), extraction(), {1, 1, 8, 5, 3, 1}, 1);
        // The regulations come third: the dates and the pictures before them are sound.
        const QString zakoni = QDir(extraction()).filePath("TB_Zakoni.DB");
        const engine::TableStructure structure = data::tableFile("TB_Zakoni.db").structure;
        const auto rewrite = [&](const engine::TableStructure& s, const QByteArray& password) {
            QFile::remove(zakoni);
            engine::TableFileWriter writer(zakoni, s, password);
            QList<engine::Value> record;
            for (const engine::FieldDef& f : s.fields) {
                record.append(f.type == engine::FieldType::Integer ? engine::Value(1) : engine::Value("Zakon"));
            }
            writer.append(record);
            writer.commit();
        };
        if (fault == "missing") {
            engine::TableStructure s = structure;
            s.fields.removeLast();
            rewrite(s, data::TablePassword);
        } else if (fault == "renamed") {
            engine::TableStructure s = structure;
            s.fields[5].name = "Naslov";
            s.indexes.removeIf([](const engine::IndexDef& i) { return i.fields.contains("Naziv_zakona"); });
            rewrite(s, data::TablePassword);
        } else if (fault == "damaged") {
            tabletest::zeroPage(zakoni, tabletest::leafPages(zakoni, "records").first());
        } else if (fault == "cut") {
            QFile f(zakoni);
            QVERIFY(f.resize(f.size() * 2 / 3));
        } else if (fault == "garbage") {
            QFile::remove(zakoni);
            QFile f(zakoni);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, 'x'));
        } else {
            rewrite(structure, "drugalozinka");
        }
        QMap<QString, QByteArray> before;
        for (const QString& name : QDir(data()).entryList(QDir::Files)) {
            before[name] = bytesOf(QDir(data()).filePath(name));
        }

        const updates::InstallResult r = install();
        QVERIFY(r.importFailed && r.archiveFault);
        QVERIFY(r.installed.isEmpty());
        QVERIFY(!m_newestCalled);
        QVERIFY(r.error.has_value());
        QCOMPARE(int(r.error->kind()), kind);
        QCOMPARE(QFileInfo(r.error->file()).fileName(), QStringLiteral("TB_Zakoni.DB"));
        QCOMPARE(QFileInfo(r.error->file()).absolutePath(), QFileInfo(zakoni).absolutePath());
        if (kind == int(engine::Error::Kind::Fields)) {
            QCOMPARE(r.error->field(), fault == "missing" ? structure.fields.last().name : QByteArray("Naziv_zakona"));
        }
        QMap<QString, QByteArray> after;
        for (const QString& name : QDir(data()).entryList(QDir::Files)) {
            after[name] = bytesOf(QDir(data()).filePath(name));
        }
        QCOMPARE(after.keys(), before.keys());
        for (const QString& name : before.keys()) {
            QVERIFY2(after[name] == before[name], qPrintable(name));
        }
        const QByteArray message = updates::faultyArchiveTableMessage("001.zip", *r.error, r.installed.isEmpty());
        QVERIFY2(message.contains("Arhiva 001.zip je neispravna") && message.contains("TB_Zakoni.DB"),
                 message.constData());
        QVERIFY(!message.contains("Popravka"));
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
