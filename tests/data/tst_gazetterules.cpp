// The gazettes tree's rules and the citation of a regulation, the lookups on a generated
// collection.

#include "citation.h"
#include "demo.h"
#include "gazettetree.h"
#include "sessionsetup.h"
#include "strictweakorder.h"
#include "tables.h"

#include <algorithm>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace gazettetree;

class TestGazetteRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeNumbers_data();
    void wholeNumbers();
    void issueNumbersInNumericOrder();
    void issueOrderIsIndependentOfInputOrder();
    void yearsInTextOrder();
    void filtersQuoteTheirValues();
    void distinctValuesIgnoreCaseAndEmpties();
    void citationTableHasTheTenGazettes();
    void lookupsFollowTheTitle();
    void unknownGazetteHasNoShortName();

private:
    QTemporaryDir m_dir;
};

void TestGazetteRules::initTestCase()
{
    QVERIFY(m_dir.isValid());
    demo::generate(QDir(m_dir.path()).filePath("Podatci"), {200, 3, 1});
    data::setUpSession(m_dir.path());
}

void TestGazetteRules::wholeNumbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << QByteArray("12") << true << 12;
    QTest::newRow("leading blanks") << QByteArray("  7") << true << 7;
    QTest::newRow("sign") << QByteArray("-3") << true << -3;
    QTest::newRow("plus") << QByteArray("+4") << true << 4;
    QTest::newRow("dollar hex") << QByteArray("$1F") << true << 31;
    QTest::newRow("0x hex") << QByteArray("0x10") << true << 16;
    QTest::newRow("x hex") << QByteArray("x10") << true << 16;
    QTest::newRow("letter after") << QByteArray("3a") << false << 3;
    QTest::newRow("trailing blank") << QByteArray("12 ") << false << 12;
    QTest::newRow("no digits") << QByteArray("a") << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("sign alone") << QByteArray("-") << false << 0;
    QTest::newRow("smallest") << QByteArray("-2147483648") << true << INT_MIN;
    QTest::newRow("past the range") << QByteArray("99999999999") << false << 999999999;
}

void TestGazetteRules::wholeNumbers()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, whole);
    QFETCH(int, value);
    int got = -12345;
    QCOMPARE(TryWholeNumber(text, got), whole);
    QCOMPARE(got, value);
}

void TestGazetteRules::issueNumbersInNumericOrder()
{
    QByteArrayList numbers = {"10", "3a", "2"};
    sortIssueNumbers(numbers);
    QCOMPARE(numbers, (QByteArrayList{"2", "3a", "10"}));
    // One value: the whole number first, then by the bytes.
    QVERIFY(CompareIssueNumbers("10", "10a") < 0);
    QVERIFY(CompareIssueNumbers("10a", "10b") < 0);
    // Texts without digits count as 0 against numbers and stay apart from them among themselves.
    QVERIFY(CompareIssueNumbers("bis", "1") < 0);
    QVERIFY(CompareIssueNumbers("A", "B") < 0);
    QVERIFY(CompareIssueNumbers("a", "A") != 0);
    QCOMPARE(CompareIssueNumbers("7", "7"), 0);
}

void TestGazetteRules::issueOrderIsIndependentOfInputOrder()
{
    const QByteArrayList sample = {"abc", "x",  "",   "10", "10a", "010", "2",  "3a", "b",
                                   "B",   "-1", "$A", "0x", " 5",  "5",   "5a", "0",  "bis"};
    QVERIFY(isStrictWeakOrder(sample, CompareIssueNumbers));
    QRandomGenerator random(11);
    QByteArrayList reference = sample;
    sortIssueNumbers(reference);
    for (int round = 0; round < 50; ++round) {
        QByteArrayList shuffled = sample;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        sortIssueNumbers(shuffled);
        QCOMPARE(shuffled, reference);
    }
}

void TestGazetteRules::yearsInTextOrder()
{
    QByteArrayList years = {"2005", "1991", "2019", "1999"};
    sortYears(years);
    QCOMPARE(years, (QByteArrayList{"1991", "1999", "2005", "2019"}));
}

void TestGazetteRules::filtersQuoteTheirValues()
{
    QCOMPARE(gazetteFilter("Slu`beni list O'B"), QByteArray("naziv_glasnika='Slu`beni list O''B'"));
    QCOMPARE(publicationsFilter("3"), QByteArray("ID_GLASNIKA='3'"));
    QCOMPARE(publicationsFilter("3", {"2005"}), QByteArray("ID_GLASNIKA='3' AND GODINA_stampanja='2005'"));
    QCOMPARE(publicationsFilter("3", {"2005", "12a"}),
             QByteArray("ID_GLASNIKA='3' AND GODINA_stampanja='2005' AND BROJ='12a'"));
    QCOMPARE(yearsFilter("1"), QByteArray("id_GLASNIKa='1'"));
    QCOMPARE(issuesFilter("1", "1991"), QByteArray("id_GLASNIKa='1' AND GODINA_stampanja='1991'"));
}

void TestGazetteRules::distinctValuesIgnoreCaseAndEmpties()
{
    // Issue numbers that differ in letter case, and an empty one, in one gazette and year.
    {
        engine::Table brojevi;
        brojevi.setDatabaseName("ZAKONI");
        brojevi.setTableName("TB_Brojevi.db");
        brojevi.open();
        const QList<QByteArray> numbers = {"7a", "7A", "", "8"};
        for (int i = 0; i < numbers.size(); ++i) {
            brojevi.first();
            brojevi.moveBy(100 + i);
            brojevi.edit();
            brojevi.fieldByName("ID_GLASNIKA").setAsInteger(9);
            brojevi.fieldByName("GODINA_stampanja").setAsString("1900");
            brojevi.fieldByName("BROJ").setAsString(numbers[i]);
            brojevi.post();
        }
    }
    data::MainTables tables;
    tables.openAll();
    tables.Glavna.setFilter(issuesFilter("9", "1900"));
    QByteArrayList issues = distinctValues(tables.Glavna, "BROJ");
    sortIssueNumbers(issues);
    QCOMPARE(issues, (QByteArrayList{"7a", "8"}));

    tables.Glavna.setFilter(yearsFilter("9"));
    const QByteArrayList years = distinctValues(tables.Glavna, "GODINA_stampanja");
    QCOMPARE(years.count("1900"), 1);
    QVERIFY(!years.contains(QByteArray()));
    QCOMPARE(QSet<QByteArray>(years.begin(), years.end()).size(), years.size());
}

void TestGazetteRules::citationTableHasTheTenGazettes()
{
    const struct {
        const char* gazette;
        const char* abbreviation;
    } table[] = {
        {"Slu`beni glasnik Republike Srbije", "Sl. glasnik RS"},
        {"Slu`beni glasnik Socijalisti~ke Republike Srbije", "Sl. glasnik SRS"},
        {"Slu`beni glasnik Narodne Republike Srbije", "Sl. glasnik NRS"},
        {"Slu`beni list Savezne Republike Jugoslavije", "Sl. list SRJ"},
        {"Slu`beni list Socijalisti~ke Federativne Republike Jugoslavije", "Sl. list SFRJ"},
        {"Slu`beni list Federativne Narodne Republike Jugoslavije", "Sl. list FNRJ"},
        {"Slu`beni list grada Beograda", "Sl. list grada Beograda"},
        {"Slu`beni list Srbije i Crne Gore", "Sl. list SiCG"},
        {"Slu`beni list Crne Gore", "Sl. list CG"},
        {"Slu`beni list Autonomne Pokrajine Vojvodine", "Sl. list AP Vojvodine"},
    };
    for (const auto& row : table) {
        QCOMPARE(citation::abbreviation(row.gazette), QByteArray(row.abbreviation));
    }
    QCOMPARE(citation::citationText("Slu`beni glasnik Republike Srbije", "12/2005"),
             QByteArray("(Sl. glasnik RS 12/2005)"));
    // The match is exact: another case or a blank more is another gazette.
    QCOMPARE(citation::abbreviation("slu`beni glasnik republike srbije"), QByteArray());
    QCOMPARE(citation::abbreviation("Slu`beni list Crne Gore "), QByteArray());
    QCOMPARE(citation::citationText("Slu`beni list Atlantide", "3/1999"), QByteArray("( 3/1999)"));
}

void TestGazetteRules::lookupsFollowTheTitle()
{
    data::MainTables tables;
    tables.openAll();
    QCOMPARE(citation::gazetteOfTitle(tables, demo::FirstLawTitle), QByteArray("Slu`beni glasnik Republike Srbije"));
    QCOMPARE(citation::numberOfTitle(tables, demo::FirstLawTitle, false), QByteArray("12/2005"));
    QCOMPARE(citation::numberOfTitle(tables, demo::FirstLawTitle, true), QByteArray("(Sl. glasnik RS 12/2005)"));
    QCOMPARE(citation::numberOfTitle(tables, demo::ApostropheLawTitle, true), QByteArray("(Sl. glasnik RS 3/2006)"));
    // The main window's filters ignore the case of a-z.
    QCOMPARE(citation::numberOfTitle(tables, QByteArray(demo::FirstLawTitle).toUpper(), false), QByteArray("12/2005"));
    QCOMPARE(citation::gazetteOfTitle(tables, "Zakon koji ne postoji"), QByteArray());
    QCOMPARE(citation::numberOfTitle(tables, "Zakon koji ne postoji", false), QByteArray());
    QCOMPARE(citation::numberOfTitle(tables, "Zakon koji ne postoji", true), QByteArray("( )"));
}

void TestGazetteRules::unknownGazetteHasNoShortName()
{
    {
        engine::Table glasnici;
        glasnici.setDatabaseName("ZAKONI");
        glasnici.setTableName("TB_Glasnici.db");
        glasnici.open();
        glasnici.first();
        glasnici.edit();
        glasnici.fieldByName("Naziv_glasnika").setAsString("Slu`beni list Atlantide");
        glasnici.post();
    }
    data::MainTables tables;
    tables.openAll();
    QCOMPARE(citation::gazetteOfTitle(tables, demo::FirstLawTitle), QByteArray("Slu`beni list Atlantide"));
    QCOMPARE(citation::numberOfTitle(tables, demo::FirstLawTitle, true), QByteArray("( 12/2005)"));
}

QTEST_GUILESS_MAIN(TestGazetteRules)
#include "tst_gazetterules.moc"
