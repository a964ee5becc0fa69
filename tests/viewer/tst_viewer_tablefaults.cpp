// The viewer and the windows over it while another program, or the disk, breaks a table they read
// under the running program (see tablefaults.h): the viewer, the selection list, the relations
// window with the search it drives on the main window, the notes and the attachments. Each is
// opened from a list of the main window as the user opens it; the table fails while it is shown,
// and every action the user has there is taken, then the window is opened again with the table
// still failing. No failure reaches the event loop, each message names the table and each step
// tells it at most once; once the table is whole again, every action works as before.

#include "tablefaults.h"
#include "viewerdriver.h"

#include "findfield.h"
#include "pictures.h"
#include "richedit.h"
#include "screentext.h"
#include "windows.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace testsupport;
using viewertest::whileModal;

namespace {

const QStringList kWindows = {"viewer", "selection list", "relations", "notes", "attachments"};

void clickListRow(QListWidget* list, int row)
{
    if (QListWidgetItem* item = list->item(row)) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
}

} // namespace

class TestViewerTableFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void window_data();
    void window();

private:
    std::unique_ptr<FaultyDisk> m_reads;
    std::unique_ptr<ProgramFixture> m_program;
    NoPrinter m_printer;
    // What a step may tell: with the table failing one message naming it (two when the whole
    // folder went and a step reads two tables), with the table whole none.
    QByteArray m_named;
    int m_atMost = 0;
    bool m_healthy = true;
    int m_told = 0;
    // The windows the steps are taken on; any other window a step shows is closed once it is up.
    QWidgetList m_kept;
    // Breaks the table; called once the window under test is up.
    std::function<void()> m_breakNow;

    // The titles of the regulations opened, read before any table fails.
    std::map<int, QByteArray> m_titles;
    QByteArray titleOf(int id) const { return m_titles.at(id); }

    TForm1* f() const { return m_program->form1; }
    // `opens`: the step opens a document in the viewer, which tells its own failures as well.
    void step(const char* what, const std::function<void()>& action, bool opens = false);
    void told(const char* what);
    // Double-clicks the regulation in the main window's list of frequent regulations; `inside` is
    // run on the viewer when it comes up.
    void openFromList(const QByteArray& title, const std::function<void(TForm3*)>& inside);
    // Runs `inside` on the modal window of type T that `open` shows, with the window kept open.
    template <typename T>
    void whileUp(const char* what, const std::function<void()>& open, const std::function<void(T*)>& inside);
    void breakHere();

    void driveViewer();
    void driveSelectionList();
    void driveRelations();
    void driveNotes();
    void driveAttachments();
};

void TestViewerTableFaults::initTestCase()
{
    m_reads = std::make_unique<FaultyDisk>(QByteArray(), FaultyDisk::Fault::ReadsFail);
}

void TestViewerTableFaults::cleanup()
{
    m_program.reset();
    m_kept.clear();
}

void TestViewerTableFaults::step(const char* what, const std::function<void()>& action, bool opens)
{
    if (QTest::currentTestFailed()) {
        return;
    }
    m_told +=
        faultStep(*m_program, what, m_named, action, false, opens && !m_healthy ? m_atMost + 1 : m_atMost, m_kept);
}

void TestViewerTableFaults::told(const char* what)
{
    if (!QTest::currentTestFailed()) {
        m_told += checkStep(*m_program, what, m_named, m_atMost);
    }
}

void TestViewerTableFaults::breakHere()
{
    if (m_breakNow) {
        m_breakNow();
        m_breakNow = nullptr;
    }
}

template <typename T>
void TestViewerTableFaults::whileUp(const char* what, const std::function<void()>& open,
                                    const std::function<void(T*)>& inside)
{
    if (QTest::currentTestFailed()) {
        return;
    }
    const bool up = whileModal<T>(open, [&](T* window) {
        m_kept.append(window);
        told(what);
        inside(window);
        m_kept.removeAll(window);
    });
    // What the window's closing told, or its opening when it did not come up.
    told(what);
    if (m_healthy) {
        QVERIFY2(up, what);
    }
}

void TestViewerTableFaults::openFromList(const QByteArray& title, const std::function<void(TForm3*)>& inside)
{
    clickTab(f()->PageControl1, mainpage::PersonalLists);
    QList<QListWidgetItem*> rows = f()->ListBox5->findItems(platform::toScreen(title), Qt::MatchExactly);
    if (rows.isEmpty()) {
        f()->dodajuceste(title);
        rows = f()->ListBox5->findItems(platform::toScreen(title), Qt::MatchExactly);
    }
    QVERIFY(!rows.isEmpty());
    const int row = f()->ListBox5->row(rows.first());
    whileUp<TForm3>(
        "viewer opened", [&] { doubleClickRow(f()->ListBox5, row); }, inside);
}

void TestViewerTableFaults::window_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fault");
    const QList<QStringList> tables = {
        {"TB_Zakoni.db", "TB_Arhiva.db", "TB_grafika.db"},
        {"TB_Zakoni.db", "TB_Arhiva.db"},
        {"TB_link.db", "TB_Misljenja.db"},
        {"TB_Zakoni.db"},
        {"TB_grafika.db"},
    };
    for (int w = 0; w < kWindows.size(); ++w) {
        for (const QString& table : tables[w]) {
            for (const QString& fault : kTableFaults) {
                // Every read of a held table waits for the lock: one table of each window is held.
                if (fault == "locked" && table != tables[w].first()) {
                    continue;
                }
                QTest::addRow("%s %s %s", qPrintable(kWindows[w]), qPrintable(table), qPrintable(fault))
                    << kWindows[w] << table << fault;
            }
        }
    }
}

void TestViewerTableFaults::window()
{
    QFETCH(QString, window);
    QFETCH(QString, table);
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(20);
    m_program->start();
    for (const int id : {demo::landmark::FirstLaw, demo::landmark::ApostropheTitle, demo::landmark::Note201,
                         demo::landmark::ForestLaw, demo::landmark::ChainOfThree[1]}) {
        m_titles[id] = viewertest::titleOf(id);
    }
    const std::map<QString, void (TestViewerTableFaults::*)()> drive = {
        {"viewer", &TestViewerTableFaults::driveViewer},
        {"selection list", &TestViewerTableFaults::driveSelectionList},
        {"relations", &TestViewerTableFaults::driveRelations},
        {"notes", &TestViewerTableFaults::driveNotes},
        {"attachments", &TestViewerTableFaults::driveAttachments},
    };
    QVERIFY(m_program->runMainWindow([&] {
        // Every tab shown.
        f()->ComboBox2->setCurrentIndex(2);
        f()->ComboBox2Change();
        m_program->prompter.clear();

        // The actions as they work on whole tables (the outcomes are checked on the way).
        m_named = "TB_";
        m_atMost = 0;
        m_healthy = true;
        (this->*drive.at(window))();
        if (QTest::currentTestFailed()) {
            return;
        }

        // The table fails once the window is up, and stays failing for the window's next opening.
        std::unique_ptr<TableFault> broken;
        m_breakNow = [&] {
            broken = std::make_unique<TableFault>(fault, m_program->path(QStringLiteral("Podatci")), table, *m_reads);
        };
        m_named = fault == "folder removed" ? QByteArray("TB_") : table.toLatin1();
        m_atMost = fault == "folder removed" ? 2 : 1;
        m_healthy = false;
        m_told = 0;
        (this->*drive.at(window))();
        QVERIFY2(broken != nullptr, "the window under test did not come up");
        if (QTest::currentTestFailed()) {
            return;
        }
        if (foundAtOnce(fault)) {
            QVERIFY2(m_told > 0, "the failing table was never told of");
        }
        broken->checkUnwritten();

        // The table whole again: every action works as before.
        if (broken->clear()) {
            m_named = "TB_";
            m_atMost = 0;
            m_healthy = true;
            (this->*drive.at(window))();
        }
    }));
    QVERIFY2(m_program->ended, "the program did not close");
}

// ---- The windows' actions -----------------------------------------------------------------------

void TestViewerTableFaults::driveViewer()
{
    const QByteArray title = titleOf(demo::landmark::FirstLaw);
    openFromList(title, [&](TForm3* v) {
        breakHere();
        step("find", [&] {
            v->Edit1->setYuscii("^lan");
            m_program->prompter.answer(platform::Answer::No);
            QTest::mouseClick(v->SpeedButton1, Qt::LeftButton);
        });
        QVERIFY(!m_healthy || v->DBRichEdit1->selectionLength() == 4);
        step("copy", [&] { QTest::mouseClick(v->SpeedButton7, Qt::LeftButton); });
        step("copy from the menu", [&] { throughTheEventLoop([v] { v->Kopiraj1->trigger(); }); });
        step("articles list", [&] { QTest::mouseClick(v->SpeedButton2, Qt::LeftButton); });
        QVERIFY(!m_healthy || v->clanovi->count() > 0);
        step("article chosen", [&] { doubleClickRow(v->clanovi, 0); });
        step("Cyrillic", [&] { QTest::mouseClick(v->SpeedButton5, Qt::LeftButton); });
        QVERIFY(!m_healthy || (v->textField() == "Cirilica" && v->DBRichEdit1->textLength() > 10));
        step("Latin", [&] { QTest::mouseClick(v->SpeedButton5, Qt::LeftButton); });
        QVERIFY(!m_healthy || (v->textField() == "Latinica" && v->DBRichEdit1->textLength() > 10));
        step("print", [&] { QTest::mouseClick(v->SpeedButton6, Qt::LeftButton); });
        step("print from the menu", [&] { throughTheEventLoop([v] { v->Stampaj1->trigger(); }); });
        step("marked for quick open",
             [&] { throughTheEventLoop([v] { v->selektOznacizabrzootvaranje1->trigger(); }); });
        QVERIFY(!m_healthy || !f()->ListBox8->findItems(platform::toScreen(title), Qt::MatchExactly).isEmpty());
        step("relations", [&] { QTest::mouseClick(v->SpeedButton10, Qt::LeftButton); });
        QVERIFY(!m_healthy || relacije->ListView1->topLevelItemCount() == 3);
        step("relations from the menu", [&] { throughTheEventLoop([v] { v->Prikazirelacije1->trigger(); }); });
        step("attachments", [&] { QTest::mouseClick(v->SpeedButton8, Qt::LeftButton); });
        QVERIFY(!m_healthy || dokumenti->ListBox1->count() == 2);
        step("closed", [&] { QTest::mouseClick(v->SpeedButton3, Qt::LeftButton); });
        QVERIFY(!v->isVisible());
    });
    // A regulation with versions: its archive button leads to the archive tab.
    openFromList(titleOf(demo::landmark::ChainOfThree[1]), [&](TForm3* v) {
        QVERIFY(!m_healthy || v->SpeedButton9->isEnabled());
        QVERIFY(!m_healthy || v->SpeedButton8->isEnabled() == false);
        step("archive", [&] { QTest::mouseClick(v->SpeedButton9, Qt::LeftButton); });
        if (m_healthy) {
            QVERIFY(!v->isVisible());
            QCOMPARE(f()->PageControl1->currentIndex(), int(mainpage::Archive));
            QVERIFY(f()->ListBox7->topLevelItemCount() > 0);
        }
    });
}

void TestViewerTableFaults::driveSelectionList()
{
    clickTab(f()->PageControl1, mainpage::PersonalLists);
    const QByteArray chain = titleOf(demo::landmark::ChainOfThree[1]);
    f()->najnoviji = {titleOf(demo::landmark::FirstLaw), chain, titleOf(demo::landmark::ForestLaw)};
    whileUp<Tselekt>(
        "selection list opened", [&] { QTest::mouseClick(f()->SpeedButton10, Qt::LeftButton); },
        [&](Tselekt* s) {
            QCOMPARE(s->Listbox1->topLevelItemCount(), 3);
            breakHere();
            step("row chosen", [&] { clickRow(s->Listbox1, 1); });
            QVERIFY(!m_healthy || s->SpeedButton3->isEnabled());
            step("another row", [&] { clickRow(s->Listbox1, 2); });
            QVERIFY(!m_healthy || !s->SpeedButton3->isEnabled());
            step("found by title", [&] {
                s->Edit1->setText(QStringLiteral("ZAKON"));
                QTest::mouseClick(s->SpeedButton1, Qt::LeftButton);
            });
            step("sorted", [&] {
                QHeaderView* header = s->Listbox1->header();
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(header->sectionViewportPosition(2) + 5, 5));
            });
            step(
                "opened", [&] { doubleClickRow(s->Listbox1, 0); }, true);
            const QList<QTreeWidgetItem*> chainRows =
                s->Listbox1->findItems(platform::toScreen(chain), Qt::MatchExactly);
            const int row = chainRows.isEmpty() ? 0 : s->Listbox1->indexOfTopLevelItem(chainRows.first());
            step(
                "version opened", [&] { doubleClickRow(s->Listbox1, row); }, true);
            step("archive", [&] {
                clickRow(s->Listbox1, row);
                QTest::mouseClick(s->SpeedButton3, Qt::LeftButton);
            });
            if (m_healthy) {
                QVERIFY(!s->isVisible());
                QCOMPARE(f()->PageControl1->currentIndex(), int(mainpage::Archive));
                QVERIFY(f()->ListBox7->topLevelItemCount() > 0);
            }
        });
}

void TestViewerTableFaults::driveRelations()
{
    openFromList(titleOf(demo::landmark::RelatedToThree), [&](TForm3* v) {
        whileUp<Trelacije>(
            "relations shown", [&] { QTest::mouseClick(v->SpeedButton10, Qt::LeftButton); },
            [&](Trelacije* r) {
                QCOMPARE(r->ListView1->topLevelItemCount(), 3);
                breakHere();
                step("row chosen", [&] { clickRow(r->ListView1, 0); });
                step("found without a row", [&] {
                    r->ListView1->clearSelection();
                    r->ListView1->setCurrentItem(nullptr);
                    QTest::mouseClick(r->SpeedButton1, Qt::LeftButton);
                });
                step("found", [&] {
                    clickRow(r->ListView1, 0);
                    QTest::mouseClick(r->SpeedButton1, Qt::LeftButton);
                });
                QVERIFY(!r->isVisible());
            });
        QVERIFY(!v->isVisible());
        if (m_healthy) {
            QCOMPARE(f()->PageControl1->currentIndex(), int(mainpage::Opinions));
            QVERIFY(f()->Listbox6->topLevelItemCount() > 0);
        }
    });
    // Opened again with the table failing, and its double click.
    openFromList(titleOf(demo::landmark::RelatedToThree), [&](TForm3* v) {
        step("relations again", [&] { QTest::mouseClick(v->SpeedButton10, Qt::LeftButton); });
        QVERIFY(!m_healthy || relacije->ListView1->topLevelItemCount() == 3);
        whileUp<Trelacije>(
            "relations shown again", [&] { QTest::mouseClick(v->SpeedButton10, Qt::LeftButton); },
            [&](Trelacije* r) { step("found by a double click", [&] { doubleClickRow(r->ListView1, 1); }); });
    });
}

void TestViewerTableFaults::driveNotes()
{
    openFromList(titleOf(demo::landmark::Note201), [&](TForm3* v) {
        QVERIFY(!m_healthy || v->SpeedButton4->isEnabled());
        breakHere();
        whileUp<TForm5>(
            "notes shown", [&] { QTest::mouseClick(v->SpeedButton4, Qt::LeftButton); },
            [&](TForm5* n) {
                QVERIFY(!m_healthy || n->DBRichEdit1->yusciiText().startsWith("Napomena: propis je izmenjen."));
                step("notes printed", [&] { QTest::mouseClick(n->SpeedButton1, Qt::LeftButton); });
                step("notes closed", [&] { QTest::mouseClick(n->SpeedButton3, Qt::LeftButton); });
            });
        step("notes again", [&] { QTest::mouseClick(v->SpeedButton4, Qt::LeftButton); });
    });
}

void TestViewerTableFaults::driveAttachments()
{
    openFromList(titleOf(demo::landmark::PicturesS2S5), [&](TForm3* v) {
        QVERIFY(!m_healthy || v->SpeedButton8->isEnabled());
        whileUp<Tdokumenti>(
            "attachments shown", [&] { QTest::mouseClick(v->SpeedButton8, Qt::LeftButton); },
            [&](Tdokumenti* d) {
                QVERIFY(!m_healthy || d->ListBox1->count() == 2);
                breakHere();
                step("picture chosen", [&] { clickListRow(d->ListBox1, 1); });
                QVERIFY(!m_healthy || !d->Image3->picture().isNull());
                step("printed", [&] { QTest::mouseClick(d->SpeedButton6, Qt::LeftButton); });
                step("another picture", [&] { clickListRow(d->ListBox1, 0); });
                step("closed", [&] { QTest::mouseClick(d->SpeedButton3, Qt::LeftButton); });
            });
        step("attachments again", [&] { QTest::mouseClick(v->SpeedButton8, Qt::LeftButton); });
        QVERIFY(!m_healthy || dokumenti->ListBox1->count() == 2);
    });
    // Another regulation with pictures, opened while the table fails: told once for it.
    openFromList(titleOf(demo::landmark::ApostropheTitle), [&](TForm3* v) {
        QVERIFY(!m_healthy || v->SpeedButton8->isEnabled());
        step("its attachments", [&] { QTest::mouseClick(v->SpeedButton8, Qt::LeftButton); });
        QVERIFY(!m_healthy || dokumenti->ListBox1->count() == 33);
    });
}

TABLEFAULTS_MAIN(TestViewerTableFaults)
#include "tst_viewer_tablefaults.moc"
