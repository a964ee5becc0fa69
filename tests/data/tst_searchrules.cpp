// The rules of the recent searches and the personal lists, the query words, and the case folding
// the searches compare with.

#include "listfiles.h"
#include "personallists.h"
#include "recentsearches.h"
#include "searchwords.h"
#include "yuscii.h"

#include <QTest>

using personallists::QuickAdd;
using recentsearches::Scope;

namespace {

// Adds `entry` to `list` as the recent searches do.
void addRecent(QByteArrayList& list, const QByteArray& entry, int capacity)
{
    personallists::apply(list, personallists::appendCapped(int(list.size()), capacity), entry);
}

void addFrequent(QByteArrayList& list, const QByteArray& title, int capacity)
{
    personallists::apply(list, personallists::addFrequent(list, title, capacity), title);
}

} // namespace

class TestSearchRules : public QObject {
    Q_OBJECT
private slots:
    void entriesAreWrittenAsTheListShowsThem()
    {
        QCOMPARE(recentsearches::entry("ZAKON RAD", Scope::Titles, 7),
                 QByteArray("'ZAKON RAD' - po naslovima (nadjeno 7 propisa)"));
        QCOMPARE(recentsearches::entry("PDV", Scope::TitlesAndTexts, 3),
                 QByteArray("'PDV' - po naslovima i tekstovima (nadjeno 3 propisa)"));
        QCOMPARE(recentsearches::entry("O'B", Scope::Titles, 1),
                 QByteArray("'O''B' - po naslovima (nadjeno 1 propisa)"));
        QCOMPARE(recentsearches::entry("   ", Scope::Titles, 40),
                 QByteArray("'   ' - po naslovima (nadjeno 40 propisa)"));
        // An entry is one line of the list, also for a query that came with a line end.
        QCOMPARE(recentsearches::entry("ZAKON O\r\nRADU\n", Scope::Titles, 4),
                 QByteArray("'ZAKON O RADU' - po naslovima (nadjeno 4 propisa)"));
    }

    void replayReadsTheQueryAndScope_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("texts");
        QTest::newRow("titles") << QByteArray("'ZAKON RAD' - po naslovima (nadjeno 7 propisa)")
                                << QByteArray("ZAKON RAD") << false;
        QTest::newRow("texts") << QByteArray("'PDV' - po naslovima i tekstovima (nadjeno 3 propisa)")
                               << QByteArray("PDV") << true;
        // A quoted apostrophe is part of the query: the search is not cut short at it.
        QTest::newRow("apostrophe") << QByteArray("'O''B' - po naslovima (nadjeno 1 propisa)") << QByteArray("O'B")
                                    << false;
        QTest::newRow("apostrophe at the end")
            << QByteArray("'D''' - po naslovima i tekstovima (nadjeno 0 propisa)") << QByteArray("D'") << true;
        // The scope is read behind the closing quote: a query holding the word stays a title search.
        QTest::newRow("scope word in the query")
            << QByteArray("'TEKSTOVIMA' - po naslovima (nadjeno 0 propisa)") << QByteArray("TEKSTOVIMA") << false;
        QTest::newRow("blanks") << QByteArray("'   ' - po naslovima (nadjeno 40 propisa)") << QByteArray("   ")
                                << false;
        QTest::newRow("no closing quote") << QByteArray("'ZAKON") << QByteArray("ZAKON") << false;
        // Lines written by hand are read as the program always read them.
        QTest::newRow("hand written") << QByteArray("PDV - tekstovima") << QByteArray("PDV - tekstovima") << true;
        QTest::newRow("hand written, apostrophe") << QByteArray("O'B - po naslovima") << QByteArray("O") << false;
        QTest::newRow("empty") << QByteArray() << QByteArray() << false;
    }

    void replayReadsTheQueryAndScope()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, query);
        QFETCH(bool, texts);
        const recentsearches::Replay r = recentsearches::parse(entry);
        QCOMPARE(r.query, query);
        QCOMPARE(r.scope == Scope::TitlesAndTexts, texts);
    }

    void entriesSurviveTheirListFile()
    {
        const QByteArrayList entries{recentsearches::entry("O'B", Scope::Titles, 1),
                                     recentsearches::entry("A B", Scope::TitlesAndTexts, 2)};
        const QByteArrayList read = listfiles::splitLines(listfiles::joinLines(entries));
        QCOMPARE(read, entries);
        QCOMPARE(recentsearches::parse(read[0]).query, QByteArray("O'B"));
        // Line ends of any kind, and no line end at the end.
        QCOMPARE(listfiles::splitLines("'A' - po naslovima (nadjeno 1 propisa)\r'B' - x\n'C' - y\r\n'D' - z"),
                 (QByteArrayList{"'A' - po naslovima (nadjeno 1 propisa)", "'B' - x", "'C' - y", "'D' - z"}));
    }

    void recentListDropsItsOldest()
    {
        QByteArrayList list;
        for (int i = 1; i <= 12; ++i) {
            addRecent(list, QByteArray::number(i), 12);
        }
        QCOMPARE(list.size(), 12);
        addRecent(list, "13", 12);
        QCOMPARE(list.size(), 12);
        QCOMPARE(list.first(), QByteArray("2"));
        QCOMPARE(list.last(), QByteArray("13"));
        // A lowered capacity shrinks nothing at once; each new entry replaces one old one.
        addRecent(list, "14", 3);
        QCOMPARE(list.size(), 12);
        QCOMPARE(list.first(), QByteArray("3"));
        // The same search twice is two lines.
        addRecent(list, "14", 24);
        QCOMPARE(list.count("14"), 2);
        QByteArrayList one;
        addRecent(one, "a", 1);
        addRecent(one, "b", 1);
        QCOMPARE(one, QByteArrayList{"b"});
    }

    void frequentListIgnoresLetterCase()
    {
        QByteArrayList list{"A", "B", "C"};
        addFrequent(list, "D", 3);
        QCOMPARE(list, (QByteArrayList{"B", "C", "D"}));
        addFrequent(list, "B", 3); // keeps its place
        QCOMPARE(list, (QByteArrayList{"B", "C", "D"}));
        addFrequent(list, "d", 3);
        QCOMPARE(list, (QByteArrayList{"B", "C", "D"}));
        // The YUSCII letters have their cases too.
        QByteArrayList forests{"Zakon o {umama"};
        addFrequent(forests, "ZAKON O [UMAMA", 12);
        QCOMPARE(forests.size(), 1);
        // A shorter capacity removes one entry per new title.
        QByteArrayList five{"1", "2", "3", "4", "5"};
        addFrequent(five, "6", 2);
        QCOMPARE(five, (QByteArrayList{"2", "3", "4", "5", "6"}));
        QVERIFY(!personallists::addFrequent({}, "x", 1).dropOldest);
    }

    void quickOpenHoldsEight()
    {
        QByteArrayList list;
        for (int i = 1; i <= 7; ++i) {
            list << "Propis " + QByteArray::number(i);
        }
        QCOMPARE(personallists::addQuickOpen(list, "Osmi"), QuickAdd::Added);
        list << "Osmi";
        QCOMPARE(personallists::addQuickOpen(list, "Deveti"), QuickAdd::Full);
        // Full is told first, even for a title that is already there.
        QCOMPARE(personallists::addQuickOpen(list, "Osmi"), QuickAdd::Full);
        list.removeLast();
        // Exact comparison: another letter case is another title.
        QCOMPARE(personallists::addQuickOpen(list, "Propis 1"), QuickAdd::AlreadyThere);
        QCOMPARE(personallists::addQuickOpen(list, "PROPIS 1"), QuickAdd::Added);
    }

    void queryWordsSplitOnBlanksOnly()
    {
        QCOMPARE(searchwords::words("  ZAKON   RAD "), (QByteArrayList{"ZAKON", "RAD"}));
        QCOMPARE(searchwords::words("A,B\tC"), QByteArrayList{"A,B\tC"});
        QCOMPARE(searchwords::words("   "), QByteArrayList{});
        QByteArray many;
        for (int i = 0; i < 300; ++i) {
            many += "W" + QByteArray::number(i) + ' ';
        }
        const QByteArrayList words = searchwords::words(many);
        QCOMPARE(words.size(), 300);
        QCOMPARE(words[299], QByteArray("W299"));
        QCOMPARE(words[256], searchwords::ExtractWord(257, many));
        // Tests of a word against titles and texts of any length.
        QVERIFY(searchwords::contains(QByteArrayView(), ""));
        QVERIFY(!searchwords::contains(QByteArrayView(), "A"));
        QVERIFY(!searchwords::contains("PORE", "POREZ"));
        QVERIFY(searchwords::contains(QByteArray(100000, 'A') + "[UMA", "[UMA"));
    }

    // The case folding of the searches, by table, agrees with its definition for every byte.
    void caseFoldingByTable()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b) {
            all[b] = char(b);
        }
        const QByteArray upper = yuscii::yupperW(all);
        const QByteArray lower = yuscii::ylowerW(all);
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            QCOMPARE(upper[b], yuscii::yusciiupper(c >= 'a' && c <= 'z' ? char(c - 32) : c));
            QCOMPARE(lower[b], yuscii::yusciilower(c >= 'A' && c <= 'Z' ? char(c + 32) : c));
        }
        QCOMPARE(yuscii::yupperW("Zakon o {umama"), QByteArray("ZAKON O [UMAMA"));
        QVERIFY(yuscii::yupperW(QByteArray()).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestSearchRules)
#include "tst_searchrules.moc"
