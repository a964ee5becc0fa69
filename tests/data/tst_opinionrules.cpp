// The rules of the opinions: their dates as shown, the date range and how it is kept in order,
// and the relations between regulations and opinions over a demo collection.

#include "demo.h"
#include "filter.h"
#include "opiniondates.h"
#include "relations.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "sessionsetup.h"
#include "tables.h"
#include "searchwords.h"
#include "yuscii.h"

#include <memory>
#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using opiniondates::DateParts;
using opiniondates::End;
using opiniondates::Part;
using relations::Row;

namespace {

QByteArray text(const DateParts& d)
{
    return QByteArray::number(d.day) + '/' + QByteArray::number(d.month) + '/' + QByteArray::number(d.year);
}

} // namespace

class TestOpinionRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<data::MainTables> m;

    // The opinion with this number, as the relations list shows it.
    Row opinionRow(int number)
    {
        engine::Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName("TB_Misljenja.db");
        t.setFilter("BROJ_MISLJENJA= " + engine::quoted(QByteArray::number(number)));
        t.setFiltered(true);
        t.open();
        return {t.field(2).asString(), opiniondates::opinionDate(t)};
    }

    // Adds a relation row to TB_link.
    void addRelation(qint64 opinion, qint64 regulation)
    {
        engine::Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName("TB_link.db");
        t.open();
        t.append();
        t.field(0).setAsInteger(opinion);
        t.field(1).setAsInteger(regulation);
        t.post();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        demo::generate(QDir(m_dir.path()).filePath("Podatci"), {60, 5, 0, 200});
        data::setUpSession(m_dir.path());
        m = std::make_unique<data::MainTables>();
        m->openAll();
        m->misljenja.setMasterFields({});
    }

    void cleanupTestCase() { m.reset(); }

    // A text search finds a word exactly where the upper-cased text would hold it: the word is
    // compared with the searchable form of the stored rich text, which the search copies hold.
    void textSearchAgreesWithTheUpperCasedText()
    {
        const auto found = [](const QByteArray& text, const QByteArray& upperWord) {
            return searchwords::contains(data::searchableText(demo::noteText(text)), upperWord);
        };
        QVERIFY(found("Zakon o {umama", "[UM"));
        QVERIFY(found("Zakon o [umama", "[UM"));
        QVERIFY(!found("Zakon o [umama", "{UM"));
        QVERIFY(found("~ak i `", "^AK I @"));
        QVERIFY(found("", ""));
        QVERIFY(!found("AB", "ABC"));
        QVERIFY(found("xyz", "XYZ"));
        QVERIFY(!found("abc\xe9", "ABC\xc9"));

        const QByteArray alphabet = "aAbBzZ{[}]|\\~^`@wq 09\xe8";
        QRandomGenerator random(7);
        const auto randomText = [&](int size) {
            QByteArray out;
            for (int i = 0; i < size; ++i) {
                out += alphabet[random.bounded(int(alphabet.size()))];
            }
            return out;
        };
        for (int round = 0; round < 3000; ++round) {
            const QByteArray text = randomText(random.bounded(40));
            QByteArray word;
            if (round % 2 == 0 && !text.isEmpty()) {
                const int from = random.bounded(int(text.size()));
                word = yuscii::yupperW(text.mid(from, random.bounded(1, 6)));
            } else {
                word = yuscii::yupperW(randomText(random.bounded(1, 4)));
            }
            QCOMPARE(found(text, word), yuscii::yupperW(text).contains(word));
        }
    }

    // The opinions' file keeps the search copy of every opinion's Latin text, made by the rule the
    // title-and-text search compares by, so the search reads it without parsing the text.
    void opinionTextsHaveSearchCopies()
    {
        engine::Table& opinions = m->misljenja;
        engine::SearchCopyReader copies(opinions, data::SearchedField);
        QVERIFY(copies.stored());
        opinions.setFilter({});
        int compared = 0;
        for (opinions.first(); !opinions.eof(); opinions.next(), ++compared) {
            QCOMPARE(copies.text(opinions.field(0).value()),
                     data::searchableText(opinions.fieldByName("Latinica").asBytes()));
        }
        QCOMPARE(compared, opinions.recordCount());
        QVERIFY(compared >= 200);
    }

    void dateTextShowsValidDatesAsDates()
    {
        QCOMPARE(opiniondates::dateText("5", "3", "2004"), QByteArray("05/03/2004"));
        QCOMPARE(opiniondates::dateText("31", "12", "1999"), QByteArray("31/12/1999"));
        QCOMPARE(opiniondates::dateText("29", "2", "2000"), QByteArray("29/02/2000"));
        QCOMPARE(opiniondates::dateText("5", "3", "99"), QByteArray("05/03/0099"));
    }

    // A day, month and year that make no date are shown as stored, and the day and month keep
    // their places so that the row can be opened by its date text.
    void dateTextKeepsInvalidPartsAsStored()
    {
        QCOMPARE(opiniondates::dateText("31", "2", "2003"), QByteArray("31/02/2003"));
        QCOMPARE(opiniondates::dateText("29", "2", "2001"), QByteArray("29/02/2001"));
        QCOMPARE(opiniondates::dateText("5", "13", "2004"), QByteArray("05/13/2004"));
        QCOMPARE(opiniondates::dateText("0", "0", "0"), QByteArray("00/00/0"));
        QCOMPARE(opiniondates::dateText("5.5", "3", "2004"), QByteArray("5.5/03/2004"));
        QCOMPARE(opiniondates::dateText("", "", ""), QByteArray("//"));
        QCOMPARE(opiniondates::dateText("-1", "3", "2004"), QByteArray("-1/03/2004"));
    }

    void startRangeReachesTheCurrentYear()
    {
        QCOMPARE(opiniondates::latestYear(QDate(2019, 6, 1)), 2020);
        QCOMPARE(opiniondates::latestYear(QDate(2031, 1, 1)), 2031);
        QCOMPARE(text(opiniondates::defaultFrom()), QByteArray("1/1/1950"));
        QCOMPARE(text(opiniondates::defaultTo(QDate(2031, 1, 1))), QByteArray("31/12/2031"));
        QCOMPARE(text(opiniondates::defaultTo(QDate(2018, 1, 1))), QByteArray("31/12/2020"));
    }

    void keepInOrder_data()
    {
        QTest::addColumn<DateParts>("from");
        QTest::addColumn<DateParts>("to");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("part");
        QTest::addColumn<QByteArray>("expected"); // from - to

        QTest::newRow("ordered stays") << DateParts{15, 3, 2000} << DateParts{10, 5, 2001} << int(End::From)
                                       << int(Part::Day) << QByteArray("15/3/2000 - 10/5/2001");
        QTest::newRow("from-year above to-year is pulled back")
            << DateParts{1, 1, 2005} << DateParts{31, 12, 2001} << int(End::From) << int(Part::Year)
            << QByteArray("1/1/2001 - 31/12/2001");
        QTest::newRow("to-month below from-month in one year is pulled up")
            << DateParts{1, 6, 2001} << DateParts{31, 3, 2001} << int(End::To) << int(Part::Month)
            << QByteArray("1/6/2001 - 31/6/2001");
        QTest::newRow("to-month below from-month in a later year stays")
            << DateParts{1, 6, 2000} << DateParts{31, 3, 2001} << int(End::To) << int(Part::Month)
            << QByteArray("1/6/2000 - 31/3/2001");
        QTest::newRow("to-day below from-day in a later month stays")
            << DateParts{15, 3, 2000} << DateParts{10, 5, 2000} << int(End::To) << int(Part::Day)
            << QByteArray("15/3/2000 - 10/5/2000");
        QTest::newRow("still crossing: the changed end takes the other whole")
            << DateParts{20, 12, 2001} << DateParts{10, 5, 2001} << int(End::From) << int(Part::Year)
            << QByteArray("10/5/2001 - 10/5/2001");
        QTest::newRow("to-year below from-year") << DateParts{20, 12, 2001} << DateParts{31, 12, 1999} << int(End::To)
                                                 << int(Part::Year) << QByteArray("20/12/2001 - 31/12/2001");
    }

    void keepInOrder()
    {
        QFETCH(DateParts, from);
        QFETCH(DateParts, to);
        QFETCH(int, end);
        QFETCH(int, part);
        QFETCH(QByteArray, expected);
        opiniondates::keepInOrder(from, to, End(end), Part(part));
        QCOMPARE(text(from) + " - " + text(to), expected);
        QVERIFY(opiniondates::compare(from, to) <= 0);
    }

    // The range filter against the date comparison, over every opinion of the collection and
    // ranges that cut across days, months and years in every way.
    void rangeFilterSelectsByDate_data()
    {
        QTest::addColumn<DateParts>("from");
        QTest::addColumn<DateParts>("to");
        QTest::newRow("across a year boundary") << DateParts{15, 3, 2000} << DateParts{10, 5, 2001};
        QTest::newRow("within one month") << DateParts{3, 7, 2010} << DateParts{20, 7, 2010};
        QTest::newRow("one day") << DateParts{5, 3, 2004} << DateParts{5, 3, 2004};
        QTest::newRow("within one year") << DateParts{28, 2, 1997} << DateParts{2, 11, 1997};
        QTest::newRow("month 0 at both ends") << DateParts{31, 0, 1998} << DateParts{1, 0, 2003};
        QTest::newRow("everything") << DateParts{1, 1, 1950} << DateParts{31, 12, 2020};
        QTest::newRow("nothing") << DateParts{1, 1, 1950} << DateParts{31, 12, 1960};
    }

    void rangeFilterSelectsByDate()
    {
        QFETCH(DateParts, from);
        QFETCH(DateParts, to);
        engine::Table& t = m->misljenja;
        t.setFilter({});
        QSet<QByteArray> expected;
        for (t.first(); !t.eof(); t.next()) {
            const DateParts d{int(t.field(5).asInteger()), int(t.field(6).asInteger()), int(t.field(7).asInteger())};
            if (opiniondates::compare(from, d) <= 0 && opiniondates::compare(d, to) <= 0) {
                expected.insert(t.field(0).asString());
            }
        }
        t.setFilter(opiniondates::rangeFilter(from, to));
        t.setFiltered(true);
        QSet<QByteArray> selected;
        for (t.first(); !t.eof(); t.next()) {
            selected.insert(t.field(0).asString());
        }
        t.setFilter({});
        QCOMPARE(selected, expected);
        if (QByteArray(QTest::currentDataTag()) == "across a year boundary") {
            QVERIFY(selected.contains(QByteArray::number(demo::landmark::OpinionNewYear)));
        } else if (QByteArray(QTest::currentDataTag()) == "everything") {
            QCOMPARE(selected.size(), t.recordCount());
        }
    }

    void ordinalPlace()
    {
        QCOMPARE(relations::ordinalPlace(0, 5), 0);
        QCOMPARE(relations::ordinalPlace(4, 5), 4);
        QCOMPARE(relations::ordinalPlace(5, 5), -1);
        QCOMPARE(relations::ordinalPlace(-1, 5), -1);
        QCOMPARE(relations::ordinalPlace(0, 0), -1);
        QCOMPARE(relations::ordinalPlace(qint64(1) << 40, 5), -1);
    }

    void regulationWithThreeRelations()
    {
        const QList<Row> rows = relations::relatedOpinions(*m, QByteArray::number(demo::landmark::RelatedToThree));
        QCOMPARE(rows, (QList<Row>{opinionRow(0), opinionRow(1), opinionRow(2)}));
        QCOMPARE(rows[0].second, QByteArray("05/03/2004"));
        QVERIFY(relations::relatedOpinions(*m, "999999").isEmpty());
        QVERIFY(relations::relatedOpinions(*m, {}).isEmpty());
    }

    // Whatever the opinions tab has set (a ministry, a date filter, its own order), a relation
    // names the same opinion, and the table is given back as it was.
    void ordinalIgnoresTheTabsSettings()
    {
        engine::Table& t = m->misljenja;
        m->ministarstva.setFilter("MINISTARSTVO= '8'");
        m->ministarstva.setFiltered(true);
        t.setMasterFields("MINISTARSTVO");
        t.setFilter("GODINA>= '2010'");
        t.setFiltered(true);
        const int inRange = t.recordCount();
        t.moveBy(1);
        const QList<Row> rows = relations::relatedOpinions(*m, QByteArray::number(demo::landmark::RelatedToThree));
        QCOMPARE(rows, (QList<Row>{opinionRow(0), opinionRow(1), opinionRow(2)}));
        QCOMPARE(t.masterFields(), QByteArray("MINISTARSTVO"));
        QCOMPARE(t.filter(), QByteArray("GODINA>= '2010'"));
        QVERIFY(t.filtered());
        QCOMPARE(t.indexName(), QByteArray("drugi"));
        QCOMPARE(t.recordCount(), inRange);

        t.setFilter({});
        t.setMasterFields({});
        m->ministarstva.setFilter({});
        m->ministarstva.setFiltered(false);
    }

    void opinionWithTwoRelations()
    {
        const QList<Row> rows =
            relations::relatedRegulations(*m, QByteArray::number(demo::landmark::OpinionTwoRegulations));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].title, QByteArray(demo::FirstLawTitle));
        QCOMPARE(rows[0].second, QByteArray("12/2005"));
        QCOMPARE(rows[1].title, QByteArray(demo::ApostropheLawTitle));
        QCOMPARE(rows[1].second, QByteArray("3/2006"));
        QVERIFY(relations::relatedRegulations(*m, "100000").isEmpty());
    }

    // A relation naming an opinion past the table's end, or a regulation that is not there,
    // gives an empty row rather than another document.
    void relationsToMissingDocuments()
    {
        const int opinions = m->misljenja.recordCount();
        addRelation(opinions, 40);
        addRelation(-3, 40);
        addRelation(7, 5000);
        QList<Row> rows = relations::relatedOpinions(*m, "40");
        QVERIFY(rows.size() >= 2);
        QCOMPARE(rows.count(Row{}), 2);
        rows = relations::relatedRegulations(*m, "7");
        QVERIFY(rows.contains(Row{}));
        QVERIFY(rows.size() >= 2);
    }
};

QTEST_GUILESS_MAIN(TestOpinionRules)
#include "tst_opinionrules.moc"
