// The demo collection: complete, consistent, deterministic, and readable through the engine.

#include "demo.h"
#include "error.h"
#include "plaintext.h"
#include "schema.h"
#include "scriptedprompter.h"
#include "session.h"
#include "sessionsetup.h"
#include "table.h"
#include "yuscii.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using engine::Table;

class TestDemo : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;

    // Every record of a table file, each as its fields' texts.
    QList<QList<QByteArray>> records(const char* file, const QString& folder = {})
    {
        Table t;
        t.setTableName(QDir(folder.isEmpty() ? m_folder : folder).filePath(QString::fromLatin1(file)));
        t.open();
        QList<QList<QByteArray>> out;
        for (t.first(); !t.eof(); t.next()) {
            QList<QByteArray> row;
            for (int i = 0; i < t.fieldCount(); ++i) {
                row.append(t.field(i).asString());
            }
            out.append(row);
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_folder = m_dir.filePath("Podatci");
        demo::generate(m_folder, {250, 3, 2});
        engine::session().addPassword(data::TablePassword);
    }

    void allTablesWithTheirStructure()
    {
        const QStringList files = QDir(m_folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 13);
        for (const data::TableFile& f : data::tableFiles()) {
            Table t;
            t.setTableName(QDir(m_folder).filePath(f.fileName));
            t.open();
            QCOMPARE(t.structure(), f.structure);
            QVERIFY2(t.recordCount() > 0, qPrintable(f.fileName));
        }
    }

    void deterministic()
    {
        QTemporaryDir again;
        demo::generate(again.path(), {250, 3, 2});
        for (const char* file : {"TB_Zakoni.db", "TB_Misljenja.db", "TB_link.db", "TB_grafika.db"}) {
            QCOMPARE(records(file, again.path()), records(file));
        }
        QTemporaryDir other;
        demo::generate(other.path(), {250, 4, 2});
        QVERIFY(records("TB_Zakoni.db", other.path()) != records("TB_Zakoni.db"));
    }

    void regulationsAndPublications()
    {
        const auto zakoni = records("TB_Zakoni.db");
        const auto brojevi = records("TB_Brojevi.db");
        QCOMPARE(zakoni.size(), 250);
        QCOMPARE(brojevi.size(), 250);
        int longNotes = 0;
        for (int i = 0; i < zakoni.size(); ++i) {
            const auto& z = zakoni[i];
            const auto& b = brojevi[i];
            QCOMPARE(z[0], b[0]);               // the regulation's key is its publication's
            QCOMPARE(z[10], b[5] + '/' + b[4]); // BG: issue/year, the year its last four characters
            QCOMPARE(z[10].right(4), b[4]);
            QVERIFY(z[11].startsWith("{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050{\\fonttbl{\\f0\\fnil\\fcharset238 "
                                     "YHelvetica;}{\\f1\\fnil\\fcharset0 CHelvetica;}}"));
            QVERIFY(z[11].contains("\\f0\\fs24 ") && z[12].contains("\\f1\\fs24 "));
            QVERIFY(z[11].contains("^lan 1\\par\r\n"));
            longNotes += z[8].size() > 200;
        }
        QVERIFY(longNotes > 5);
        QCOMPARE(zakoni[0][5], QByteArray(demo::FirstLawTitle));
        QCOMPARE(zakoni[0][10], QByteArray("12/2005"));
        QCOMPARE(zakoni[2][8].size(), 200);
        QCOMPARE(zakoni[3][8].size(), 201);
        QCOMPARE(zakoni[4][5], QByteArray(demo::ForestLawTitle));
        QVERIFY(zakoni[4][11].contains("O [UMAMA\\par"));                        // the title upper-cased the YUSCII way
        QVERIFY(zakoni[4][11].contains("\\{") && !zakoni[4][11].contains(" {")); // "{" (small {) escaped
        QVERIFY(zakoni[0][11].contains("ra~unovodstvene"));                      // Latin text, YUSCII letters
        QVERIFY(zakoni[0][11].contains("kwige") == false);
        QVERIFY(zakoni[0][12].contains("kwige") || zakoni[0][12].contains("qudskih") ||
                zakoni[0][12].contains("obavqa"));
    }

    void cyrillicAndEscapes()
    {
        QCOMPARE(demo::toCyrillic("Njegova ljubav, NJIVA, LJUBAV, d`ep, D`EP, D@EP"),
                 QByteArray("Wegova qubav, WIVA, QUBAV, xep, XEP, XEP"));
        QCOMPARE(demo::toCyrillic("ra~unovodstvo {uma"), QByteArray("ra~unovodstvo {uma"));
    }

    void gazettesAreasTypes()
    {
        const auto gazettes = records("TB_Glasnici.db");
        QCOMPARE(gazettes.size(), 10);
        QCOMPARE(gazettes[0], (QList<QByteArray>{"1", "Slu`beni glasnik Republike Srbije"}));
        QCOMPARE(gazettes[9], (QList<QByteArray>{"10", "Slu`beni list Autonomne Pokrajine Vojvodine"}));
        const auto areas = records("TB_Kategorije_Zakona.db");
        QCOMPARE(areas[0][1], QByteArray("Sve oblasti"));
        const auto types = records("TB_Tipovi_Zakona.db");
        QCOMPARE(types[0], (QList<QByteArray>{"0", "Sve"}));
        QSet<QByteArray> areaKeys;
        for (const auto& a : areas) {
            areaKeys.insert(a[0]);
        }
        for (const auto& z : records("TB_Zakoni.db")) {
            QVERIFY(areaKeys.contains(z[2]) && z[2] != "1");
            QVERIFY(z[3].toInt() >= 1 && z[3].toInt() < types.size());
        }
    }

    // Version links point both ways, 0 meaning none.
    void versionChains()
    {
        QMap<QByteArray, QList<QByteArray>> rows;
        for (const auto& r : records("TB_Arhiva.db")) {
            rows[r[0]] = r;
        }
        int linked = 0;
        for (const auto& r : rows) {
            if (r[1] != "0") {
                QCOMPARE(rows[r[1]][2], r[0]);
                ++linked;
            }
            if (r[2] != "0") {
                QCOMPARE(rows[r[2]][1], r[0]);
            }
        }
        QVERIFY(linked >= 6);
        QCOMPARE(rows["7"], (QList<QByteArray>{"7", "6", "8"}));
        QCOMPARE(rows["10"][1], QByteArray("0"));
        QCOMPARE(rows["14"][2], QByteArray("0"));
    }

    void opinionsAndRelations()
    {
        const auto opinions = records("TB_Misljenja.db");
        QCOMPARE(opinions.size(), 30);
        QCOMPARE(opinions[0][0], QByteArray("0"));
        QCOMPARE((QList<QByteArray>{opinions[0][5], opinions[0][6], opinions[0][7]}),
                 (QList<QByteArray>{"5", "3", "2004"}));
        QCOMPARE((QList<QByteArray>{opinions[3][5], opinions[3][6], opinions[3][7]}),
                 (QList<QByteArray>{"1", "1", "2001"}));
        for (int i = 0; i < opinions.size(); ++i) {
            QCOMPARE(opinions[i][0].toInt(), i); // the number is also the place in the table
            QVERIFY(QDate(opinions[i][7].toInt(), opinions[i][6].toInt(), opinions[i][5].toInt()).isValid());
        }
        const auto links = records("TB_link.db");
        QVERIFY(links.contains(QList<QByteArray>{"0", "1"}) && links.contains(QList<QByteArray>{"0", "2"}));
        int toFirst = 0;
        for (const auto& l : links) {
            QVERIFY(l[0].toInt() < opinions.size() && l[1].toInt() >= 1 && l[1].toInt() <= 250);
            toFirst += l[1] == "1";
        }
        QCOMPARE(toFirst, 3);

        // A relation names its opinion by number, which is its place in key order; the opinions'
        // own index (by ministry) must order them otherwise, or a relation read in that order
        // would pass unnoticed.
        Table byMinistry;
        byMinistry.setTableName(QDir(m_folder).filePath("TB_Misljenja.db"));
        byMinistry.setIndexName("drugi");
        byMinistry.open();
        QList<int> numbers;
        for (byMinistry.first(); !byMinistry.eof(); byMinistry.next()) {
            numbers.append(int(byMinistry.field(0).asInteger()));
        }
        QCOMPARE(numbers.size(), opinions.size());
        QVERIFY(!std::is_sorted(numbers.begin(), numbers.end()));

        // An opinion's Latin text is Latin: its heading is the whole title in capitals, and no code
        // that only the Cyrillic text has (w, q, x for nj, lj, d`) stands in it.
        for (const auto& o : opinions) {
            const QByteArray latin = richtext::plainText(o[3]);
            const QByteArray title = o[2];
            QVERIFY2(latin.startsWith("MI[LJENJE\n" + yuscii::yupperW(title.mid(10)) + '\n'),
                     latin.left(80).constData());
            for (const char c : QByteArray("wqxWQX")) {
                QVERIFY2(!latin.contains(c), latin.constData());
            }
            QVERIFY(
                richtext::plainText(o[4]).startsWith("MI[QEWE\n" + demo::toCyrillic(yuscii::yupperW(title.mid(10)))));
        }

        QTemporaryDir more;
        demo::generate(more.path(), {20, 1, 0, 75});
        QCOMPARE(records("TB_Misljenja.db", more.path()).size(), 75);
    }

    void contracts()
    {
        const auto models = records("TB_Ugovori.db");
        QSet<QByteArray> parties;
        for (const auto& m : models) {
            parties.insert(m[3]);
            for (const char* p : {"<ugov1>", "<nazivugs1>", "<ugov2>", "<nazivugs2>", "<datumug>", "<mestoug>"}) {
                QVERIFY2(m[1].contains(p), p);
            }
            QCOMPARE(m[1].contains("<ugov3>"), m[3] == "3");
            QCOMPARE(m[1].contains("<nazivugs3>"), m[3] == "3");
        }
        QCOMPARE(parties, (QSet<QByteArray>{"2", "3"}));
        QVERIFY(records("TB_Korisnicki.db").size() >= 2);
    }

    void pictures()
    {
        Table t;
        t.setTableName(QDir(m_folder).filePath("TB_grafika.db"));
        t.open();
        t.setFiltered(true);
        t.setFilter("ID_ZAKONA='1'");
        QVERIFY(t.fieldByName("S1").isNull());
        QImage image;
        QVERIFY(image.loadFromData(t.fieldByName("S5").asBytes(), "PNG"));
        QVERIFY(image.width() > 0);
        t.setFilter("ID_ZAKONA='2'");
        for (int i = 1; i <= 33; ++i) {
            QVERIFY(!t.field(i).isNull());
        }
        QCOMPARE(records("TB_Datumi.db").size(), 250);
    }

    void commandLine()
    {
        const QString program = QDir(testsupport::binFolder()).filePath("korvelin-demo");
        QCOMPARE(QProcess::execute(program, {}), 2);
        QCOMPARE(QProcess::execute(program, {m_dir.filePath("x"), "--regulations", "zero"}), 2);
        QCOMPARE(
            QProcess::execute(program, {m_dir.filePath("cli"), "--regulations", "40", "--seed", "9", "--text-kb", "1"}),
            0);
        QCOMPARE(records("TB_Zakoni.db", m_dir.filePath("cli")).size(), 40);
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
