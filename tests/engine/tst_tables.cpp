// The collection's table objects over a demo collection: their links, orders, case options and
// the lookups the windows make.

#include "demo.h"
#include "error.h"
#include "filter.h"
#include "lookup.h"
#include "schema.h"
#include "session.h"
#include "sessionsetup.h"
#include "tables.h"

#include <memory>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using engine::quoted;
using engine::Table;

class TestTables : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<data::MainTables> m;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        demo::generate(QDir(m_dir.path()).filePath("Podatci"), {300, 7, 1});
        data::setUpSession(m_dir.path());
        data::setUpSession(m_dir.path()); // again: the alias is replaced, not doubled
        m = std::make_unique<data::MainTables>();
        m->openAll();
    }

    void cleanupTestCase() { m.reset(); }

    void openingOrderAndOptions() {
        const QList<Table*> order = m->openingOrder();
        QStringList names;
        for (Table* t : order) {
            names << t->objectName();
            QVERIFY(t->isActive());
        }
        QCOMPARE(names.join(' '),
                 QStringLiteral("Glavna Glasnici Zakoni lookbrojevi lookglasnici lookzakoni vrstezakona "
                                "oblasti arhiva ugovori KorisnickiUgovori misljenja ministarstva Table1 link"));
        QVERIFY(m->Zakoni.caseInsensitive());
        QVERIFY(!m->Table1.caseInsensitive());
        QVERIFY(!m->link.caseInsensitive());
        QVERIFY(m->Zakoni.readOnly());
        QVERIFY(!m->KorisnickiUgovori.readOnly());
        QVERIFY(!m->Glasnici.filtered());
        QCOMPARE(m->misljenja.indexName(), QByteArray("drugi"));
        QCOMPARE(m->Glavna.recordCount(), 300);
    }

    // Positions the windows read: 0 key, 5 title, 8 note, 10 number/year.
    void regulationPositions() {
        const engine::TableStructure s = m->Zakoni.structure();
        QCOMPARE(s.fields[0].name, QByteArray("ID_ZAKONA"));
        QCOMPARE(s.fields[5].name, QByteArray("Naziv_zakona"));
        QCOMPARE(s.fields[8].name, QByteArray("Napomena"));
        QCOMPARE(s.fields[10].name, QByteArray("BG"));
        QCOMPARE(s, data::tableFile("tb_zakoni.DB").structure);
        for (const char* name : {"ID_BROJA", "ID_KATEGORIJE_ZAKONA", "ID_TIPA_ZAKONA", "Latinica", "Cirilica"}) {
            QVERIFY2(s.indexOf(name) >= 0, name);
        }
    }

    // Glavna -> Zakoni -> arhiva and Table1 follow every move.
    void publicationChain() {
        m->Glavna.setFilter("ID_BROJA=" + quoted("7"));
        QCOMPARE(m->Zakoni.recordCount(), 1);
        QCOMPARE(m->Zakoni.field(0).asString(), QByteArray("7"));
        QCOMPARE(m->Zakoni.field(5).asString(), QByteArray("Zakon o radu"));
        QCOMPARE(m->arhiva.field(1).asInteger(), 6);
        QCOMPARE(m->arhiva.field(2).asInteger(), 8);
        QCOMPARE(m->Table1.field(0).asInteger(), 7);
        m->Glavna.setFilter({});
        QSignalSpy spy(&m->arhiva, &Table::currentChanged);
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(m->Zakoni.field(0).asInteger(), m->Glavna.field(0).asInteger());
            QCOMPARE(m->arhiva.field(0).asInteger(), m->Glavna.field(0).asInteger());
            m->Glavna.next();
        }
        QVERIFY(spy.count() >= 19);
        m->Glavna.setFilter("ID_BROJA='999999'");
        QVERIFY(m->Zakoni.isEmpty());
        QVERIFY(m->arhiva.isEmpty());
        QCOMPARE(m->arhiva.field(2).asInteger(), 0); // a missing version row reads 0
        m->Glavna.setFilter({});
    }

    // Glasnici shows every gazette until its master field is set, then the publication's own.
    void gazetteFollowsOnceLinked() {
        QCOMPARE(m->Glasnici.recordCount(), 10);
        m->Glasnici.setMasterFields("ID_GLASNIKA");
        m->Glavna.setFilter("ID_BROJA='1'");
        QCOMPARE(m->Glasnici.recordCount(), 1);
        QCOMPARE(m->Glasnici.field(1).asString(), QByteArray("Slu`beni glasnik Republike Srbije"));
        // Taking the master source off and a filter by name, as the gazette browser does.
        m->Glasnici.setMasterSource(nullptr);
        m->Glasnici.setFiltered(true);
        m->Glasnici.setFilter("naziv_glasnika=" + quoted("Slu`beni list Crne Gore"));
        QCOMPARE(m->Glasnici.fieldByName("id_glasnika").asString(), QByteArray("9"));
        m->Glasnici.setMasterSource(&m->Glavna);
        QCOMPARE(m->Glasnici.recordCount(), 0); // the name filter stays and excludes gazette 1
        m->Glasnici.setFilter({});
        m->Glasnici.setFiltered(false);
        m->Glasnici.setMasterFields({});
        m->Glavna.setFilter({});
    }

    // The citation lookup: a title filter on lookzakoni carries its publication and gazette.
    void citationChain() {
        m->lookzakoni.setFilter("Naziv_zakona= " + quoted(demo::FirstLawTitle));
        QCOMPARE(m->lookzakoni.field(10).asString(), QByteArray("12/2005"));
        QCOMPARE(m->lookbrojevi.fieldByName("broj").asString(), QByteArray("12"));
        QCOMPARE(m->lookglasnici.field(1).asString(), QByteArray("Slu`beni glasnik Republike Srbije"));
        m->lookzakoni.setFilter("Naziv_zakona= " + quoted("nema takvog propisa"));
        QCOMPARE(m->lookglasnici.field(1).asString(), QByteArray());
        m->lookzakoni.setFilter("ID_ZAKONA= " + quoted(QByteArray::number(demo::landmark::ApostropheTitle)));
        QCOMPARE(m->lookzakoni.field(5).asString(), QByteArray(demo::ApostropheLawTitle));
        m->lookzakoni.setFilter({});
    }

    // Main-window objects compare text without regard to case; the selection list's do not.
    void caseOption() {
        data::SelectionTables sel;
        sel.openAll();
        const QByteArray lower = "Naziv_zakona= " + quoted("zakon o ra~unovodstvu");
        m->Zakoni.setMasterFields({});
        m->Zakoni.setFilter(lower);
        QCOMPARE(m->Zakoni.recordCount(), 1);
        sel.selzakoni.setFilter(lower);
        QCOMPARE(sel.selzakoni.recordCount(), 0);
        sel.selzakoni.setFilter("Naziv_zakona= " + quoted(demo::FirstLawTitle));
        QCOMPARE(sel.selzakoni.recordCount(), 1);
        QCOMPARE(sel.selbrojevi.fieldByName("GODINA_stampanja").asString(), QByteArray("2005"));
        QCOMPARE(sel.selglasnici.field(1).asString(), QByteArray("Slu`beni glasnik Republike Srbije"));
        // YUSCII letters are not folded: "[" (capital) does not find "{".
        m->Zakoni.setFilter("Naziv_zakona= " + quoted("ZAKON O [UMAMA"));
        QCOMPARE(m->Zakoni.recordCount(), 0);
        m->Zakoni.setFilter("Naziv_zakona= " + quoted("ZAKON O {UMAMA"));
        QCOMPARE(m->Zakoni.recordCount(), 1);
        // A title with an apostrophe, and the keyword right after the closing quote.
        m->Zakoni.setFilter("Naziv_zakona= " + quoted(demo::ApostropheLawTitle) + "AND BG= " + quoted("3/2006"));
        QCOMPARE(m->Zakoni.field(0).asInteger(), demo::landmark::ApostropheTitle);
        m->Zakoni.setFilter({});
        m->Zakoni.setMasterFields("ID_BROJA");
    }

    void noteRule() {
        m->Zakoni.setMasterFields({});
        m->Zakoni.setFilter("ID_ZAKONA='3'");
        QCOMPARE(m->Zakoni.field(8).asString().size(), 200);
        QVERIFY(!data::hasAdditionalInfo(m->Zakoni.field(8).asString()));
        m->Zakoni.setFilter("ID_ZAKONA='4'");
        QCOMPARE(m->Zakoni.field(8).asString().size(), 201);
        QVERIFY(data::hasAdditionalInfo(m->Zakoni.field(8).asString()));
        m->Zakoni.setFilter({});
        m->Zakoni.setMasterFields("ID_BROJA");
    }

    // The archive search's filter and the version chain of three.
    void versionFilter() {
        m->arhiva.setMasterFields({});
        m->arhiva.setFilter("BROJ_ZAKONA = '7' OR PRETHODI_MU= '7' OR NASLEDJUJE_GA= '7'");
        QList<qint64> keys;
        for (m->arhiva.first(); !m->arhiva.eof(); m->arhiva.next()) {
            keys << m->arhiva.field(0).asInteger();
        }
        QCOMPARE(keys, (QList<qint64>{6, 7, 8}));
        // Zakoni as a detail of arhiva, following on its index as the archive tab links it.
        m->Zakoni.setMasterSource(&m->arhiva);
        m->Zakoni.setMasterFields("BROJ_ZAKONA");
        m->arhiva.first();
        m->arhiva.next();
        QCOMPARE(m->Zakoni.field(0).asInteger(), 7);
        QCOMPARE(m->Zakoni.field(5).asString(), QByteArray("Zakon o radu"));
        m->Zakoni.setMasterSource(&m->Glavna);
        m->Zakoni.setMasterFields("ID_BROJA");
        m->arhiva.setFilter({});
        m->arhiva.setMasterFields("ID_BROJA");
    }

    // The viewer's lookup on Zakoni: after it, moving Glavna shows the new publication's
    // regulation again, also when the lookup failed half-way.
    void lookupAndRestore() {
        m->Glavna.first();
        for (bool fail : {false, true}) {
            try {
                engine::LinkLookup lookup{&m->Zakoni};
                engine::LinkLookup::unlink(m->Zakoni, true);
                m->Zakoni.setFilter("Naziv_zakona= " + quoted("Zakon o radu"));
                QCOMPARE(m->Zakoni.recordCount(), 3);
                if (fail) {
                    m->Zakoni.fieldByName("nema_polja");
                }
            } catch (const engine::Error&) {
                QVERIFY(fail);
            }
            QCOMPARE(m->Zakoni.masterFields(), QByteArray("ID_BROJA"));
            QCOMPARE(m->Zakoni.indexFieldNames(), QByteArray("ID_ZAKONA"));
            QCOMPARE(m->Zakoni.filter(), QByteArray());
            m->Glavna.moveBy(4);
            QCOMPARE(m->Zakoni.field(0).asInteger(), m->Glavna.field(0).asInteger());
        }
    }

    // Opinions: the date filter with quoted numbers, the ministry link and the named index.
    void opinions() {
        m->misljenja.setMasterFields({});
        m->misljenja.setFilter("NAZIV_MISLJENJA= " + quoted("x") + " AND DAN='05' AND MESEC='03' AND GODINA='2004'");
        QCOMPARE(m->misljenja.recordCount(), 0);
        m->misljenja.setFilter("DAN='05' AND MESEC='03' AND GODINA='2004'");
        QVERIFY(m->misljenja.recordCount() >= 1);
        QCOMPARE(m->misljenja.field(5).asString(), QByteArray("5"));
        QCOMPARE(m->misljenja.field(7).asString(), QByteArray("2004"));
        m->misljenja.setFilter("DAN>= '1' AND MESEC>='1' AND GODINA>= '1950' AND DAN<= '31' AND MESEC<='12' AND "
                               "GODINA<= '2020'");
        const int all = m->misljenja.recordCount();
        QCOMPARE(all, 30);
        m->misljenja.setFilter({});
        double ministry = 0;
        for (m->misljenja.first(); !m->misljenja.eof(); m->misljenja.next()) {
            QVERIFY(m->misljenja.field(1).asFloat() >= ministry);
            ministry = m->misljenja.field(1).asFloat();
        }
        m->misljenja.setMasterFields("MINISTARSTVO");
        m->ministarstva.setFilter("IME_MINISTARSTVA= " + quoted("ministarstvo finansija"));
        QVERIFY(m->misljenja.recordCount() > 0 && m->misljenja.recordCount() < all);
        QCOMPARE(m->misljenja.field(1).asInteger(), 1);
        m->ministarstva.setFilter({});
        m->misljenja.setMasterFields({});
    }

    // The user's contracts are the one table the main window writes.
    void userContracts() {
        Table& k = m->KorisnickiUgovori;
        const int before = k.recordCount();
        k.setFiltered(true);
        k.setFilter("NAZIV_UG=" + quoted("Korisnicki Ugovor o delu"));
        QCOMPARE(k.recordCount(), 1);
        k.setFiltered(false);
        k.setFilter({});
        k.append();
        k.field(0).setAsString("Korisnicki Ugovor o delu (01/02/2019)");
        k.field(1).setAsString("tekst");
        k.post();
        QCOMPARE(k.recordCount(), before + 1);
        k.close();
        k.open();
        k.last();
        QCOMPARE(k.field(0).asString(), QByteArray("Korisnicki Ugovor o delu (01/02/2019)"));
        QVERIFY_THROWS_EXCEPTION(engine::Error, m->ugovori.edit());
    }

    void attachments() {
        data::AttachmentTables att(m->Zakoni);
        att.Table1.open();
        m->Glavna.setFilter("ID_BROJA='1'");
        QVERIFY(att.Table1.fieldByName("S1").isNull());
        QVERIFY(att.Table1.fieldByName("S2").asBytes().startsWith("\x89PNG"));
        QVERIFY(att.Table1.fieldByName("S5").asBytes().startsWith("\x89PNG"));
        m->Glavna.setFilter("ID_BROJA='9'");
        QVERIFY(att.Table1.isEmpty());
        m->Glavna.setFilter({});
        data::ViewerTables viewer;
        QVERIFY(!viewer.Table1.isActive());
    }
};

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
