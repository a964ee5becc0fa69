// The contracts tab while another program, or the disk, breaks its tables under the running
// program: a table renamed over by a copy cut short, by a file that is no table, by one of other
// fields or of another password; cut short in place; the data folder removed; held by another
// program in a write; failing to read. Every action the user has on the tab is taken through the
// real window: the program survives each, tells the table's message naming its file, writes
// nothing into either file, stays usable and closes.

#include "failingreads.h"
#include "programfixture.h"
#include "replacedfile.h"

#include "printerenv.h"
#include "richedit.h"
#include "schema.h"
#include "screentext.h"
#include "tablefile.h"

#include <memory>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <sqlite3.h>

using testsupport::Prompt;

namespace {

constexpr int kGazettesTab = 0;
constexpr int kContractsTab = 6;

// No default printer: a print command says so and shows nothing modal.
class NoPrinter final : public platform::PrinterEnvironment {
public:
    NoPrinter() { platform::setPrinterEnvironment(this); }
    ~NoPrinter() override { platform::setPrinterEnvironment(nullptr); }
    QString defaultPrinterName() const override { return {}; }
    bool printersInstalled() const override { return false; }
    QPrinter& printer() override { return m_printer; }
    bool printerSetup(QWidget*) override { return false; }
    std::optional<platform::PrintRequest> printDialog(QWidget*, int, int) override { return std::nullopt; }
    std::unique_ptr<QPainter> beginJob(const QString&) override { return nullptr; }

private:
    QPrinter m_printer;
};

// Another program's connection holding the table in a write (BEGIN EXCLUSIVE) while it lives.
class HeldByAnotherProgram final {
public:
    explicit HeldByAnotherProgram(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        m_held = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~HeldByAnotherProgram()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
    HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;
    bool held() const { return m_held; }

private:
    sqlite3* m_db = nullptr;
    bool m_held = false;
};

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What breaks a table while the program runs. Lives as long as the fault does (a lock, failing
// reads); `end()` takes a passing fault away.
class Fault final {
public:
    Fault(const QString& kind, const QString& folder, const QString& fileName, testsupport::FailingReads& reads)
        : m_kind(kind), m_path(QDir(folder).filePath(fileName)), m_reads(reads)
    {
        m_keep = m_path + QStringLiteral(".stari");
        m_replacement = m_path + QStringLiteral(".nova");
        QString failed;
        if (kind == "cut short" || kind == "not a table" || kind == "other fields" || kind == "other password") {
            QFile::remove(m_replacement);
            if (kind == "cut short") {
                QVERIFY(QFile::copy(m_path, m_replacement));
                QFile cut(m_replacement);
                QVERIFY(cut.resize(cut.size() / 2));
            } else if (kind == "not a table") {
                QFile junk(m_replacement);
                QVERIFY(junk.open(QIODevice::WriteOnly));
                junk.write(QByteArray(20000, 'k'));
            } else if (kind == "other fields") {
                QVERIFY(QFile::copy(m_path, m_replacement));
                failed = testsupport::runSqliteTool(m_replacement, "ALTER TABLE records ADD COLUMN Dodatak TEXT;");
                QVERIFY2(failed.isEmpty(), qPrintable(failed));
            } else {
                engine::createTableFile(m_replacement, data::tableFile(fileName).structure, "drugaa");
            }
            m_replaced = fileBytes(m_replacement);
            m_old = fileBytes(m_path);
            failed = testsupport::renameOver(m_replacement, m_path, m_keep);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        } else if (kind == "cut short in place") {
            QFile cut(m_path);
            QVERIFY(cut.resize(cut.size() / 2));
        } else if (kind == "folder removed") {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (kind == "locked") {
            m_lock = std::make_unique<HeldByAnotherProgram>(m_path);
            QVERIFY(m_lock->held());
        } else if (kind == "read error") {
            m_reads.arm(QFile::encodeName(fileName));
        } else {
            QFAIL(qPrintable(kind));
        }
    }
    ~Fault() { end(); }

    // A lock released, the disk reading again; the other faults stay.
    bool passes() const { return m_kind == "locked" || m_kind == "read error"; }
    void end()
    {
        m_lock.reset();
        m_reads.disarm();
    }
    // Nothing was written into the file put in place, nor into the one it replaced.
    void checkUnwritten() const
    {
        if (m_replaced.isEmpty()) {
            return;
        }
        QCOMPARE(fileBytes(m_path), m_replaced);
        QCOMPARE(fileBytes(m_keep), m_old);
    }

private:
    QString m_kind;
    QString m_path;
    QString m_keep;
    QString m_replacement;
    QByteArray m_replaced;
    QByteArray m_old;
    testsupport::FailingReads& m_reads;
    std::unique_ptr<HeldByAnotherProgram> m_lock;
};

void clickTab(QTabWidget* tabs, int index)
{
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

void clickRow(QTreeWidget* list, int row)
{
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
}

QToolButton* navigatorButton(TForm1* f, const char* name)
{
    return f->DBNavigator1->findChild<QToolButton*>(QLatin1String(name));
}

const QStringList kFaults = {"cut short",          "not a table",    "other fields", "other password",
                             "cut short in place", "folder removed", "locked",       "read error"};

// A fault that another program's copy or the disk makes, which the first read finds.
bool foundAtOnce(const QString& fault)
{
    return fault != "cut short in place";
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

private:
    // Every table fault of this process's tables goes through it; made before any table opens.
    std::unique_ptr<testsupport::FailingReads> m_reads;
    std::unique_ptr<ProgramFixture> m_program;
    NoPrinter m_printer;

    QString dataFolder() const { return m_program->path(QStringLiteral("Podatci")); }
    // Runs `step`; every error it showed names the table (any table, when the whole folder went),
    // and the window is not left busy. The number of errors shown.
    int step(const char* what, const QByteArray& named, const std::function<void()>& action);
};

void TestTableFaults::initTestCase()
{
    m_reads = std::make_unique<testsupport::FailingReads>();
}

void TestTableFaults::cleanup()
{
    m_program.reset();
}

int TestTableFaults::step(const char* what, const QByteArray& named, const std::function<void()>& action)
{
    auto& prompter = m_program->prompter;
    prompter.clear();
    action();
    // What the action left queued runs, and its reads end, before the next action.
    QTest::qWait(0);
    int errors = 0;
    for (const Prompt& p : prompter.asked()) {
        if (p.kind == Prompt::Error) {
            ++errors;
            [&] { QVERIFY2(p.text.contains(named), (QByteArray(what) + ": " + p.text).constData()); }();
        }
    }
    [&] { QVERIFY2(!m_program->form1->isBusy(), what); }();
    [&] { QVERIFY2(m_program->form1->PageControl1->isEnabled(), what); }();
    prompter.clear();
    return errors;
}

void TestTableFaults::contractsTab_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fault");
    for (const char* table : {"TB_Ugovori.db", "TB_Korisnicki.db"}) {
        for (const QString& fault : kFaults) {
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
        Fault broken(fault, dataFolder(), table, *m_reads);
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
    for (const QString& fault : kFaults) {
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
    std::unique_ptr<Fault> broken;
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
                broken = std::make_unique<Fault>(fault, dataFolder(), table, *m_reads);
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
    std::unique_ptr<Fault> broken;
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        clickTab(f->PageControl1, kContractsTab);
        clickTab(f->PageControl3, 1);
        f->DBRichEdit4->setFocus();
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Izgubljena izmena ");
        QTest::qWait(0);
        broken = std::make_unique<Fault>(fault, dataFolder(), table, *m_reads);
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

QTEST_MAIN(TestTableFaults)
#include "tst_tablefaults.moc"
