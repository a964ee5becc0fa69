#include "searchwords.h"
#include "sortrules.h"
#include "strictweakorder.h"

#include <algorithm>
#include <QRandomGenerator>
#include <QtTest>

using namespace searchwords;
using namespace sortrules;

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void wordsSplitOnBlanksOnly();
    void manyWordsAreCounted();
    void containsIsByteExact();
    void textOrderFoldsAsciiOnly();
    void yearFirstOrder();
    void datesOrderDayFirst();
    void sortIsIndependentOfInputOrder();
    void everyRuleIsAStrictWeakOrder();
};

void TestRules::wordsSplitOnBlanksOnly()
{
    QCOMPARE(WordCount(""), 0);
    QCOMPARE(WordCount("   "), 0);
    QCOMPARE(WordCount("  ZAKON   RAD "), 2);
    QCOMPARE(WordCount("A,B\tC"), 1);
    QCOMPARE(ExtractWord(1, "  ZAKON   RAD "), QByteArray("ZAKON"));
    QCOMPARE(ExtractWord(2, "  ZAKON   RAD "), QByteArray("RAD"));
    QCOMPARE(ExtractWord(3, "  ZAKON   RAD "), QByteArray());
    QCOMPARE(ExtractWord(0, "ZAKON"), QByteArray());
    QCOMPARE(ExtractWord(1, "A,B\tC"), QByteArray("A,B\tC"));
    QCOMPARE(WordCount("a;b c", ";"), 2);
}

void TestRules::manyWordsAreCounted()
{
    // A count held in a byte would wrap at 256 and make every text match.
    QByteArray query;
    for (int i = 0; i < 300; ++i) {
        query += "W" + QByteArray::number(i) + ' ';
    }
    QCOMPARE(WordCount(query), 300);
    QCOMPARE(ExtractWord(257, query), QByteArray("W256"));
    QCOMPARE(ExtractWord(300, query), QByteArray("W299"));
}

void TestRules::containsIsByteExact()
{
    QVERIFY(contains("ZAKON O POREZU", ""));
    QVERIFY(contains("ZAKON O POREZU", "PORE"));
    QVERIFY(!contains("ZAKON O POREZU", "pore"));
    QVERIFY(!contains("RAD", "RADNIK"));
    QVERIFY(contains("ZAKON O [UMAMA", "[UM"));
    QVERIFY(!contains("ZAKON O [UMAMA", "{UM"));
}

void TestRules::textOrderFoldsAsciiOnly()
{
    QCOMPARE(compareText("zakon", "ZAKON"), 0);
    QVERIFY(compareText("[uma", "{uma") != 0);
    QVERIFY(compareText("@ito", "Abc") < 0);   // Ž before A
    QVERIFY(compareText("[uma", "Zakon") > 0); // Š after Z
    QVERIFY(compareText("Zak", "Zakon") < 0);
    QVERIFY(compareText("", "A") < 0);
    QCOMPARE(compareText("", ""), 0);
}

void TestRules::yearFirstOrder()
{
    QList<QByteArray> bg = {"3/2005", "12/2005", "3/2004"};
    std::sort(bg.begin(), bg.end(),
              [](const QByteArray& a, const QByteArray& b) { return compareYearFirst(a, b) < 0; });
    QCOMPARE(bg, (QList<QByteArray>{"3/2004", "12/2005", "3/2005"}));
    QVERIFY(compareYearFirst("5/2004", "1/2005") < 0);
    // Texts without a year have a place of their own: before every dated one, as text.
    QVERIFY(compareYearFirst("12", "1/2005") < 0);
    QVERIFY(compareYearFirst("1/2005", "") > 0);
    QVERIFY(compareYearFirst("12", "13") < 0);
}

void TestRules::datesOrderDayFirst()
{
    QVERIFY(compareDates("05/03/2001", "01/04/2001") < 0);
    QVERIFY(compareDates("31/12/2000", "01/01/2001") < 0);
    QCOMPARE(compareDates("05/03/2004", "5/3/2004"), 0);
    // A stored date that is no date sorts first instead of ending the sort.
    QVERIFY(compareDates("31/02/2001", "01/01/1990") < 0);
    QVERIFY(compareDates("", "01/01/1990") < 0);
    QVERIFY(compareDates("xx/02/2001", "31/02/2001") != 0);
    // Leap days, and texts that only look like dates.
    QVERIFY(compareDates("29/02/2000", "01/01/1990") > 0);
    for (const char* bad : {"29/02/1900", "1/1/2001/", "1//2001", "-1/02/2001", "01/13/2001", "1/1"}) {
        QVERIFY2(compareDates(bad, "01/01/1000") < 0, bad);
    }
}

void TestRules::sortIsIndependentOfInputOrder()
{
    const QList<QByteArray> titles = {"Zakon", "ZAKON", "zakon", "", "[uma", "{uma", "@ito", "Abc"};
    const QList<QByteArray> numbers = {"3/2005", "12/2005", "3/2004", "12", "", "1/2005", "3/2005", "abc"};
    const QList<QByteArray> dates = {"05/03/2001", "01/04/2001", "31/02/2001", "",
                                     "5/3/2001",   "01/01/1999", "x",          "05/03/2001"};
    QList<QList<QByteArray>> rows;
    for (int i = 0; i < titles.size(); ++i) {
        rows.append({titles[i], numbers[i], dates[i]});
    }
    const struct {
        Rule rule;
        int columns;
    } cases[] = {{Rule::TwoColumnRegulations, 2}, {Rule::ThreeColumnRegulations, 3}, {Rule::Opinions, 2}};
    QRandomGenerator random(7);
    for (const auto& c : cases) {
        for (int column = 0; column < c.columns; ++column) {
            QList<QList<QByteArray>> reference;
            for (int round = 0; round < 50; ++round) {
                QList<QList<QByteArray>> shuffled = rows;
                std::shuffle(shuffled.begin(), shuffled.end(), random);
                std::sort(shuffled.begin(), shuffled.end(),
                          [&](const auto& a, const auto& b) { return compareRows(c.rule, column, a, b) < 0; });
                if (round == 0) {
                    reference = shuffled;
                } else {
                    QCOMPARE(shuffled, reference);
                }
            }
        }
    }
}

void TestRules::everyRuleIsAStrictWeakOrder()
{
    // Texts that a literal reading would call equal to every other (empty titles, number/year
    // texts of three characters or fewer, dates that are no dates) among ordinary ones.
    const QList<QByteArray> texts = {"",           "Zakon",    "ZAKON",      "zakon",     "[uma",    "{uma",
                                     "@ito",       "12",       "abc",        "3/2005",    "12/2005", "3/2004",
                                     "05/03/2001", "5/3/2001", "31/02/2001", "01/04/2001"};
    for (const Rule rule : {Rule::TwoColumnRegulations, Rule::ThreeColumnRegulations, Rule::Opinions}) {
        for (int column = 0; column < 3; ++column) {
            QVERIFY(isStrictWeakOrder(texts, [&](const QByteArray& a, const QByteArray& b) {
                return compareRows(rule, column, {a, a, a}, {b, b, b});
            }));
        }
    }
    QVERIFY(isStrictWeakOrder(texts, compareText));
    QVERIFY(isStrictWeakOrder(texts, compareYearFirst));
    QVERIFY(isStrictWeakOrder(texts, compareDates));
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
