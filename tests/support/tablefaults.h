#pragma once

// Tables broken under the running program, as another program or the disk breaks them: a table
// renamed over by a copy cut short, by a file that is no table, by one of other fields or of another
// password; cut short in place; the data folder removed; held by another program in a write;
// failing to read. And the way a test takes the user's steps on a window meanwhile: each step is
// checked to have told only the table's message, to have let no failure reach the event loop, and
// to have left the window usable.

#include "faultydisk.h"
#include "programfixture.h"
#include "replacedfile.h"

#include "error.h"
#include "mainwindow.h"
#include "printerenv.h"
#include "schema.h"
#include "tablefile.h"
#include "usermessages.h"

#include <functional>
#include <memory>
#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <sqlite3.h>

namespace testsupport {

// The tests' application object: a table failure that a handler lets pass is counted and the
// event loop goes on, so that one unguarded handler fails its step and not the whole test.
class WatchedApplication final : public QApplication {
public:
    WatchedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const engine::Error& e) {
            escaped.append(data::userMessage(e));
            return false;
        }
    }
    // The messages of the failures that reached the event loop, uncaught by their handler.
    static inline QByteArrayList escaped;
};

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

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What breaks a table while the program runs. Lives as long as the fault does (a lock, failing
// reads); `end()` takes a passing fault away.
class TableFault final {
public:
    TableFault(const QString& kind, const QString& folder, const QString& fileName, FaultyDisk& reads)
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
                failed = runSqliteTool(m_replacement, "ALTER TABLE records ADD COLUMN Dodatak TEXT;");
                QVERIFY2(failed.isEmpty(), qPrintable(failed));
            } else {
                engine::createTableFile(m_replacement, data::tableFile(fileName).structure, "drugaa");
            }
            m_replaced = fileBytes(m_replacement);
            m_old = fileBytes(m_path);
            failed = renameOver(m_replacement, m_path, m_keep);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        } else if (kind == "cut short in place") {
            QFile cut(m_path);
            QVERIFY(cut.resize(cut.size() / 2));
        } else if (kind == "folder removed") {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (kind == "locked") {
            m_lock = std::make_unique<HeldByAnotherProgram>(m_path);
            for (int i = 0; i < 20 && !m_lock->held(); ++i) {
                QTest::qWait(20);
                m_lock = std::make_unique<HeldByAnotherProgram>(m_path);
            }
            QVERIFY(m_lock->held());
        } else if (kind == "read error") {
            m_reads.arm(QFile::encodeName(fileName));
        } else {
            QFAIL(qPrintable(kind));
        }
    }
    ~TableFault() { end(); }

    // A lock released, the disk reading again; the other faults stay.
    bool passes() const { return m_kind == "locked" || m_kind == "read error"; }
    void end()
    {
        m_lock.reset();
        m_reads.disarm();
    }
    // The table whole at its place again: a passing fault ends, a replaced file's original is
    // renamed back over the replacement (as the backup tool would put it right). False when the
    // fault cannot be undone (a file cut short in place, the folder removed).
    bool clear()
    {
        end();
        if (m_replaced.isEmpty()) {
            return passes();
        }
        const QString failed = renameOver(m_keep, m_path);
        [&] { QVERIFY2(failed.isEmpty(), qPrintable(failed)); }();
        m_replaced.clear();
        return failed.isEmpty();
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
    FaultyDisk& m_reads;
    std::unique_ptr<HeldByAnotherProgram> m_lock;
};

inline void clickTab(QTabWidget* tabs, int index)
{
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

inline void clickRow(QTreeWidget* list, int row)
{
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
}

inline const QStringList kTableFaults = {"cut short",          "not a table",    "other fields", "other password",
                                         "cut short in place", "folder removed", "locked",       "read error"};

// A fault that another program's copy or the disk makes, which the first read finds.
inline bool foundAtOnce(const QString& fault)
{
    return fault != "cut short in place";
}

// What a step told of the failing table.
struct StepResult {
    int errors = 0;
};

// What a user's step told, checked once it has run: every error it showed names the table
// (`named`), it showed no more than `atMost` (no bound when negative), no failure reached the event
// loop, and the main window is not left busy. The record is emptied for the next step. The number
// of errors shown.
inline int checkStep(ProgramFixture& program, const char* what, const QByteArray& named, int atMost = 1)
{
    auto& prompter = program.prompter;
    int errors = 0;
    for (const Prompt& p : prompter.asked()) {
        if (p.kind == Prompt::Error) {
            ++errors;
            [&] { QVERIFY2(p.text.contains(named), (QByteArray(what) + ": " + p.text).constData()); }();
        }
    }
    // One failure, one message: what restores the tables after a failed step tells nothing more.
    // (A step that opens a document in the viewer has the viewer's own messages as well.)
    [&] {
        QVERIFY2(atMost < 0 || errors <= atMost,
                 (QByteArray(what) + ": told " + QByteArray::number(errors) + " times").constData());
    }();
    [&] {
        QVERIFY2(WatchedApplication::escaped.isEmpty(),
                 (QByteArray(what) + ": no handler caught " + WatchedApplication::escaped.join(" | ")).constData());
    }();
    [&] { QVERIFY2(!program.form1->isBusy(), what); }();
    [&] { QVERIFY2(program.form1->PageControl1->isEnabled(), what); }();
    prompter.clear();
    WatchedApplication::escaped.clear();
    return errors;
}

// Runs a user's step on the main window (and on any window it shows modally, which is closed as
// soon as it is up unless `keepModal`, or unless it is one of `kept`: the windows the step is
// taken on), and checks it (checkStep). The number of errors shown.
inline int faultStep(ProgramFixture& program, const char* what, const QByteArray& named,
                     const std::function<void()>& action, bool keepModal = false, int atMost = 1,
                     const QWidgetList& kept = {})
{
    program.prompter.clear();
    WatchedApplication::escaped.clear();
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != program.form1 && !kept.contains(modal) && modal->isVisible()) {
            modal->close();
        }
    });
    if (!keepModal) {
        closer.start();
    }
    action();
    // What the action left queued runs, and its reads end, before the next action.
    QTest::qWait(0);
    closer.stop();
    return checkStep(program, what, named, atMost);
}

inline void doubleClickRow(QTreeWidget* list, int row)
{
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
}

inline void doubleClickRow(QListWidget* list, int row)
{
    if (QListWidgetItem* item = list->item(row)) {
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
}

// A command the window runs without an event of its own (a menu's item): it is delivered by the
// event loop, as the menu's click would deliver it.
inline void throughTheEventLoop(const std::function<void()>& command)
{
    QTimer::singleShot(0, qApp, command);
    QTest::qWait(0);
}

} // namespace testsupport

// A test's entry with the watched application object.
#define TABLEFAULTS_MAIN(TestObject)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        testsupport::WatchedApplication app(argc, argv);                                                               \
        QTEST_DISABLE_KEYPAD_NAVIGATION                                                                                \
        TestObject test;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
