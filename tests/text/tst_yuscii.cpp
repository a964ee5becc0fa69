#include "display.h"
#include "yuscii.h"

#include <QtTest>

using namespace yuscii;
using display::Script;

class TestYuscii : public QObject {
    Q_OBJECT
private slots:
    void keyMapping();
    void caseMapping();
    void replaceAll();
    void flattening_data();
    void flattening();
    void digitsOnly();
    void displayRoundTrip();
    void displayLetters();
    void typedTextIsMappedOnce();
    void pastedTextKeepsItsCharacters();
    void fieldShowsWhatItStores_data();
    void fieldShowsWhatItStores();
    void oneLineField_data();
    void oneLineField();
};

void TestYuscii::keyMapping()
{
    QCOMPARE(yusciitounicod('a'), 'a');
    QCOMPARE(yusciitounicod('1'), '1');
    QCOMPARE(yusciitounicod('['), '{');
    QCOMPARE(yusciitounicod('|'), '@');
    const QByteArray keys = "[];'\\{}:\"|";
    const QByteArray codes = "{|~}`[\\^]@";
    for (int i = 0; i < keys.size(); ++i) {
        QCOMPARE(yusciitounicod(keys[i]), codes[i]);
    }
    // Map and upper: the letter's capital, and a-z upper-cased as the field itself would.
    QCOMPARE(mapKeyUpper('['), '[');
    QCOMPARE(mapKeyUpper(';'), '^');
    QCOMPARE(mapKeyUpper('k'), 'K');
    QCOMPARE(mapKey('k'), 'k');
}

void TestYuscii::caseMapping()
{
    QCOMPARE(yupperW("{kola"), QByteArray("[KOLA"));
    QCOMPARE(ylowerW("^ELIK"), QByteArray("~elik"));
    QCOMPARE(yupperW("wqx 0123"), QByteArray("WQX 0123"));
    QCOMPARE(ylowerW("WQX"), QByteArray("wqx"));
    // Only the five letter pairs change; other punctuation is left alone.
    QCOMPARE(yupperW("{}|~`"), QByteArray("[]\\^@"));
    QCOMPARE(ylowerW("[]\\^@"), QByteArray("{}|~`"));
    QCOMPARE(yupperW("!#$%&*()"), QByteArray("!#$%&*()"));
    // Bytes outside ASCII are left alone and the length never changes.
    const QByteArray high("\xe8\xb9\x8a", 3);
    QCOMPARE(yupperW(high), high);
    QCOMPARE(yupperW(QByteArray()), QByteArray());
}

void TestYuscii::replaceAll()
{
    QCOMPARE(ReplaceAllStr2("aaa", "a", "aa"), QByteArray("aaaaaa")); // inserted text is not rescanned
    QCOMPARE(ReplaceAllStr2("aaaa", "aa", "b"), QByteArray("bb"));
    QCOMPARE(ReplaceAllStr2("abc", "", "x"), QByteArray("abc"));
    QCOMPARE(ReplaceAllStr2("", "a", "x"), QByteArray());
    qsizetype after = -1;
    QVERIFY(MatchStr("xabc", "ab", 1, after));
    QCOMPARE(after, qsizetype(3));
    QVERIFY(!MatchStr("xabc", "bc", 3, after));
    QVERIFY(!MatchStr("xabc", "ab", -1, after));
}

void TestYuscii::flattening_data()
{
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("x") << QByteArray("x") << QByteArray("dz");
    QTest::newRow("X") << QByteArray("X") << QByteArray("DZ");
    QTest::newRow("W") << QByteArray("W") << QByteArray("Nj");
    QTest::newRow("Q") << QByteArray("Q") << QByteArray("Lj");
    QTest::newRow("backslash") << QByteArray("\\") << QByteArray("Dj");
    QTest::newRow("bar") << QByteArray("|") << QByteArray("dj");
    QTest::newRow("s") << QByteArray("{") << QByteArray("s");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("word") << QByteArray("^lan 5. Zakona o ra~unovodstvu i reviziji")
                          << QByteArray("Clan 5. Zakona o racunovodstvu i reviziji");
    QTest::newRow("cyrillic") << QByteArray("Qubqana, wegova xamija") << QByteArray("Ljubljana, njegova dzamija");
    QTest::newRow("all ten") << QByteArray("[]\\^@{}|~`") << QByteArray("SCDjCZscdjcz");
}

void TestYuscii::flattening()
{
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(flatten(in), out);
    QCOMPARE(flatten(flatten(in)), out);
}

void TestYuscii::digitsOnly()
{
    // The port field: 8080 is taken, a letter after it is refused, backspace always passes.
    QCOMPARE(digitsOnlyKey('8'), '8');
    QCOMPARE(digitsOnlyKey('0'), '0');
    QCOMPARE(digitsOnlyKey('a'), '\0');
    QCOMPARE(digitsOnlyKey('-'), '\0');
    QCOMPARE(digitsOnlyKey(8), char(8));
}

void TestYuscii::displayRoundTrip()
{
    for (Script script : {Script::Latin, Script::Cyrillic}) {
        QByteArray all;
        for (int b = 0x20; b <= 0x7e; ++b) {
            all += char(b);
        }
        const QString shown = display::toUnicode(all, script);
        QCOMPARE(shown.size(), all.size());
        QCOMPARE(display::fromUnicode(shown, script), all);
        // Every byte gets its own screen character.
        QSet<QChar> distinct(shown.begin(), shown.end());
        QCOMPARE(distinct.size(), all.size());
    }
    // Bytes above ASCII survive the trip too.
    QByteArray high;
    for (int b = 0x80; b <= 0xff; ++b) {
        high += char(b);
    }
    QCOMPARE(display::fromUnicode(display::toUnicode(high)), high);
    QCOMPARE(display::fromUnicode(QStringLiteral("\u4e2d")), QByteArray("?"));
}

void TestYuscii::displayLetters()
{
    QCOMPARE(display::toUnicode("Gre{ka"), QStringLiteral("Greška"));
    QCOMPARE(display::toUnicode("[]\\^@{}|~`"), QStringLiteral("ŠĆĐČŽšćđčž"));
    QCOMPARE(display::toUnicode("[kola", Script::Cyrillic), QStringLiteral("Школа"));
    QCOMPARE(display::toUnicode("Qubqana, wegova xamija", Script::Cyrillic),
             QStringLiteral("Љубљана, његова џамија"));
    QCOMPARE(display::toUnicode("^lan 5 y", Script::Cyrillic), QStringLiteral("Члан 5 y"));
    QCOMPARE(display::fromUnicode(QStringLiteral("Члан"), Script::Cyrillic), QByteArray("^lan"));
    QCOMPARE(display::fromUnicode(QStringLiteral("Čačak")), QByteArray("^a~ak"));
}

void TestYuscii::typedTextIsMappedOnce()
{
    using display::KeyFilter;
    QCOMPARE(display::mapTypedText(QStringLiteral("[kola"), KeyFilter::Map), QStringLiteral("škola"));
    QCOMPARE(display::mapTypedText(QStringLiteral("[kola"), KeyFilter::MapUpper), QStringLiteral("ŠKOLA"));
    // Screen letters (an input method's) stay letters; only their case follows the filter.
    QCOMPARE(display::mapTypedText(QStringLiteral("škola"), KeyFilter::Map), QStringLiteral("škola"));
    QCOMPARE(display::mapTypedText(QStringLiteral("škola"), KeyFilter::MapUpper), QStringLiteral("ŠKOLA"));
    // "@" typed is the YUSCII code of Ž and is shown so.
    QCOMPARE(display::mapTypedText(QStringLiteral("@"), KeyFilter::Map), QStringLiteral("Ž"));
    QCOMPARE(display::mapTypedText(QStringLiteral("80a8-0"), KeyFilter::DigitsOnly), QStringLiteral("8080"));
    // Mapping is idempotent over every ASCII key, so a field can re-map its whole text.
    for (KeyFilter f : {KeyFilter::Map, KeyFilter::MapUpper}) {
        for (int c = 0x20; c < 0x7f; ++c) {
            const QString once = display::mapTypedText(QString(QChar(c)), f);
            QCOMPARE(display::mapTypedText(once, f), once);
        }
    }
}

void TestYuscii::pastedTextKeepsItsCharacters()
{
    using display::KeyFilter;
    const QString pasted = QStringLiteral("O'B: \"{1}\"; škola – ш");
    QCOMPARE(display::fromUnicode(display::mapPastedText(pasted, KeyFilter::Map)),
             QByteArray("O'B: \"{1}\"; {kola ? {"));
    QCOMPARE(display::mapPastedText(pasted, KeyFilter::Map), QStringLiteral("O'B: \"š1ć\"; škola ? š"));
    QCOMPARE(display::mapPastedText(pasted, KeyFilter::MapUpper), QStringLiteral("O'B: \"Š1Ć\"; ŠKOLA ? Š"));
    QCOMPARE(display::mapPastedText(QStringLiteral("80a8"), KeyFilter::DigitsOnly), QStringLiteral("808"));
    for (KeyFilter f : {KeyFilter::Map, KeyFilter::MapUpper}) {
        for (int c = 0x20; c < 0x500; ++c) {
            const QString once = display::mapPastedText(QString(QChar(c)), f);
            QCOMPARE(display::mapPastedText(once, f), once);
        }
    }
}

// Whatever arrives in a field, typed or pasted, the field shows exactly the text it will store:
// reading the shown text back and showing it again gives the same text.
void TestYuscii::fieldShowsWhatItStores_data()
{
    QTest::addColumn<QString>("arriving");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("no code") << QStringLiteral("5 € – ok") << QByteArray("5 ? ? ok");
    QTest::newRow("Latin-1 kept") << QStringLiteral("Café") << QByteArray("Caf\xe9");
    // The program's own Cyrillic text, pasted back before the clipboard was flattened.
    QTest::newRow("Cyrillic as its code") << QStringLiteral("његова школа") << QByteArray("wegova {kola");
    QTest::newRow("Cyrillic without a code") << QStringLiteral("йод") << QByteArray("?od");
    // A letter written with a combining accent is that letter; an accent YUSCII cannot hold goes.
    QTest::newRow("combining caron") << QStringLiteral("s\u030Cuma") << QByteArray("{uma");
    QTest::newRow("combining tilde") << QStringLiteral("q\u0303x") << QByteArray("qx");
    QTest::newRow("outside the basic plane") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
}

void TestYuscii::fieldShowsWhatItStores()
{
    using display::KeyFilter;
    QFETCH(QString, arriving);
    QFETCH(QByteArray, stored);
    const QString pasted = display::mapPastedText(arriving, KeyFilter::Map);
    QCOMPARE(display::fromUnicode(pasted), stored);
    QCOMPARE(display::toUnicode(stored), pasted);
    // An input method's commit: the same, with the ASCII keys (none here but "?") mapped.
    const QString typed = display::mapTypedText(arriving, KeyFilter::Map);
    QCOMPARE(display::toUnicode(display::fromUnicode(typed)), typed);
    const QString upper = display::mapTypedText(arriving, KeyFilter::MapUpper);
    QCOMPARE(display::toUnicode(display::fromUnicode(upper)), upper);
    QCOMPARE(display::fromUnicode(upper), yupperW(display::fromUnicode(upper)));
}

void TestYuscii::oneLineField_data()
{
    QTest::addColumn<QString>("arriving");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("result");
    const QString none;
    // A title copied with its line end, in every way a line ends.
    for (const char* end : {"\n", "\r\n", "\r", "\u2028", "\u2029", "\v", "\f", "\u0085", " \r\n\r\n"}) {
        QTest::addRow("line end %s", QByteArray(end).toPercentEncoding().constData())
            << QStringLiteral("Zakon o radu") + QString::fromUtf8(end) << none << none << QStringLiteral("Zakon o radu");
    }
    QTest::newRow("line start") << QStringLiteral("\r\nZakon o radu") << none << none << QStringLiteral("Zakon o radu");
    QTest::newRow("lines joined") << QStringLiteral("Zakon o\r\nradu") << none << none << QStringLiteral("Zakon o radu");
    QTest::newRow("blanks at the break") << QStringLiteral("Zakon o \n\n  radu") << none << none
                                         << QStringLiteral("Zakon o radu");
    QTest::newRow("tabs") << QStringLiteral("Zakon\to\tradu") << none << none << QStringLiteral("Zakon o radu");
    QTest::newRow("controls") << QStringLiteral("a\x01" "b\x7f") << none << none << QStringLiteral("a b ");
    QTest::newRow("blanks kept") << QStringLiteral(" a  b ") << none << none << QStringLiteral(" a  b ");
    QTest::newRow("only a break") << QStringLiteral("\r\n") << none << none << QString();
    // In the middle of the field's text a break at an end of the arriving text still parts words,
    // but beside a blank it adds none.
    QTest::newRow("after a word") << QStringLiteral("\nradu") << QStringLiteral("o") << none << QStringLiteral(" radu");
    QTest::newRow("after a blank") << QStringLiteral("\nradu") << QStringLiteral(" ") << none << QStringLiteral("radu");
    QTest::newRow("before a word") << QStringLiteral("Zakon\n") << none << QStringLiteral("o") << QStringLiteral("Zakon ");
    QTest::newRow("between words") << QStringLiteral("\n") << QStringLiteral("a") << QStringLiteral("b")
                                   << QStringLiteral(" ");
    QTest::newRow("at the end") << QStringLiteral("\n") << QStringLiteral("a") << none << QString();
}

void TestYuscii::oneLineField()
{
    QFETCH(QString, arriving);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, result);
    QCOMPARE(display::oneLine(arriving, before.isEmpty() ? QChar() : before.at(0), after.isEmpty() ? QChar() : after.at(0)),
             result);
}

QTEST_GUILESS_MAIN(TestYuscii)
#include "tst_yuscii.moc"
