// The regulations search on a generated collection, checked against a plain walk through the
// tables: which regulations it finds, in which order, with which details, and the state it
// leaves the tables in.

#include "demo.h"
#include "error.h"
#include "regulationsearch.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "searchwords.h"
#include "sessionsetup.h"
#include "tables.h"
#include "yuscii.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using data::Scope;
using data::SearchHit;

namespace {

constexpr int Regulations = 60;

struct Found {
    QList<SearchHit> hits;
    data::SearchResult result;
    QByteArrayList titles() const
    {
        QByteArrayList out;
        for (const SearchHit& h : hits) {
            out << h.title;
        }
        return out;
    }
};

} // namespace

class TestRegulationSearch : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<data::MainTables> m_t;
    std::unique_ptr<data::RegulationSearch> m_search;

    Found run(const QByteArray& query, Scope scope, std::optional<qint64> gazette = std::nullopt,
              std::function<bool()> stop = {})
    {
        Found f;
        data::SearchHooks hooks;
        hooks.found = [&](const SearchHit& h) { f.hits << h; };
        hooks.stopRequested = stop;
        f.result = m_search->run(query, scope, gazette, hooks);
        return f;
    }

    // What the search must find, by a walk through the publications with their regulations.
    QByteArrayList expected(const QByteArray& query, Scope scope, std::optional<qint64> gazette = std::nullopt)
    {
        const QByteArrayList words = searchwords::words(yuscii::yupperW(query));
        engine::Table zakoni;
        zakoni.setDatabaseName(data::DatabaseAlias);
        zakoni.setTableName(QStringLiteral("TB_Zakoni.db"));
        zakoni.open();
        engine::Table glavna;
        glavna.setDatabaseName(data::DatabaseAlias);
        glavna.setTableName(QStringLiteral("TB_Brojevi.db"));
        glavna.open();
        zakoni.setMasterSource(&glavna);
        zakoni.setIndexFieldNames("ID_ZAKONA");
        zakoni.setMasterFields("ID_BROJA");
        QByteArrayList out;
        for (glavna.first(); !glavna.eof(); glavna.next()) {
            if (gazette && glavna.fieldByName("ID_GLASNIKA").asInteger() != *gazette) {
                continue;
            }
            const QByteArray title = zakoni.field(5).asString();
            const QByteArray text =
                scope == Scope::TitlesAndTexts ? data::searchableText(zakoni.fieldByName("Latinica").asBytes()) : "";
            bool all = true;
            for (const QByteArray& w : words) {
                all = all && (yuscii::yupperW(title).contains(w) || text.contains(w));
            }
            if (all) {
                out << title;
            }
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        demo::generate(m_dir.filePath("Podatci"), {Regulations, 7, 2});
        data::setUpSession(m_dir.path());
    }

    void init()
    {
        m_t = std::make_unique<data::MainTables>();
        m_t->openAll();
        m_t->Glasnici.setMasterFields("ID_GLASNIKA");
        m_search = std::make_unique<data::RegulationSearch>(*m_t);
    }

    void cleanup()
    {
        m_search.reset();
        m_t.reset();
    }

    void titlesHoldEveryWordInAnyOrder()
    {
        const Found f = run("zakon rad", Scope::Titles);
        QVERIFY(!f.hits.isEmpty());
        QCOMPARE(f.titles(), expected("ZAKON RAD", Scope::Titles));
        QCOMPARE(run("RAD   ZAKON", Scope::Titles).titles(), f.titles());
        QCOMPARE(f.result.found, f.hits.size());
        // Part of a word, and a YUSCII letter in either case.
        QCOMPARE(run("PORE", Scope::Titles).titles(), expected("PORE", Scope::Titles));
        QVERIFY(run("PORE", Scope::Titles).titles().contains("Zakon o porezu na dohodak gra|ana"));
        QVERIFY(run("{UMAMA", Scope::Titles).titles().contains(demo::ForestLawTitle));
        QVERIFY(run("[umama", Scope::Titles).titles().contains(demo::ForestLawTitle));
        QVERIFY(run("ZAKON XYZ", Scope::Titles).hits.isEmpty());
    }

    void emptyQueryListsEveryPublication()
    {
        QCOMPARE(run("", Scope::Titles).hits.size(), Regulations);
        QCOMPARE(run("    ", Scope::TitlesAndTexts).hits.size(), Regulations);
    }

    // Only the chosen gazette's publications, found by the gazette's key.
    void gazetteRestriction()
    {
        const Found all = run("", Scope::Titles);
        const Found second = run("", Scope::Titles, 2);
        QCOMPARE(second.titles(), expected("", Scope::Titles, 2));
        QVERIFY(second.hits.size() < all.hits.size());
        for (const SearchHit& h : second.hits) {
            QCOMPARE(h.gazette, QByteArray("Slu`beni glasnik Socijalisti~ke Republike Srbije"));
        }
        QCOMPARE(run("ZAKON", Scope::TitlesAndTexts, 1).titles(), expected("ZAKON", Scope::TitlesAndTexts, 1));
        QVERIFY(run("", Scope::Titles, 99).hits.isEmpty());
    }

    void textsAreSearchedWhereTitlesLackAWord()
    {
        const QByteArray query = "obveznik ZAKONA";
        const Found titles = run(query, Scope::Titles);
        const Found texts = run(query, Scope::TitlesAndTexts);
        QCOMPARE(texts.titles(), expected(query, Scope::TitlesAndTexts));
        QVERIFY(texts.hits.size() > titles.hits.size());
    }

    // A capital YUSCII letter in a text is found by the small letter in the query, and the
    // search copy made after the write says so.
    void yusciiCapitalInTextIsFound()
    {
        {
            engine::Table writer;
            writer.setDatabaseName(data::DatabaseAlias);
            writer.setTableName(QStringLiteral("TB_Zakoni.db"));
            writer.setReadOnly(false);
            writer.open();
            writer.setFilter("ID_ZAKONA = '9'");
            writer.setFiltered(true);
            writer.first();
            writer.edit();
            writer.fieldByName("Latinica")
                .setAsString("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil YHelvetica;}}\\f0 ^LAN 1\\par PO[TANSKA MARKICA "
                             "SE LEPI NA KOVERAT\\par}");
            writer.post();
            engine::SearchCopyReader copies(writer, data::SearchedField);
            QVERIFY(copies.stored());
            QVERIFY(copies.text(engine::Value(9)).contains("PO[TANSKA"));
        }
        const Found f = run("po{tanska koverat", Scope::TitlesAndTexts);
        QCOMPARE(f.hits.size(), 1);
        QCOMPARE(f.hits[0].title, expected("PO{TANSKA KOVERAT", Scope::TitlesAndTexts).value(0));
        QVERIFY(run("po{tanska", Scope::Titles).hits.isEmpty());
    }

    // A file whose copies are not of the version the program makes is searched all the same,
    // from the rich text itself, with the same result.
    void withoutCopiesTheResultIsTheSame()
    {
        const QByteArrayList withCopies = run("obveznik prijavu", Scope::TitlesAndTexts).titles();
        engine::registerSearchCopy(QLatin1String(data::SearchedTable), data::SearchedField, "another version",
                                   data::searchableText);
        {
            engine::SearchCopyReader reader(m_t->Zakoni, data::SearchedField);
            QVERIFY(!reader.stored());
        }
        const QByteArrayList without = run("obveznik prijavu", Scope::TitlesAndTexts).titles();
        data::registerSearchCopies();
        QVERIFY(!withCopies.isEmpty());
        QCOMPARE(without, withCopies);
    }

    void hitsCarryTheirDetails()
    {
        const Found all = run("", Scope::Titles);
        QCOMPARE(all.hits.size(), Regulations);
        // Publications come in key order, and the demo's keys are 1, 2, 3 ...
        const SearchHit& first = all.hits[demo::landmark::FirstLaw - 1];
        QCOMPARE(first.title, QByteArray(demo::FirstLawTitle));
        QCOMPARE(first.gazette, QByteArray("Slu`beni glasnik Republike Srbije"));
        QCOMPARE(first.numberYear, QByteArray("12/2005"));
        QVERIFY(!all.hits[demo::landmark::Note200 - 1].moreInfo);
        QVERIFY(all.hits[demo::landmark::Note201 - 1].moreInfo);
        QVERIFY(all.hits[demo::landmark::ChainOfThree[0] - 1].archived);
        QVERIFY(all.hits[demo::landmark::ChainOfThree[1] - 1].archived);
        QVERIFY(!all.hits[demo::landmark::ChainOfThree[2] - 1].archived);
    }

    void stopKeepsWhatWasFound()
    {
        int rounds = 0;
        int ticks = 0;
        qint64 total = -1;
        qint64 last = -1;
        QList<SearchHit> hits;
        data::SearchHooks hooks;
        hooks.started = [&](qint64 t) { total = t; };
        hooks.stopRequested = [&] { return ++rounds == 4; };
        hooks.tick = [&](qint64 progress) {
            ++ticks;
            last = progress;
        };
        hooks.found = [&](const SearchHit& h) { hits << h; };
        const data::SearchResult r = m_search->run("", Scope::Titles, std::nullopt, hooks);
        QVERIFY(r.stopped);
        QCOMPARE(r.found, 3);
        QCOMPARE(hits.size(), 3);
        QCOMPARE(ticks, 3);
        QCOMPARE(total, 0); // no words
        QCOMPARE(last, 0);

        total = -1;
        rounds = 0;
        hooks.stopRequested = [&] { return ++rounds == 11; };
        m_search->run("ZAKON O", Scope::Titles, std::nullopt, hooks);
        QCOMPARE(total, qint64(Regulations) * 2);
        QCOMPARE(last, 10 * 2);
    }

    // Afterwards the regulations are off their master, unfiltered and in no index order; the
    // publications keep the gazette's filter, filtering on. So also when a step fails.
    void tablesAfterTheSearch()
    {
        m_t->Zakoni.setFilter("Naziv_zakona= 'x'");
        run("ZAKON", Scope::TitlesAndTexts, 3);
        QCOMPARE(m_t->Zakoni.masterFields(), QByteArray());
        QCOMPARE(m_t->Zakoni.filter(), QByteArray());
        QVERIFY(m_t->Zakoni.filtered());
        QCOMPARE(m_t->Zakoni.indexFieldNames(), QByteArray());
        QCOMPARE(m_t->Glavna.filter(), QByteArray("ID_GLASNIKA = '3'"));
        QVERIFY(m_t->Glavna.filtered());
        run("ZAKON", Scope::Titles);
        QCOMPARE(m_t->Glavna.filter(), QByteArray());
        QVERIFY(m_t->Glavna.filtered());

        m_t->arhiva.close();
        QVERIFY_THROWS_EXCEPTION(engine::Error, run("ZAKON", Scope::Titles));
        QCOMPARE(m_t->Zakoni.masterFields(), QByteArray());
        QCOMPARE(m_t->Zakoni.indexFieldNames(), QByteArray());
    }

    // Another program (here the sqlite3 tool) changes a title while the program runs: between the
    // user's actions no table is held, so the tool's write goes through at once, and the next
    // title search finds the new title, not the one its kept index remembers.
    void titleChangedByAnotherProgram()
    {
        QCOMPARE(run(demo::FirstLawTitle, Scope::Titles).titles(), QByteArrayList{demo::FirstLawTitle});
        QCoreApplication::processEvents(); // the search was the user's action; it is over
        const auto sqlite3 = [&](const QByteArray& sql) {
            QProcess tool;
            tool.start(QStringLiteral("sqlite3"), {m_dir.filePath("Podatci/TB_Zakoni.db"), QString::fromLatin1(sql)});
            QVERIFY2(tool.waitForFinished(10000), "the sqlite3 tool did not run");
            QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        };
        sqlite3("UPDATE records SET Naziv_zakona = 'Zakon o vodenim kolima' WHERE ID_ZAKONA = 1");
        QCOMPARE(run("vodenim kolima", Scope::Titles).titles(), QByteArrayList{"Zakon o vodenim kolima"});
        QVERIFY(run(demo::FirstLawTitle, Scope::Titles).hits.isEmpty());
        QCoreApplication::processEvents();
        sqlite3("UPDATE records SET Naziv_zakona = '" + QByteArray(demo::FirstLawTitle) + "' WHERE ID_ZAKONA = 1");
        QCOMPARE(run(demo::FirstLawTitle, Scope::Titles).titles(), QByteArrayList{demo::FirstLawTitle});
    }
};

QTEST_GUILESS_MAIN(TestRegulationSearch)
#include "tst_regulationsearch.moc"
