// The viewer's rules on their own: which paragraphs are article headings, and the find field's
// typing in either script. The windows' tests cover the rest through the windows.

#include "documenttext.h"
#include "findfield.h"

#include <QtTest>

class TestViewerRules : public QObject {
    Q_OBJECT
private slots:
    void articleHeadings_data();
    void articleHeadings();
    void findFieldMapsKeysInItsScript();
};

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

QTEST_MAIN(TestViewerRules)
#include "tst_viewer_rules.moc"
