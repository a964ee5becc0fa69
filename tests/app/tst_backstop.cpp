// The program's application object stands between the event loop and every handler: a table
// failure that a handler lets pass is told with the table's message and the program goes on.

#include "application.h"
#include "programfixture.h"

#include "error.h"

#include <QPushButton>
#include <QTabWidget>

using testsupport::Prompt;

namespace {

engine::Error lockedTable()
{
    return engine::Error(engine::Error::Kind::Locked, QStringLiteral("/tmp/Podatci/TB_Ugovori.db"),
                         QStringLiteral("database is locked"));
}

} // namespace

class TestBackstop : public QObject {
    Q_OBJECT
private slots:
    void tableFailureEscapingAHandlerIsTold();
};

void TestBackstop::tableFailureEscapingAHandlerIsTold()
{
    ProgramFixture program(5);
    program.start();
    const QByteArray expected = data::userMessage(lockedTable());
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        auto& prompter = program.prompter;
        // A button on the window whose handler fails on purpose, as one that catches nothing would.
        auto* failing = new QPushButton(QStringLiteral("Kvar"), f->PageControl1->currentWidget());
        failing->show();
        int clicks = 0;
        QObject::connect(failing, &QPushButton::clicked, [&] {
            ++clicks;
            throw lockedTable();
        });
        QTest::mouseClick(failing, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QCOMPARE(prompter.asked().size(), 1);
        QCOMPARE(prompter.asked().first().kind, Prompt::Error);
        QCOMPARE(prompter.asked().first().text, expected);
        QVERIFY(prompter.asked().first().text.contains("TB_Ugovori.db"));

        // The program goes on: the same button fails and is told again, a failing timer too, and
        // the window takes the user's next step.
        QTest::mouseClick(failing, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(prompter.asked().size(), 2);
        bool fired = false;
        QTimer::singleShot(0, f, [&] {
            fired = true;
            throw lockedTable();
        });
        QTRY_VERIFY(fired);
        QTRY_COMPARE(prompter.asked().size(), 3);
        QCOMPARE(prompter.asked().last().text, expected);
        f->PageControl1->setCurrentIndex(2);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QVERIFY(!failing->isDown());
        delete failing;
    }));
    QVERIFY(program.ended);
    QVERIFY(program.prompter.unexpected().isEmpty());
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    QTEST_DISABLE_KEYPAD_NAVIGATION
    TestBackstop test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backstop.moc"
