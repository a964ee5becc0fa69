// The contracts tab while another program, or the disk, breaks its tables under the running
// program: a table renamed over by a copy cut short, by a file that is no table, by one of other
// fields or of another password; cut short in place; the data folder removed; held by another
// program in a write; failing to read. Every action the user has on the tab is taken through the
// real window: the program survives each, tells the table's message naming its file, writes
// nothing into either file, stays usable and closes.

#include "tablefaults.h"

#include "richedit.h"
#include "screentext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace testsupport;

namespace {

constexpr int kGazettesTab = 0;
constexpr int kContractsTab = 6;

QToolButton* navigatorButton(TForm1* f, const char* name)
{
    return f->DBNavigator1->findChild<QToolButton*>(QLatin1String(name));
}

} // namespace

class TestTableFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void contractsTab_data();
    void contractsTab();
    void copyFailsAfterTheNameQuestion_data();
    void copyFailsAfterTheNameQuestion();
    void closingWithAnEditThatCannotBeSaved_data();
    void closingWithAnEditThatCannotBeSaved();
    void failedMoveKeepsTheEditedContractChosen_data();
    void failedMoveKeepsTheEditedContractChosen();

private:
    // Every table fault of this process's tables goes through it; made before any table opens.
    std::unique_ptr<testsupport::FaultyDisk> m_reads;
    std::unique_ptr<ProgramFixture> m_program;
    NoPrinter m_printer;

    QString dataFolder() const { return m_program->path(QStringLiteral("Podatci")); }
    // Runs `step`; every error it showed names the table (any table, when the whole folder went),
    // and the window is not left busy. The number of errors shown.
    int step(const char* what, const QByteArray& named, const std::function<void()>& action);
};

void TestTableFaults::initTestCase()
{
    m_reads = std::make_unique<testsupport::FaultyDisk>(QByteArray(), testsupport::FaultyDisk::Fault::ReadsFail);
}

void TestTableFaults::cleanup()
{
    m_program.reset();
}

int TestTableFaults::step(const char* what, const QByteArray& named, const std::function<void()>& action)
{
    // With the data folder gone, a step that reads both of the tab's tables tells each.
    const int told = faultStep(*m_program, what, named, action, false, named == "TB_" ? 2 : 1);
    // The list shows the contract whose fields are shown, so that a save or a delete cannot be
    // taken for another one.
    TForm1* f = m_program->form1;
    if (f->DBEdit1->isEnabled() && !f->DBEdit1->isModified() && f->DBGrid13->currentItem() != nullptr) {
        [&] { QCOMPARE(f->DBGrid13->currentItem()->text(0), f->DBEdit1->text()); }();
    }
    return told;
}

void TestTableFaults::contractsTab_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fault");
    for (const char* table : {"TB_Ugovori.db", "TB_Korisnicki.db"}) {
        for (const QString& fault : kTableFaults) {
            QTest::addRow("%s %s", table, qPrintable(fault)) << QString::fromLatin1(table) << fault;
        }
    }
}

void TestTableFaults::contractsTab()
{
    QFETCH(QString, table);
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(5);
    m_program->start();
    const QByteArray named = fault == "folder removed" ? QByteArray("TB_") : table.toLatin1();
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        auto& prompter = m_program->prompter;
        TableFault broken(fault, dataFolder(), table, *m_reads);
        if (QTest::currentTestFailed()) {
            return;
        }
        int told = 0;
        told += step("tab click", named, [&] { clickTab(f->PageControl1, kContractsTab); });
        told += step("model chosen", named, [&] { QTest::keyClick(f->ComboBox5, Qt::Key_Down); });
        told += step("fill", named, [&] { QTest::mouseClick(f->SpeedButton9, Qt::LeftButton); });
        told += step("print", named, [&] { QTest::mouseClick(f->SpeedButton28, Qt::LeftButton); });
        told += step("copy", named, [&] {
            prompter.answerInput(std::nullopt);
            QTest::mouseClick(f->SpeedButton18, Qt::LeftButton);
        });
        told += step("user contracts page", named, [&] { clickTab(f->PageControl3, 1); });
        told += step("list click", named, [&] { clickRow(f->DBGrid13, 1); });
        told += step("edit posted", named, [&] {
            if (f->DBRichEdit4->isEnabled()) {
                f->DBRichEdit4->setFocus();
                f->DBRichEdit4->select(0, 0);
                QTest::keyClicks(f->DBRichEdit4, "Izmena ");
                QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);
            }
        });
        told += step("edit cancelled", named, [&] {
            if (f->DBRichEdit4->isEnabled()) {
                f->DBRichEdit4->select(0, 0);
                QTest::keyClicks(f->DBRichEdit4, "Odbaceno ");
                QTest::mouseClick(navigatorButton(f, "nbCancel"), Qt::LeftButton);
                QVERIFY(!f->DBRichEdit4->yusciiText().contains("Odbaceno"));
            }
        });
        told += step("list click again", named, [&] { clickRow(f->DBGrid13, 0); });
        told += step("delete", named, [&] { QTest::mouseClick(f->SpeedButton4, Qt::LeftButton); });
        told += step("print user contract", named, [&] { QTest::mouseClick(f->SpeedButton16, Qt::LeftButton); });
        told += step("delete by the model's name, confirmed", named, [&] {
            prompter.answer(platform::Answer::Ok);
            f->SpeedButton29Click();
        });
        told += step("delete by the model's name, cancelled", named, [&] {
            prompter.answer(platform::Answer::Cancel);
            f->SpeedButton29Click();
        });
        told += step("models page", named, [&] { clickTab(f->PageControl3, 0); });
        told += step("another tab", named, [&] { clickTab(f->PageControl1, kGazettesTab); });
        told += step("back to the tab", named, [&] { clickTab(f->PageControl1, kContractsTab); });
        if (foundAtOnce(fault)) {
            QVERIFY2(told > 0, "the failing table was never told of");
        }
        broken.checkUnwritten();

        // A fault that passes leaves a window that works as before.
        if (broken.passes()) {
            broken.end();
            QCOMPARE(step("model chosen after the fault", named, [&] { QTest::keyClick(f->ComboBox5, Qt::Key_Up); }),
                     0);
            QVERIFY(f->RichEdit2->textLength() > 10);
            QCOMPARE(step("user contracts after the fault", named,
                          [&] {
                              clickTab(f->PageControl3, 1);
                              clickRow(f->DBGrid13, 1);
                          }),
                     0);
            QVERIFY(f->DBGrid13->topLevelItemCount() > 0);
            QCOMPARE(f->DBRichEdit4->isEnabled(), true);
        }
    }));
    QVERIFY2(m_program->ended, "the program did not close");
}

void TestTableFaults::copyFailsAfterTheNameQuestion_data()
{
    QTest::addColumn<QString>("fault");
    for (const QString& fault : kTableFaults) {
        if (fault != "cut short in place") {
            QTest::newRow(qPrintable(fault)) << fault;
        }
    }
}

// "Prebaci u korisni~ke ugovore" of a model already copied asks for another name; the table fails
// while the question is open, and the copy is then refused with the table's message.
void TestTableFaults::copyFailsAfterTheNameQuestion()
{
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(5);
    m_program->start();
    const QString table = QStringLiteral("TB_Korisnicki.db");
    const QByteArray named = fault == "folder removed" ? QByteArray("TB_") : table.toLatin1();
    std::unique_ptr<TableFault> broken;
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        auto& prompter = m_program->prompter;
        clickTab(f->PageControl1, kContractsTab);
        const int index = f->ComboBox5->findText(platform::toScreen("Ugovor o poklonu"));
        QVERIFY(index >= 0);
        f->ComboBox5->setCurrentIndex(index);
        f->ComboBox5Change();
        QCOMPARE(step("first copy", named, [&] { QTest::mouseClick(f->SpeedButton18, Qt::LeftButton); }), 0);
        const int listed = f->DBGrid13->topLevelItemCount();
        clickTab(f->PageControl3, 0);
        prompter.onPrompt = [&](const Prompt& p) {
            if (p.kind == Prompt::Input) {
                // The question's own loop runs meanwhile: the program's read of the table ends.
                QCoreApplication::processEvents();
                broken = std::make_unique<TableFault>(fault, dataFolder(), table, *m_reads);
            }
        };
        const int told = step("second copy", named, [&] {
            prompter.answerInput(QByteArray("Korisnicki poklon 2"));
            QTest::mouseClick(f->SpeedButton18, Qt::LeftButton);
        });
        prompter.onPrompt = nullptr;
        QVERIFY(broken != nullptr);
        QCOMPARE(told, 1);
        // The copy is not taken for a stored contract: the list does not grow.
        QVERIFY(f->DBGrid13->topLevelItemCount() <= listed);
        broken->checkUnwritten();
        if (fault != "folder removed") {
            // The models' table is another file, and works as before.
            QCOMPARE(step("models page", named, [&] { QTest::keyClick(f->ComboBox5, Qt::Key_Down); }), 0);
            QVERIFY(f->RichEdit2->textLength() > 10);
        }
    }));
    QVERIFY2(m_program->ended, "the program did not close");
    broken.reset();
}

void TestTableFaults::closingWithAnEditThatCannotBeSaved_data()
{
    copyFailsAfterTheNameQuestion_data();
}

// An edit of a user contract waits for its save when the table fails: closing tells it once,
// with the words that the edit is lost, and the program ends.
void TestTableFaults::closingWithAnEditThatCannotBeSaved()
{
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(5);
    m_program->start();
    const QString table = QStringLiteral("TB_Korisnicki.db");
    std::unique_ptr<TableFault> broken;
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        clickTab(f->PageControl1, kContractsTab);
        clickTab(f->PageControl3, 1);
        f->DBRichEdit4->setFocus();
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Izgubljena izmena ");
        QTest::qWait(0);
        broken = std::make_unique<TableFault>(fault, dataFolder(), table, *m_reads);
        m_program->prompter.clear();
    }));
    QVERIFY2(m_program->ended, "the program did not close");
    const QList<Prompt> asked = m_program->prompter.asked();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().kind, Prompt::Error);
    QVERIFY2(asked.first().text.contains(fault == "folder removed" ? "TB_" : table.toLatin1()),
             asked.first().text.constData());
    QVERIFY2(asked.first().text.endsWith("Izmena korisni~kog ugovora nije sa~uvana."), asked.first().text.constData());
    broken->checkUnwritten();
    broken.reset();
}

void TestTableFaults::failedMoveKeepsTheEditedContractChosen_data()
{
    copyFailsAfterTheNameQuestion_data();
    QTest::newRow("cut short in place") << QStringLiteral("cut short in place");
}

// A user contract's name is edited and the table then fails: a click on another contract of the
// list tells the table's message, and the list stays on the edited contract, whose fields are still
// shown and whose edit still waits. Once the table is whole again the next click saves the edit
// into that contract, and no other.
void TestTableFaults::failedMoveKeepsTheEditedContractChosen()
{
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(5);
    m_program->start();
    const QString table = QStringLiteral("TB_Korisnicki.db");
    const QByteArray named = fault == "folder removed" ? QByteArray("TB_") : table.toLatin1();
    const auto storedNames = [] {
        engine::Table t;
        t.setDatabaseName("ZAKONI");
        t.setTableName(QStringLiteral("TB_Korisnicki.db"));
        t.open();
        QByteArrayList names;
        for (t.first(); !t.eof(); t.next()) {
            names << t.field(0).asString();
        }
        return names;
    };
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        clickTab(f->PageControl1, kContractsTab);
        // Two user contracts at least.
        for (const char* model : {"Ugovor o poklonu", "Ugovor o posredovanju"}) {
            f->ComboBox5->setCurrentIndex(f->ComboBox5->findText(platform::toScreen(model)));
            f->ComboBox5Change();
            m_program->prompter.answerInput(QByteArray(model) + " 2");
            QTest::mouseClick(f->SpeedButton18, Qt::LeftButton);
        }
        clickTab(f->PageControl3, 1);
        QVERIFY(f->DBGrid13->topLevelItemCount() >= 2);
        m_program->prompter.clear();
        const QByteArrayList before = storedNames();
        clickRow(f->DBGrid13, 0);
        const QString edited = f->DBGrid13->topLevelItem(0)->text(0);
        QCOMPARE(f->DBEdit1->text(), edited);
        f->DBEdit1->setFocus();
        f->DBEdit1->end(false);
        QTest::keyClicks(f->DBEdit1, " novi");
        const QString editedName = edited + QStringLiteral(" novi");

        TableFault broken(fault, dataFolder(), table, *m_reads);
        if (QTest::currentTestFailed()) {
            return;
        }
        const auto stillOnTheEdited = [&](const char* what) {
            QVERIFY2(f->DBGrid13->currentItem() == f->DBGrid13->topLevelItem(0), what);
            QVERIFY2(f->DBGrid13->selectedItems() == QList<QTreeWidgetItem*>{f->DBGrid13->topLevelItem(0)}, what);
            QCOMPARE(f->DBEdit1->text(), editedName);
            QVERIFY2(f->DBEdit1->isModified(), what);
        };
        int told = faultStep(*m_program, "another contract clicked", named, [&] { clickRow(f->DBGrid13, 1); });
        stillOnTheEdited("another contract clicked");
        told += faultStep(*m_program, "clicked again", named, [&] { clickRow(f->DBGrid13, 1); });
        stillOnTheEdited("clicked again");
        told += faultStep(*m_program, "moved by the keyboard", named, [&] {
            f->DBGrid13->setFocus();
            QTest::keyClick(f->DBGrid13, Qt::Key_Down);
        });
        stillOnTheEdited("moved by the keyboard");
        if (foundAtOnce(fault)) {
            QVERIFY2(told > 0, "the failing table was never told of");
        }
        broken.checkUnwritten();
        if (!broken.clear()) {
            return;
        }
        QCOMPARE(faultStep(*m_program, "clicked with the table back", named, [&] { clickRow(f->DBGrid13, 1); }), 0);
        QVERIFY(f->DBGrid13->currentItem() == f->DBGrid13->topLevelItem(1));
        QByteArrayList expected = before;
        QVERIFY(expected.contains(platform::fromScreen(edited)));
        expected[expected.indexOf(platform::fromScreen(edited))] = platform::fromScreen(editedName);
        QByteArrayList stored = storedNames();
        std::sort(expected.begin(), expected.end());
        std::sort(stored.begin(), stored.end());
        QCOMPARE(stored, expected);
    }));
    QVERIFY2(m_program->ended, "the program did not close");
}

TABLEFAULTS_MAIN(TestTableFaults)
#include "tst_tablefaults.moc"
