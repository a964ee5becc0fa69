#include "contracttext.h"

#include <QtTest>

using namespace contracttext;

namespace {

Values values(std::initializer_list<std::pair<int, QByteArray>> given)
{
    Values v;
    for (const auto& [index, value] : given) {
        v[size_t(index)] = value;
    }
    return v;
}

QByteArray filled(const QByteArray& text, const Values& v)
{
    return applied(text, fillPlan(text, v));
}

} // namespace

class TestContractText : public QObject {
    Q_OBJECT
private slots:
    void emptyValuesLeaveBlanks();
    void eachValueGoesToItsOwnPlaceholder();
    void everyOccurrenceInAnyCase();
    void fillingAlwaysEnds();
    void planPositionsFollowTheText();
    void headingRule_data();
    void headingRule();
    void titleAndNames();
};

void TestContractText::emptyValuesLeaveBlanks()
{
    const QByteArray model = "Zaklju~en dana <datumug> u <mestoug> izme|u <ugov1>, iz <nazivugs1>, i <ugov2>, iz "
                             "<nazivugs2>, i <ugov3>, iz <nazivugs3>.";
    const QByteArray text = filled(model, Values());
    QCOMPARE(text, QByteArray("Zaklju~en dana  ___/___/_____  u  ____________  izme|u  ____________________ , iz  "
                              "_________________ , i  ____________________ , iz  _________________ , i  "
                              "____________________ , iz  _________________ ."));
    const QList<Replacement> plan = fillPlan(model, Values());
    QCOMPARE(plan.size(), 8);
    QVERIFY(std::none_of(plan.begin(), plan.end(), [](const Replacement& r) { return r.entered; }));
    // Nothing but the placeholders is touched: a text without them stays as it is.
    QCOMPARE(filled("Ugovor bez mesta <za> unos.", Values()), QByteArray("Ugovor bez mesta <za> unos."));
}

void TestContractText::eachValueGoesToItsOwnPlaceholder()
{
    const QByteArray model = "<ugov1>|<nazivugs1>|<ugov2>|<nazivugs2>|<ugov3>|<nazivugs3>|<datumug>|<mestoug>";
    QCOMPARE(filled(model, values({{0, "A"}, {1, "B"}, {2, "C"}, {3, "D"}, {4, "E"}, {5, "F"}, {6, "G"}, {7, "H"}})),
             QByteArray("A|B|C|D|E|F|G|H"));
    // The second party's address alone: only its placeholder takes the value.
    QCOMPARE(filled("<nazivugs1>;<nazivugs2>;<nazivugs3>", values({{3, "Beograd, Ulica 1"}})),
             QByteArray(" _________________ ;Beograd, Ulica 1; _________________ "));
    QCOMPARE(filled("<nazivugs1>;<nazivugs2>;<nazivugs3>", values({{5, "Ni{"}})),
             QByteArray(" _________________ ; _________________ ;Ni{"));
    const QList<Replacement> plan = fillPlan("<ugov1> <ugov2>", values({{0, "Prvi"}}));
    QCOMPARE(plan.size(), 2);
    QVERIFY(plan[0].entered);
    QVERIFY(!plan[1].entered);
}

void TestContractText::everyOccurrenceInAnyCase()
{
    // Three times, one in capitals, the last one ending the text.
    const QByteArray model = "U <mestoug>, sud u <MESTOUG>, potpisano u <MeStOuG>";
    QCOMPARE(filled(model, values({{7, "Novom Sadu"}})),
             QByteArray("U Novom Sadu, sud u Novom Sadu, potpisano u Novom Sadu"));
    QCOMPARE(fillPlan(model, Values()).size(), 3);
    // The YUSCII letters are not letters to the case folding: a tag is found by its ASCII letters only.
    QCOMPARE(findFolded("x<UGOV1>", "<ugov1>", 0), 1);
    QCOMPARE(findFolded("[{", "{", 0), 1);
    QCOMPARE(findFolded("<ugov1>", "<ugov1>", 1), -1);
    QCOMPARE(findFolded("<ugov", "<ugov1>", 0), -1);
    QCOMPARE(findFolded("", "<ugov1>", 0), -1);
}

void TestContractText::fillingAlwaysEnds()
{
    // A value that holds its own placeholder stays as typed.
    QCOMPARE(filled("<mestoug> i <mestoug>", values({{7, "<mestoug> grad"}})),
             QByteArray("<mestoug> grad i <mestoug> grad"));
    // A value that makes a new placeholder with the text behind it.
    QCOMPARE(filled("<ugov1>ugov1>", values({{0, "<"}})), QByteArray("<ugov1>"));
    // A later placeholder inside an earlier value is still filled in its turn.
    QCOMPARE(filled("<ugov1>", values({{0, "za <mestoug>"}, {7, "Beograd"}})), QByteArray("za Beograd"));
    // An empty value's blank never holds a placeholder, whatever the text around it.
    QCOMPARE(filled("<<ugov1>ugov1>>", Values()), QByteArray("< ____________________ ugov1>>"));
}

void TestContractText::planPositionsFollowTheText()
{
    // Each position counts in the text as the earlier replacements left it.
    const QByteArray model = "<ugov1> <mestoug> <ugov1>";
    const QList<Replacement> plan = fillPlan(model, values({{0, "Petar Petrovi}"}, {7, "Ni{"}}));
    QCOMPARE(plan, (QList<Replacement>{
                       {0, 7, "Petar Petrovi}", true}, {25, 7, "Petar Petrovi}", true}, {15, 9, "Ni{", true}}));
    QCOMPARE(applied(model, plan), QByteArray("Petar Petrovi} Ni{ Petar Petrovi}"));
}

void TestContractText::headingRule_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("heading");
    QTest::newRow("article twelve with a title") << QByteArray("^lan 12 Re{avanje sporova") << true;
    QTest::newRow("six characters") << QByteArray("^lan 5") << true;
    QTest::newRow("first character not looked at") << QByteArray("Clan 3") << true;
    QTest::newRow("the word article") << QByteArray("^lanak 5 ovog ugovora") << false;
    QTest::newRow("five characters") << QByteArray("^lan ") << false;
    QTest::newRow("short") << QByteArray("^l") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no digit") << QByteArray("^lan a") << false;
    QTest::newRow("capitals") << QByteArray("^LAN 1") << false;
    QTest::newRow("indented") << QByteArray(" ^lan 1") << false;
}

void TestContractText::headingRule()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, heading);
    QCOMPARE(isArticleHeading(line), heading);
}

void TestContractText::titleAndNames()
{
    QCOMPARE(articleHeadings({"UGOVOR", "^lan 1", "Tekst", "^lanak", "^lan 2"}), (QList<int>{1, 4}));
    QCOMPARE(titleParagraphs(0), 0);
    QCOMPARE(titleParagraphs(1), 0);
    QCOMPARE(titleParagraphs(2), 2);
    QCOMPARE(titleParagraphs(40), 2);
    QCOMPARE(userContractName("Ugovor o delu"), QByteArray("Korisnicki Ugovor o delu"));
    QCOMPARE(proposedName("Ugovor o delu", "05/03/2024"), QByteArray("Korisnicki Ugovor o delu (05/03/2024)"));
}

QTEST_APPLESS_MAIN(TestContractText)
#include "tst_contracttext.moc"
