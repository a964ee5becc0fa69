// The selection list over the main window of a generated collection: its rows, the selection by
// title text, sorting, the details pane with its earlier-version test, opening, the archive jump
// and closing.

#include "listtexts.h"
#include "programfixture.h"
#include "recordingwindows.h"

#include "clipboard.h"
#include "demo.h"
#include "images.h"
#include "screentext.h"
#include "table.h"
#include "yuscii.h"

#include <cmath>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolTip>
#include <QTreeWidget>

using mainwin::SelectionRow;
using testsupport::column;

namespace {

const QByteArray Gazette = "Slu`beni glasnik Republike Srbije";
const QByteArray ChainTitle = "Zakon o porezu na dohodak gra|ana";

QByteArray numberYear(int key)
{
    engine::Table zakoni;
    zakoni.setDatabaseName("ZAKONI");
    zakoni.setTableName("TB_Zakoni.db");
    zakoni.open();
    zakoni.setFiltered(true);
    zakoni.setFilter("ID_ZAKONA=" + QByteArray::number(key));
    return zakoni.field(10).asString();
}

// The contrast ratio of two colours as the readability guidelines define it (1 to 21).
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

QList<int> selectedRows(const QTreeWidget* list)
{
    QList<int> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected()) {
            out << i;
        }
    }
    return out;
}

bool hasSortImage(const QTreeWidget* list, int c)
{
    return !list->headerItem()->icon(c).isNull();
}

void clickRow(QTreeWidget* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, at);
}

// Runs `whileShown` once the selection list is shown with `rows`, and makes sure the window is
// closed afterwards, even when a check inside failed. False when it never ran, or a check failed.
bool showWith(const QList<SelectionRow>& rows, const std::function<void()>& whileShown)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        const auto closer = qScopeGuard([] {
            if (selekt->isVisible()) {
                selekt->close();
            }
        });
        ran = true;
        whileShown();
    });
    selekt->showRows(rows);
    return ran && !QTest::currentTestFailed();
}

} // namespace

class TestSelectionList : public QObject {
    Q_OBJECT
private slots:
    void rowsFindAndDetails();
    void sortingAndReopening();
    void openingAndTheArchiveJump();
    void minimisingMinimisesTheProgramAndFlattensTheClipboard();
    void columnsShareTheWidthByWhatTheyHold();
    void rowsScrolledIntoViewFitTheirColumns();
};

void TestSelectionList::rowsFindAndDetails()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        const QList<SelectionRow> rows = {
            {demo::FirstLawTitle, Gazette, "12/2005"},
            {ChainTitle, Gazette, numberYear(demo::landmark::ChainOfFive[0])},
            {"Uredba o carinama", Gazette, "5/2004"},
            {"Pravilnik o radu", Gazette, "1/2005"},
            {demo::ForestLawTitle, Gazette, "46/1991"},
        };
        QVERIFY(showWith(rows, [&] {
            // Shown: the rows in the opener's order, the first chosen, the find field empty.
            QCOMPARE(column(selekt->Listbox1, 0).size(), 5);
            QCOMPARE(selectedRows(selekt->Listbox1), QList<int>{0});
            QVERIFY(selekt->Edit1->text().isEmpty());
            QCOMPARE(selekt->Memo1->toPlainText(),
                     QStringLiteral("Zakon o računovodstvu\nSlužbeni glasnik Republike Srbije (12/2005)"));
            QVERIFY(!selekt->SpeedButton3->isEnabled());
            // The details are readable text, not a disabled control's grey; they are not edited.
            QVERIFY(selekt->Memo1->isEnabled());
            const QPalette::ColorGroup group = selekt->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
            QVERIFY(contrast(selekt->Memo1->palette().color(group, QPalette::Text),
                             selekt->Memo1->palette().color(group, QPalette::Base)) >= 4.5);
            QTest::keyClicks(selekt->Memo1, "x");
            QCOMPARE(selekt->Memo1->toPlainText(),
                     QStringLiteral("Zakon o računovodstvu\nSlužbeni glasnik Republike Srbije (12/2005)"));

            // A regulation with only a later version has versions: the archive button enables.
            clickRow(selekt->Listbox1, 1);
            QCOMPARE(selectedRows(selekt->Listbox1), QList<int>{1});
            QVERIFY(selekt->SpeedButton3->isEnabled());
            QVERIFY(selekt->Memo1->toPlainText().startsWith(platform::toScreen(ChainTitle) + '\n'));

            // A find without any match: the message, and no row is left selected.
            QTest::keyClicks(selekt->Edit1, "nema");
            QTest::keyClick(selekt->Edit1, Qt::Key_Return);
            QCOMPARE(program.prompter.texts().last(),
                     QByteArray("Nije pronadjen nijedan propis sa zadatim tekstom u naslovu"));
            QVERIFY(selectedRows(selekt->Listbox1).isEmpty());

            // Rows selected with the mouse are deselected unless their titles hold the text;
            // YUSCII letters match whatever their case.
            clickRow(selekt->Listbox1, 2);
            clickRow(selekt->Listbox1, 3, Qt::ControlModifier);
            QCOMPARE(selectedRows(selekt->Listbox1), (QList<int>{2, 3}));
            selekt->Edit1->clear();
            QTest::keyClicks(selekt->Edit1, "zakon o");
            QTest::mouseClick(selekt->SpeedButton1, Qt::LeftButton);
            QCOMPARE(selectedRows(selekt->Listbox1), (QList<int>{0, 1, 4}));
            QCOMPARE(selekt->focusWidget(), selekt->Listbox1);
            selekt->Edit1->clear();
            QTest::keyClicks(selekt->Edit1, "{UMA");
            QTest::mouseClick(selekt->SpeedButton1, Qt::LeftButton);
            QCOMPARE(selectedRows(selekt->Listbox1), QList<int>{4});
            // Pasted text keeps its characters, in capitals.
            selekt->Edit1->clear();
            QApplication::clipboard()->setText(QStringLiteral("o'b; "));
            QTest::keySequence(selekt->Edit1, QKeySequence::Paste);
            QCOMPARE(platform::fromScreen(selekt->Edit1->text()), QByteArray("O'B; "));
            selekt->Edit1->clear();
            QApplication::clipboard()->setText(QStringLiteral("o šumama"));
            QTest::keySequence(selekt->Edit1, QKeySequence::Paste);
            clickRow(selekt->Listbox1, 0);
            QTest::mouseClick(selekt->SpeedButton1, Qt::LeftButton);
            QCOMPARE(selectedRows(selekt->Listbox1), QList<int>{4});
            QVERIFY(!selekt->SpeedButton3->isEnabled());

            // An empty find field only chooses the first row, keeping the others selected.
            selekt->Edit1->clear();
            QTest::mouseClick(selekt->SpeedButton1, Qt::LeftButton);
            QCOMPARE(selectedRows(selekt->Listbox1), (QList<int>{0, 4}));

            // Escape does not close the window; Ctrl+Shift+F4 neither; Ctrl+F4 does.
            QTest::keyClick(selekt->Listbox1, Qt::Key_Escape);
            QTest::keyClick(selekt->Listbox1, Qt::Key_F4, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(selekt->isVisible());
            QTest::keyClick(selekt->Listbox1, Qt::Key_F4, Qt::ControlModifier);
            QVERIFY(!selekt->isVisible());
        }));
        // Closing emptied the list and armed the next showing.
        QCOMPARE(selekt->Listbox1->topLevelItemCount(), 0);
        QVERIFY(selekt->ReloadFlag);

        // The earlier-version test itself.
        QVERIFY(selekt->jelimastariji(ChainTitle));
        QVERIFY(!selekt->jelimastariji(demo::FirstLawTitle));
        QVERIFY(!selekt->jelimastariji("Nepostoje}i propis"));
        QCOMPARE(selekt->stariji(ChainTitle), -1); // the first version of the title is the head
        QCOMPARE(selekt->stariji(demo::FirstLawTitle), -1);
        QCOMPARE(program.form1->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(program.form1->arhiva.indexFieldNames(), QByteArray("BROJ_ZAKONA"));
    }));
    QCOMPARE(program.prompter.texts().size(), 1);
}

void TestSelectionList::sortingAndReopening()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        const QList<SelectionRow> rows = {
            {"Pravilnik o radu", Gazette, "1/2005"},   {"Uredba o carinama", Gazette, "5/2004"},
            {"Odluka o porezu", Gazette, "12/2005"},   {"Zakon o vodama", "", "12"},
            {"uputstvo o obrascu", Gazette, "3/2005"},
        };
        QVERIFY(showWith(rows, [&] {
            // By "Broj propisa": the year first, then the whole text as text, so 5/2004 comes
            // before 1/2005 and 12/2005 before 3/2005; a text without a year has a place of its own.
            QTest::mouseClick(selekt->Listbox1->header()->viewport(), Qt::LeftButton, {},
                              QPoint(selekt->Listbox1->header()->sectionViewportPosition(2) + 20, 5));
            QCOMPARE(column(selekt->Listbox1, 2), (QByteArrayList{"12", "5/2004", "1/2005", "12/2005", "3/2005"}));
            QCOMPARE(selekt->SortColumn, 2);
            QVERIFY(hasSortImage(selekt->Listbox1, 2));
            // By title, letters compared without regard to case; by gazette, an empty one first.
            selekt->Listbox1ColumnClick(0);
            QCOMPARE(column(selekt->Listbox1, 0),
                     (QByteArrayList{"Odluka o porezu", "Pravilnik o radu", "uputstvo o obrascu", "Uredba o carinama",
                                     "Zakon o vodama"}));
            QVERIFY(hasSortImage(selekt->Listbox1, 0) && !hasSortImage(selekt->Listbox1, 2));
            selekt->Listbox1ColumnClick(1);
            QCOMPARE(column(selekt->Listbox1, 0).first(), QByteArray("Zakon o vodama"));
            // Rows a find selected stay selected through a sort.
            platform::setFieldText(selekt->Edit1, "A O");
            QTest::keyClick(selekt->Edit1, Qt::Key_Return);
            QCOMPARE(selectedRows(selekt->Listbox1), (QList<int>{1, 3}));
            selekt->Listbox1ColumnClick(0);
            QCOMPARE(column(selekt->Listbox1, 0)[3], QByteArray("Uredba o carinama"));
            QCOMPARE(selectedRows(selekt->Listbox1), (QList<int>{0, 3}));
            selekt->close();
        }));
        // Shown again: an empty find field, no sort image, the opener's order, the first row chosen.
        QVERIFY(showWith(rows, [&] {
            QVERIFY(selekt->Edit1->text().isEmpty());
            for (int c = 0; c < 3; ++c) {
                QVERIFY(!hasSortImage(selekt->Listbox1, c));
            }
            QCOMPARE(column(selekt->Listbox1, 0).first(), QByteArray("Pravilnik o radu"));
            QCOMPARE(selectedRows(selekt->Listbox1), QList<int>{0});
            QCOMPARE(selekt->SortColumn, 0); // kept between showings
            QTest::mouseClick(selekt->SpeedButton2, Qt::LeftButton);
            QVERIFY(!selekt->isVisible());
        }));
    }));
}

void TestSelectionList::openingAndTheArchiveJump()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows viewer;
        bool listShownUnderViewer = false;
        viewer.whileShown = [&] { listShownUnderViewer = selekt->isVisible(); };
        const QByteArray headNumberYear = numberYear(demo::landmark::ChainOfFive[0]);
        const QList<SelectionRow> rows = {
            {demo::ApostropheLawTitle, Gazette, "3/2006"},
            {ChainTitle, Gazette, headNumberYear},
        };
        QVERIFY(showWith(rows, [&] {
            // Opening by double click: title and number/year select the regulation; the list
            // stays open under the viewer; the main window relinks its tables afterwards.
            const QPoint at = selekt->Listbox1->visualItemRect(selekt->Listbox1->topLevelItem(0)).center();
            QTest::mouseClick(selekt->Listbox1->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(selekt->Listbox1->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(viewer.regulations.size(), 1);
            QCOMPARE(viewer.regulations[0].title, QByteArray(demo::ApostropheLawTitle));
            QCOMPARE(viewer.regulations[0].key, QByteArray("2"));
            QVERIFY(listShownUnderViewer);
            QVERIFY(selekt->isVisible());
            QCOMPARE(f->Zakoni.filter(), QByteArray()); // the gazettes tab's refresh ran
            QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));

            // Enter opens the chosen row: the head of the chain.
            clickRow(selekt->Listbox1, 1);
            QTest::keyClick(selekt->Listbox1, Qt::Key_Return);
            QCOMPARE(viewer.regulations.last().title, ChainTitle);
            QCOMPARE(viewer.regulations.last().key, QByteArray::number(demo::landmark::ChainOfFive[0]));

            // The archive jump: the archive tab searches the title, and the list closes.
            QVERIFY(selekt->SpeedButton3->isEnabled());
            QTest::mouseClick(selekt->SpeedButton3, Qt::LeftButton);
            QVERIFY(!selekt->isVisible());
        }));
        QCOMPARE(f->PageControl1->currentIndex(), 5);
        // The field's own rule: an upper-case field holds the title in capitals.
        QCOMPARE(platform::fromScreen(f->Edit7->text()), yuscii::yupperW(ChainTitle));
        QVERIFY(f->ListBox7->topLevelItemCount() >= 5);
        for (const QByteArray& title : column(f->ListBox7, 0)) {
            QCOMPARE(title, ChainTitle);
        }
        QVERIFY(f->Listbox9->topLevelItemCount() >= 3);
        QCOMPARE(selekt->Listbox1->topLevelItemCount(), 0);
        QVERIFY(selekt->ReloadFlag);
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestSelectionList::minimisingMinimisesTheProgramAndFlattensTheClipboard()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(showWith({{ChainTitle, Gazette, "1/2001"}}, [&] {
            platform::copyToClipboard(ChainTitle);
            selekt->showMinimized();
            QTRY_VERIFY(Form1->isMinimized());
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Zakon o porezu na dohodak gradjana"));
            selekt->showMaximized();
            Form1->showMaximized();
        }));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

// No gazette's name or number is cut while the titles have room; the titles take the rest and
// a title cut short reads whole in its tool tip.
void TestSelectionList::columnsShareTheWidthByWhatTheyHold()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        const QByteArray longTitle = "Odluka o obrascima propisanim zakonom o ra~unovodstvenim ispravama i poslovnim "
                                     "knjigama i o na~inu njihovog vo|enja i ~uvanja u privrednim dru{tvima";
        const QList<SelectionRow> rows = {
            {demo::FirstLawTitle, Gazette, "12/2005"},
            {longTitle, "Slu`beni glasnik Socijalisti~ke Republike Srbije", "115/1988"},
            {demo::ForestLawTitle, "Slu`beni list Socijalisti~ke Federativne Republike Jugoslavije", "46/1991"},
        };
        QVERIFY(showWith(rows, [&] {
            QTreeWidget* list = selekt->Listbox1;
            selekt->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!selekt->isMaximized());
            QApplication::processEvents();
            for (const QSize size : {QSize(1366, 768), QSize(1024, 768)}) {
                selekt->setGeometry(QRect(QPoint(0, 0), size));
                QTRY_COMPARE(selekt->size(), size);
                QApplication::processEvents();
                const QByteArray where = QByteArray::number(size.width());
                for (int row = 0; row < list->topLevelItemCount(); ++row) {
                    for (int c : {1, 2}) {
                        QVERIFY2(list->sizeHintForIndex(list->model()->index(row, c)).width() <= list->columnWidth(c),
                                 where.constData());
                    }
                }
                QVERIFY(list->columnWidth(0) > list->columnWidth(1));
                QCOMPARE(list->header()->length(), list->viewport()->width());
            }
            selekt->setGeometry(QRect(0, 0, 1024, 768));
            QTRY_COMPARE(selekt->width(), 1024);
            const QModelIndex title = list->model()->index(1, 0);
            QVERIFY(list->sizeHintForIndex(title).width() > list->columnWidth(0));
            const QRect cell = list->visualRect(title);
            QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(list->viewport(), &help);
            QTRY_VERIFY(QToolTip::text().contains(platform::toScreen(longTitle)));
            QToolTip::hideText();
        }));
    }));
}

// A list longer than the window: the rows the End key brings into view hold the longest gazette's
// name and title, and the columns fit them there as they fit the first rows.
void TestSelectionList::rowsScrolledIntoViewFitTheirColumns()
{
    ProgramFixture program(40);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        const QByteArray longTitle = "Odluka o obrascima propisanim zakonom o ra~unovodstvenim ispravama i poslovnim "
                                     "knjigama i o na~inu njihovog vo|enja i ~uvanja u privrednim dru{tvima";
        QList<SelectionRow> rows(300, {demo::FirstLawTitle, Gazette, "12/2005"});
        rows.append({longTitle, "Slu`beni list Socijalisti~ke Federativne Republike Jugoslavije", "1115/1988"});
        QVERIFY(showWith(rows, [&] {
            QTreeWidget* list = selekt->Listbox1;
            selekt->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!selekt->isMaximized());
            selekt->setGeometry(QRect(0, 0, 1024, 768));
            QTRY_COMPARE(selekt->width(), 1024);
            QApplication::processEvents();
            const int last = list->topLevelItemCount() - 1;
            QVERIFY(!list->viewport()->rect().intersects(list->visualRect(list->model()->index(last, 0))));

            list->setFocus();
            QTest::keyClick(list, Qt::Key_End);
            QApplication::processEvents();
            QVERIFY(list->viewport()->rect().contains(list->visualRect(list->model()->index(last, 0))));
            for (int c : {1, 2}) {
                QTRY_VERIFY(list->sizeHintForIndex(list->model()->index(last, c)).width() <= list->columnWidth(c));
            }
            QCOMPARE(list->header()->length(), list->viewport()->width());
            const QModelIndex title = list->model()->index(last, 0);
            QVERIFY(list->sizeHintForIndex(title).width() > list->columnWidth(0));
            const QRect cell = list->visualRect(title);
            QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(list->viewport(), &help);
            QTRY_VERIFY(QToolTip::text().contains(platform::toScreen(longTitle)));
            QToolTip::hideText();
        }));
    }));
}

QTEST_MAIN(TestSelectionList)
#include "tst_selectionlist.moc"
