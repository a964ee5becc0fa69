// The viewer's rules on their own: the find's shadow copy, article headings, the quick-open mark,
// the find field's typing and script, and pictures that cannot be decoded.

#include "documenttext.h"
#include "findfield.h"
#include "pictures.h"

#include <QBuffer>
#include <QtTest>

using viewer::ArticleHeading;
using viewer::MarkResult;
using viewer::ShadowCopy;

class TestViewerRules : public QObject {
    Q_OBJECT
private slots:
    void shadowCopyFindsOnAndForgetsOnNewText();
    void articleHeadings_data();
    void articleHeadings();
    void headingsKeepTheirOwnPositions();
    void quickOpenListGrowsToEight();
    void findFieldMapsKeysInItsScript();
    void picturesThatCannotBeDecoded();
};

void TestViewerRules::shadowCopyFindsOnAndForgetsOnNewText()
{
    ShadowCopy copy;
    copy.setText("^LAN 1\nTEKST\n^LAN 2\nTEKST");
    QCOMPARE(copy.findNext("^LAN"), 0);
    QCOMPARE(copy.findStart(), 4);
    QCOMPARE(copy.findNext("^LAN"), 13);
    QCOMPARE(copy.findNext("^LAN"), -1);
    QCOMPARE(copy.selStart(), 13); // a miss leaves the last hit
    QCOMPARE(copy.findNext(""), -1);

    // The same text again keeps the position; another text starts at the top.
    copy.setText("^LAN 1\nTEKST\n^LAN 2\nTEKST");
    QCOMPARE(copy.findStart(), 17);
    copy.setText("^LAN 1\nTEKST\n^LAN 2\nTEKST.");
    QCOMPARE(copy.findStart(), 0);

    // An empty selection, as after a restart, means the top.
    copy.findNext("TEKST");
    copy.select(0, 0);
    QCOMPARE(copy.findNext("TEKST"), 7);
    // A selection beyond the text is clamped to it.
    copy.select(100, 5);
    QCOMPARE(copy.selStart(), int(copy.text().size()));
    QCOMPARE(copy.selLength(), 0);
}

void TestViewerRules::articleHeadings_data()
{
    QTest::addColumn<QByteArray>("paragraph");
    QTest::addColumn<bool>("heading");
    QTest::newRow("Latin") << QByteArray("^lan 1") << true;
    QTest::newRow("any first character") << QByteArray("Xlan 12.") << true;
    QTest::newRow("heading with text") << QByteArray("^lan 3 Predmet zakona") << true;
    QTest::newRow("capitals") << QByteArray("^LAN 1") << false;
    QTest::newRow("letter in sixth place") << QByteArray("^lan a") << false;
    QTest::newRow("too short") << QByteArray("^lan ") << false;
    QTest::newRow("two blanks") << QByteArray("^lan  1") << false;
    QTest::newRow("in a sentence") << QByteArray("Prema ^lan 1") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestViewerRules::articleHeadings()
{
    QFETCH(QByteArray, paragraph);
    QFETCH(bool, heading);
    QCOMPARE(viewer::isArticleHeading(paragraph), heading);
}

void TestViewerRules::headingsKeepTheirOwnPositions()
{
    // A heading at position 0, "^lan 1" before "^lan 10", and a last paragraph without a line end.
    QByteArray text = "^lan 1\nPrvi.\n";
    for (int n = 2; n <= 10; ++n) {
        text += "^lan " + QByteArray::number(n) + "\nTekst.\n";
    }
    text += "\n^lan 11";
    const QList<ArticleHeading> headings = viewer::articleHeadings(text);
    QCOMPARE(headings.size(), 11);
    QCOMPARE(headings[0].entry, QByteArray("^lan 1"));
    QCOMPARE(headings[0].position, 0);
    QCOMPARE(headings[9].entry, QByteArray("^lan 10"));
    QCOMPARE(headings[9].position, int(text.indexOf("^lan 10")));
    QCOMPARE(headings[10].entry, QByteArray("^lan 11"));
    QCOMPARE(headings[10].position, int(text.size()) - 7);
    for (const ArticleHeading& h : headings) {
        QCOMPARE(text.mid(h.position, h.entry.size()), h.entry);
    }
    QVERIFY(viewer::articleHeadings("").isEmpty());
    QVERIFY(viewer::articleHeadings("\n\n").isEmpty());
}

void TestViewerRules::quickOpenListGrowsToEight()
{
    QByteArrayList list;
    for (int i = 1; i <= 7; ++i) {
        list << "Propis " + QByteArray::number(i);
    }
    QCOMPARE(viewer::markForQuickOpening(list, "Propis 3"), MarkResult::AlreadyThere);
    QCOMPARE(viewer::markForQuickOpening(list, "propis 3"), MarkResult::Added); // compared exactly
    QCOMPARE(list.size(), 8);
    QCOMPARE(viewer::markForQuickOpening(list, "Zakon o {umama"), MarkResult::Full);
    QCOMPARE(viewer::markForQuickOpening(list, "Propis 1"), MarkResult::Full);
    QCOMPARE(list.size(), 8);
    QCOMPARE(viewer::lengthText(1234), QByteArray("Du`ina teksta: 1234 karaktera"));
}

void TestViewerRules::findFieldMapsKeysInItsScript()
{
    viewer::FindField field;
    QTest::keyClicks(&field, "[uma;'x");
    QCOMPARE(field.text(), QStringLiteral("ŠUMAČĆX"));
    QCOMPARE(field.yuscii(), QByteArray("[UMA^]X"));
    // Pasted screen letters of either script keep their code, upper-cased.
    field.clear();
    field.insert(QStringLiteral("šuma љ"));
    QCOMPARE(field.yuscii(), QByteArray("[UMA Q"));

    field.setScript(display::Script::Cyrillic);
    QCOMPARE(field.yuscii(), QByteArray("[UMA Q"));
    QCOMPARE(field.text(), QStringLiteral("ШУМА Љ"));
    QTest::keyClicks(&field, "nw");
    QCOMPARE(field.text(), QStringLiteral("ШУМА ЉНЊ"));
    field.setScript(display::Script::Latin);
    QCOMPARE(field.text(), QStringLiteral("ŠUMA QNW"));

    field.setYuscii("{kola");
    QCOMPARE(field.text(), QStringLiteral("škola")); // program text passes as it stands
}

void TestViewerRules::picturesThatCannotBeDecoded()
{
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QCOMPARE(viewer::decodePicture(png).size(), QSize(8, 4));
    QVERIFY(viewer::decodePicture({}).isNull());
    QVERIFY(viewer::decodePicture(png.left(30)).isNull());
    QVERIFY(viewer::decodePicture("not a picture at all").isNull());
}

QTEST_MAIN(TestViewerRules)
#include "tst_viewer_rules.moc"
