// The rules of the areas listing, the title searches and the version chain, the lookups on a
// demo collection whose chain of five (A to E) is one regulation in five versions.

#include "arealisting.h"
#include "demo.h"
#include "error.h"
#include "filter.h"
#include "lookup.h"
#include "sessionsetup.h"
#include "tables.h"
#include "titlesearch.h"
#include "versionchain.h"

#include <memory>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace versionchain;
using engine::Table;

namespace {
const int* const Chain = demo::landmark::ChainOfFive; // A, B, C, D, E
const QByteArray ChainTitle = "Zakon o porezu na dohodak gra|ana";
} // namespace

class TestVersionChain : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<data::MainTables> m;

    // Number/year of a regulation, read apart from the tables under test.
    QByteArray numberYear(int key)
    {
        Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName("TB_Zakoni.db");
        t.open();
        t.setFiltered(true);
        t.setFilter("ID_ZAKONA=" + QByteArray::number(key));
        return t.field(10).asString();
    }

    QByteArray archiveRow(int key)
    {
        Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName("TB_Arhiva.db");
        t.open();
        t.setFiltered(true);
        t.setFilter("BROJ_ZAKONA=" + QByteArray::number(key));
        if (t.isEmpty()) {
            return "none";
        }
        return t.field(1).asString() + ',' + t.field(2).asString();
    }

    void setArchiveRow(int key, int earlier, int later)
    {
        Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName("TB_Arhiva.db");
        t.open();
        t.setFiltered(true);
        t.setFilter("BROJ_ZAKONA=" + QByteArray::number(key));
        t.edit();
        t.field(1).setAsInteger(earlier);
        t.field(2).setAsInteger(later);
        t.post();
    }

    // The settings the tabs rely on between operations.
    void verifyUsualLinks()
    {
        QCOMPARE(m->Zakoni.masterSource(), &m->Glavna);
        QCOMPARE(m->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QVERIFY(m->Zakoni.filtered());
        QCOMPARE(m->arhiva.masterSource(), &m->Zakoni);
        QCOMPARE(m->arhiva.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(m->arhiva.filter(), QByteArray());
    }

private slots:
    void initTestCase();
    void cleanupTestCase() { m.reset(); }

    void areaFilters();
    void titlePieces();
    void listedEntries();
    void oneCollectionPass();
    void versionsFromTheMiddleAndTheHead();
    void chosenRowWithoutRegulationListsNothing();
    void listingFailureRestoresLinks();
    void linksOfARegulation();
    void lookupFailureRestoresSettings();
    void twoWayPlan();
    void makeTwoWayOnTheTables();
};

void TestVersionChain::initTestCase()
{
    QVERIFY(m_dir.isValid());
    demo::generate(QDir(m_dir.path()).filePath("Podatci"), {60, 1, 1});
    data::setUpSession(m_dir.path());
    m = std::make_unique<data::MainTables>();
    m->openAll();
}

void TestVersionChain::areaFilters()
{
    using arealisting::Choice;
    using arealisting::filter;
    // The third child of the root is area 4; the type in list position 4.
    QCOMPARE(filter(Choice{false, 4, false, 4}), QByteArray("ID_KATEGORIJE_ZAKONA=4 AND ID_TIPA_ZAKONA='4'"));
    QCOMPARE(filter(Choice{false, 2, true, 0}), QByteArray("ID_KATEGORIJE_ZAKONA=2"));
    QCOMPARE(filter(Choice{true, 1, true, 0}), QByteArray());
    QCOMPARE(filter(Choice{true, 1, false, 3}), QByteArray("ID_TIPA_ZAKONA='3'"));
    // The texts are filters the table takes.
    const engine::LinkLookup restore({&m->Zakoni});
    m->Zakoni.setMasterFields({});
    m->Zakoni.setFilter(filter(Choice{false, 4, false, 4}));
    for (m->Zakoni.first(); !m->Zakoni.eof(); m->Zakoni.next()) {
        QCOMPARE(m->Zakoni.fieldByName("ID_KATEGORIJE_ZAKONA").asInteger(), 4);
        QCOMPARE(m->Zakoni.fieldByName("ID_TIPA_ZAKONA").asInteger(), 4);
    }
}

void TestVersionChain::titlePieces()
{
    using titlesearch::contains;
    QVERIFY(contains("Zakon o {umama", "[UMA"));  // YUSCII letters fold too
    QVERIFY(contains("Zakon o {umama", "o {u"));  // anywhere, any case
    QVERIFY(contains("Zakon o {umama", ""));      // the empty piece is in every title
    QVERIFY(!contains("Zakon", "Zakon o"));       // longer than the title
    QVERIFY(!contains("Zakon o {umama", "[U M")); // a run of identical bytes
    QVERIFY(!contains("Zakon o ~eku", "}EK"));    // ~ (č) and } (ć) stay distinct letters
    QCOMPARE(titlesearch::matching({"Zakon o radu", "Uredba", "ZAKON O RADU", ""}, "zakon o r"), (QList<int>{0, 2}));
    QCOMPARE(titlesearch::matching({"A", "B"}, ""), (QList<int>{0, 1}));
}

void TestVersionChain::listedEntries()
{
    const engine::LinkLookup restore({&m->Zakoni});
    const auto entryOf = [&](int key) {
        m->Zakoni.setMasterFields({});
        m->Zakoni.setFilter("ID_ZAKONA=" + QByteArray::number(key));
        m->Zakoni.first();
        return arealisting::currentEntry(m->Zakoni, m->arhiva);
    };
    // A note of exactly 200 characters is no additional information; 201 is.
    QCOMPARE(entryOf(demo::landmark::Note200)->moreInfo, false);
    QCOMPARE(entryOf(demo::landmark::Note201)->moreInfo, true);
    const auto first = entryOf(demo::landmark::FirstLaw);
    QCOMPARE(first->title, QByteArray(demo::FirstLawTitle));
    QCOMPARE(first->numberYear, QByteArray("12/2005"));
    // Versions with a later one are archived and not listed; the last one is.
    for (int k = 0; k < 4; ++k) {
        QVERIFY(!entryOf(Chain[k]));
    }
    QVERIFY(entryOf(Chain[4]));
}

void TestVersionChain::oneCollectionPass()
{
    // From C: the records of C and of its neighbours B and D, which point at it.
    const QList<ArchiveRow> fromC = {{"11", "10", "12"}, {"12", "11", "13"}, {"13", "12", "14"}};
    QCOMPARE(collect(fromC), (QByteArrayList{"10", "12", "11", "13", "14"}));
    // From A: no earlier version, so "0" is gathered; the pass does not follow the chain.
    const QList<ArchiveRow> fromA = {{"10", "0", "11"}, {"11", "10", "12"}};
    QCOMPARE(collect(fromA), (QByteArrayList{"0", "11", "10", "12"}));
    QCOMPARE(collect({}), QByteArrayList());
    QCOMPARE(neighboursFilter(12), QByteArray("BROJ_ZAKONA = '12' OR PRETHODI_MU= '12' OR NASLEDJUJE_GA= '12'"));
    QCOMPARE(keysFilter({"10", "0"}), QByteArray("BROJ_ZAKONA = '10' OR BROJ_ZAKONA = '0'"));
    // No keys select no record, not every record.
    const engine::LinkLookup restore({&m->arhiva});
    m->arhiva.setMasterFields({});
    m->arhiva.setFilter(keysFilter({}));
    QCOMPARE(m->arhiva.recordCount(), 0);
}

void TestVersionChain::versionsFromTheMiddleAndTheHead()
{
    QList<Version> chain;
    for (int k = 0; k < 5; ++k) {
        chain.append({ChainTitle, numberYear(Chain[k]), k < 4});
    }
    QCOMPARE(listVersions(*m, ChainTitle, numberYear(Chain[2])), chain);
    verifyUsualLinks();
    QCOMPARE(m->Glavna.filter(), QByteArray());
    // The regulations stay filtered to the chosen title and number/year.
    QCOMPARE(m->Zakoni.filter(), titleFilter(ChainTitle, numberYear(Chain[2])));
    QCOMPARE(listVersions(*m, ChainTitle, numberYear(Chain[0])), chain.mid(0, 3));
    QCOMPARE(listVersions(*m, ChainTitle, numberYear(Chain[4])), chain.mid(2, 3));
    // The title is found without regard to case, and quoted: an apostrophe does no harm.
    QCOMPARE(listVersions(*m, "ZAKON O POREZU NA DOHODAK GRA|ANA", numberYear(Chain[1])), chain.mid(0, 4));
    QCOMPARE(listVersions(*m, "O'B", "1/2000"), QList<Version>());
}

void TestVersionChain::chosenRowWithoutRegulationListsNothing()
{
    // No regulation, and a regulation without versions: neither lists the unversioned half of
    // the archive that the key 0 would select.
    QCOMPARE(listVersions(*m, "Nepostoje}i propis", "1/2000"), QList<Version>());
    verifyUsualLinks();
    QCOMPARE(listVersions(*m, demo::FirstLawTitle, "12/2005"), QList<Version>());
    verifyUsualLinks();
}

void TestVersionChain::listingFailureRestoresLinks()
{
    // The version table disappears in the middle of the listing, while the regulations follow it.
    bool closed = false;
    const auto connection = connect(&m->arhiva, &Table::recordSetChanged, this, [&] {
        if (!closed && m->arhiva.filter().startsWith("BROJ_ZAKONA = ")) {
            closed = true;
            m->arhiva.close();
        }
    });
    QVERIFY_THROWS_EXCEPTION(engine::Error, listVersions(*m, ChainTitle, numberYear(Chain[2])));
    disconnect(connection);
    QVERIFY(closed);
    m->arhiva.open();
    verifyUsualLinks();
    QCOMPARE(listVersions(*m, ChainTitle, numberYear(Chain[2])).size(), 5);
}

void TestVersionChain::linksOfARegulation()
{
    const Links head = linksByTitle(m->Zakoni, m->arhiva, ChainTitle); // the first in key order: A
    QVERIFY(head.found);
    QCOMPARE(head.earlier, 0);
    QCOMPARE(head.later, Chain[1]);
    const Links none = linksByTitle(m->Zakoni, m->arhiva, demo::FirstLawTitle);
    QCOMPARE(none.earlier + none.later, 0);
    QVERIFY(!linksByTitle(m->Zakoni, m->arhiva, "Nepostoje}i propis").found);
    const Links last = linksByKey(m->Zakoni, m->arhiva, Chain[4]);
    QCOMPARE(last.earlier, Chain[3]);
    QCOMPARE(last.later, 0);
    QCOMPARE(linksByKey(m->Zakoni, m->arhiva, Chain[2]).later, Chain[3]);
}

void TestVersionChain::lookupFailureRestoresSettings()
{
    // Settings another tab left: a lookup gives them back, whether it ends or fails.
    m->Zakoni.setFilter("ID_ZAKONA='3'");
    m->Zakoni.setIndexFieldNames("Naziv_zakona");
    m->arhiva.setFilter("BROJ_ZAKONA='3'");
    const auto verifyKept = [&] {
        QCOMPARE(m->Zakoni.filter(), QByteArray("ID_ZAKONA='3'"));
        QCOMPARE(m->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(m->Zakoni.indexFieldNames(), QByteArray("Naziv_zakona"));
        QCOMPARE(m->arhiva.filter(), QByteArray("BROJ_ZAKONA='3'"));
        QCOMPARE(m->arhiva.indexFieldNames(), QByteArray("BROJ_ZAKONA"));
    };
    QVERIFY(linksByTitle(m->Zakoni, m->arhiva, ChainTitle).found);
    verifyKept();
    m->arhiva.close();
    QVERIFY_THROWS_EXCEPTION(engine::Error, linksByTitle(m->Zakoni, m->arhiva, ChainTitle));
    QVERIFY_THROWS_EXCEPTION(engine::Error, linksByKey(m->Zakoni, m->arhiva, Chain[1]));
    m->arhiva.open();
    verifyKept();
    m->Zakoni.setFilter({});
    m->Zakoni.setIndexFieldNames("ID_ZAKONA");
    m->arhiva.setFilter({});
}

void TestVersionChain::twoWayPlan()
{
    // 2 names 1 as its earlier version, but 1 does not point back; 3 names 9, which is no
    // publication; 4 names 5, which has no record yet.
    const QList<qint64> publications = {1, 2, 3, 4, 5};
    const QMap<qint64, Record> records = {{1, {0, 0}}, {2, {1, 0}}, {3, {0, 9}}, {4, {0, 5}}};
    QCOMPARE(twoWayWrites(publications, records), (QList<LinkWrite>{{1, 2, 2}, {5, 1, 4}}));
    // Links already two-way need no write.
    const QMap<qint64, Record> chain = {{1, {0, 2}}, {2, {1, 3}}, {3, {2, 0}}};
    QCOMPARE(twoWayWrites({1, 2, 3}, chain), QList<LinkWrite>());
    // Each publication reads its record as the writes before it have left it: 1 claims 3 as its
    // later version, so 3's earlier becomes 1; when 3's turn comes it names 1, not 2, and 2 is
    // left as it was.
    const QMap<qint64, Record> conflicting = {{1, {0, 3}}, {2, {0, 0}}, {3, {2, 0}}};
    QCOMPARE(twoWayWrites({1, 2, 3}, conflicting), (QList<LinkWrite>{{3, 1, 1}}));
}

void TestVersionChain::makeTwoWayOnTheTables()
{
    // One link one way only, between regulations outside every chain: 26 names 25 as its earlier
    // version.
    setArchiveRow(25, 0, 0);
    setArchiveRow(26, 25, 0);
    m->Glavna.setFilter("ID_BROJA='7'");
    makeTwoWay(*m);
    QCOMPARE(archiveRow(25), QByteArray("0,26"));
    QCOMPARE(archiveRow(26), QByteArray("25,0"));
    QCOMPARE(archiveRow(Chain[2]), QByteArray("11,13"));
    QCOMPARE(m->Glavna.filter(), QByteArray("ID_BROJA='7'"));
    verifyUsualLinks();
    m->Glavna.setFilter({});
    // A link to a regulation that does not exist is not written.
    writeLink(*m, 9999, 1, 25);
    QCOMPARE(archiveRow(9999), QByteArray("none"));
    writeLink(*m, 25, 1, 7);
    QCOMPARE(archiveRow(25), QByteArray("7,26"));
    QCOMPARE(m->Glavna.filter(), QByteArray());
    setArchiveRow(25, 0, 0);
    setArchiveRow(26, 0, 0);
}

QTEST_GUILESS_MAIN(TestVersionChain)
#include "tst_versionchain.moc"
