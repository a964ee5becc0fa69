// The search tab of the whole program: the query from the field, the short-query question, the
// two scopes, the gazette restriction, Escape, the recent searches and their replay, and opening
// a hit.

#include "listtexts.h"
#include "programfixture.h"
#include "recordingwindows.h"
#include "replacedfile.h"

#include "demo.h"
#include "error.h"
#include "screentext.h"
#include "yuscii.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

using platform::Answer;
using testsupport::column;
using testsupport::lines;
using testsupport::Prompt;
using testsupport::RecordingWindows;

namespace {

const QByteArray kShortQuestion = "Vas tekst za pretragu je prekratak. Na ovaj nacin program ce vam izlistati gotovo "
                                  "celu bazu!\n\rNastaviti pretragu?";

// Types nothing: puts the query into the field as a replay does, then presses Enter in it.
void search(TForm1* f, const QByteArray& query, bool texts = false)
{
    f->PageControl1->setCurrentIndex(2);
    platform::setFieldText(f->Edit2, query);
    (texts ? f->RadioButton5 : f->RadioButton6)->setChecked(true);
    QTest::keyClick(f->Edit2, Qt::Key_Return);
}

QByteArray entry(const QByteArray& query, const char* scope, int found)
{
    return "'" + query + "' - " + scope + " (nadjeno " + QByteArray::number(found) + " propisa)";
}

// A double click on a row, as the user gives it: the page is laid out first.
void doubleClick(QAbstractItemView* view, const QRect& rect)
{
    QVERIFY(rect.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

void activate(QListWidget* list, int row)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    list->setCurrentRow(row);
    doubleClick(list, list->visualItemRect(list->item(row)));
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void titleSearchFromTheField();
    void pastedTitleIsFound();
    void pastedLineEndKeepsTheEntryWhole();
    void shortQueryAsksFirst();
    void emptyAndBlankQueries();
    void titlesAndTexts();
    void collectionRestoredWhileRunning();
    void gazetteByItsKey();
    void escapeStopsTheSearch();
    void escapeWhileIdleStopsNothing();
    void enterKeepsTheFocusInTheField();
    void failedStepLeavesTheBusyState();
    void recentListKeepsItsCapacity();
    void replayRunsTheEntryAgain();
    void openingAHit();
    void resultListsFitTheWindow();
};

void TestSearch::titleSearchFromTheField()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(2);
        f->Edit2->clear();
        QTest::keyClicks(f->Edit2, "zakon rad"); // the field upper-cases what is typed
        QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON RAD"));
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        const QByteArrayList titles = column(f->ListBox2, 0);
        QVERIFY(titles.contains("Zakon o radu"));
        for (const QByteArray& t : titles) {
            QVERIFY(yuscii::yupperW(t).contains("ZAKON") && yuscii::yupperW(t).contains("RAD"));
        }
        QCOMPARE(lines(f->ListBox4).last(), entry("ZAKON RAD", "po naslovima", int(titles.size())));
        QVERIFY(!f->isBusy());
        QCOMPARE(f->StatusBar1->panelText(2), QByteArray("Pretraga zavr{ena"));
        QCOMPARE(f->ProgressBar1->value(), 0);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray());

        search(f, "RAD ZAKON");
        QCOMPARE(column(f->ListBox2, 0), titles);
        // A hit row: title, gazette, number/year, and the picture of its kind.
        search(f, "RA~UNOVODSTVU");
        QCOMPARE(column(f->ListBox2, 1).value(0), QByteArray("Slu`beni glasnik Republike Srbije"));
        QCOMPARE(column(f->ListBox2, 2).value(0), QByteArray("12/2005"));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestSearch::pastedTitleIsFound()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(2);
        f->RadioButton6->setChecked(true);
        f->Edit2->setFocus();
        f->Edit2->clear();
        // A title copied from another program: its apostrophe is an apostrophe, not the key of Ć.
        QApplication::clipboard()->setText(QStringLiteral("Pravilnik o obrascu poreske prijave O'B"));
        QTest::keySequence(f->Edit2, QKeySequence::Paste);
        QCOMPARE(f->Edit2->text(), QStringLiteral("PRAVILNIK O OBRASCU PORESKE PRIJAVE O'B"));
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{demo::ApostropheLawTitle});
        QCOMPARE(lines(f->ListBox4).last(),
                 QByteArray("'PRAVILNIK O OBRASCU PORESKE PRIJAVE O''B' - po naslovima (nadjeno 1 propisa)"));

        // Typed keys keep the keyboard mapping ("[" is š); a letter pasted after them stays itself.
        f->Edit2->clear();
        QTest::keyClicks(f->Edit2, "zakon o [");
        QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON O Š"));
        QApplication::clipboard()->setText(QStringLiteral("umama; "));
        QTest::keyClick(f->Edit2, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(platform::fromScreen(f->Edit2->text()), QByteArray("ZAKON O [UMAMA; "));
        QTest::keyClick(f->Edit2, Qt::Key_Backspace);
        QTest::keyClick(f->Edit2, Qt::Key_Backspace);
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{demo::ForestLawTitle});
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

// A title copied with its line end: the search finds what the title finds, and its recent entry
// is one line of pretrage.ini, which the next start shows whole and runs again.
void TestSearch::pastedLineEndKeepsTheEntryWhole()
{
    QByteArray written;
    QByteArray expected;
    QByteArrayList found;
    {
        ProgramFixture program;
        program.start();
        QVERIFY(program.runMainWindow([&] {
            TForm1* f = program.form1;
            search(f, "ZAKON O RADU");
            found = column(f->ListBox2, 0);
            QVERIFY(found.contains("Zakon o radu"));
            expected = entry("ZAKON O RADU", "po naslovima", int(found.size()));
            f->ListBox4->clear();
            f->Edit2->setFocus();
            for (const char* copied : {"Zakon o radu\n", "Zakon o radu\r\n", "\r\nZakon o\r\nradu\r\n\r\n",
                                       "Zakon o radu\u2029", "Zakon\to radu\r"}) {
                f->Edit2->clear();
                QApplication::clipboard()->setText(QString::fromUtf8(copied));
                QTest::keySequence(f->Edit2, QKeySequence::Paste);
                QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON O RADU"));
                QTest::keyClick(f->Edit2, Qt::Key_Return);
                QCOMPARE(column(f->ListBox2, 0), found);
                QCOMPARE(lines(f->ListBox4).last(), expected);
            }
            QCOMPARE(f->ListBox4->count(), 5);
        }));
        QVERIFY(program.prompter.asked().isEmpty());
        written = program.readFile("pretrage.ini");
    }
    QCOMPARE(written, (expected + "\r\n").repeated(5));

    ProgramFixture next;
    next.writeFile("pretrage.ini", written);
    next.start();
    QVERIFY(next.runMainWindow([&] {
        TForm1* f = next.form1;
        QCOMPARE(lines(f->ListBox4), QByteArrayList(5, expected));
        f->PageControl1->setCurrentIndex(3);
        activate(f->ListBox4, 4);
        QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON O RADU"));
        QCOMPARE(column(f->ListBox2, 0), found);
    }));
}

void TestSearch::shortQueryAsksFirst()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        search(f, "ZAKON");
        const QByteArrayList before = column(f->ListBox2, 0);
        const int entries = f->ListBox4->count();
        program.prompter.answer(Answer::Cancel);
        search(f, "RA");
        QCOMPARE(program.prompter.asked().last().kind, Prompt::Confirm);
        QCOMPARE(program.prompter.asked().last().text, kShortQuestion);
        QCOMPARE(column(f->ListBox2, 0), before);
        QCOMPARE(f->ListBox4->count(), entries);
        QVERIFY(!f->isBusy());

        program.prompter.answer(Answer::Ok);
        search(f, "R");
        QCOMPARE(program.prompter.asked().size(), 2);
        QCOMPARE(lines(f->ListBox4).last(), entry("R", "po naslovima", f->ListBox2->topLevelItemCount()));
        // Three characters ask nothing.
        search(f, "RAD");
        QCOMPARE(program.prompter.asked().size(), 2);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestSearch::emptyAndBlankQueries()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const int entries = f->ListBox4->count();
        search(f, "");
        QCOMPARE(f->ListBox2->topLevelItemCount(), 40);
        QCOMPARE(f->ListBox4->count(), entries);
        search(f, "   ", true);
        QCOMPARE(f->ListBox2->topLevelItemCount(), 40);
        QCOMPARE(lines(f->ListBox4).last(), entry("   ", "po naslovima i tekstovima", 40));
    }));
}

void TestSearch::titlesAndTexts()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        search(f, "OBVEZNIK");
        QCOMPARE(f->ListBox2->topLevelItemCount(), 0);
        search(f, "OBVEZNIK", true);
        const int found = f->ListBox2->topLevelItemCount();
        QVERIFY(found > 0);
        QCOMPARE(lines(f->ListBox4).last(), entry("OBVEZNIK", "po naslovima i tekstovima", found));
        // A small YUSCII letter in the query finds its capital in the texts: every text has an
        // article heading "^lan 1" (capital C with caron), which no title holds.
        search(f, "~lan");
        QCOMPARE(f->ListBox2->topLevelItemCount(), 0);
        search(f, "~lan", true);
        QCOMPARE(f->ListBox2->topLevelItemCount(), 40);
    }));
}

// A backup tool restores the regulations' file while the program runs, renaming a copy over
// it (one without the search copies of the texts, as an older collection has): the next search
// reads the new file, titles and texts alike.
void TestSearch::collectionRestoredWhileRunning()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        search(f, "RA~UNOVODSTVU");
        const QByteArrayList before = column(f->ListBox2, 0);
        QVERIFY(before.contains(demo::FirstLawTitle));
        search(f, "REZERVNE KOPIJE", true);
        QCOMPARE(f->ListBox2->topLevelItemCount(), 0);
        QTest::qWait(0); // the search is over: the program holds nothing of the file

        const QString failed = testsupport::replaceWithChangedCopy(
            program.path("Podatci/TB_Zakoni.db"),
            "UPDATE records SET Naziv_zakona = 'Zakon o vra}enoj kopiji', Latinica = '{\\rtf1 Tekst iz rezervne "
            "kopije}' WHERE ID_ZAKONA = 1; DROP TRIGGER korvelin_copy_Latinica_insert; "
            "DROP TRIGGER korvelin_copy_Latinica_delete; DROP TRIGGER korvelin_copy_Latinica_update; "
            "DROP TABLE korvelin_copy_Latinica;");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        search(f, "RA~UNOVODSTVU");
        QCOMPARE(f->ListBox2->topLevelItemCount(), before.size() - 1);
        search(f, "VRA]ENOJ KOPIJI");
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{"Zakon o vra}enoj kopiji"});
        QCOMPARE(column(f->ListBox2, 2), QByteArrayList{"12/2005"});
        search(f, "REZERVNE KOPIJE", true);
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{"Zakon o vra}enoj kopiji"});
        search(f, "~lan", true);
        QCOMPARE(f->ListBox2->topLevelItemCount(), 39); // the others' texts, as before
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

// The restriction takes the gazette's key from its item: an item list whose positions are not
// the keys still restricts to the chosen gazette.
void TestSearch::gazetteByItsKey()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(platform::fromScreen(f->ComboBox4->itemText(0)), QByteArray("Sva glasila"));
        QCOMPARE(f->ComboBox4->itemData(1).toInt(), 1);
        f->ComboBox4->insertItem(1, QStringLiteral("Glasilo bez propisa"), 42);
        const QByteArray first = "Slu`beni glasnik Republike Srbije";
        f->ComboBox4->setCurrentIndex(f->ComboBox4->findText(platform::toScreen(first)));
        QCOMPARE(f->ComboBox4->currentIndex(), 2);
        search(f, "");
        const QByteArrayList gazettes = column(f->ListBox2, 1);
        QVERIFY(!gazettes.isEmpty());
        QVERIFY(gazettes.size() < 40);
        QCOMPARE(gazettes.count(first), gazettes.size());
        QCOMPARE(f->Glavna.filter(), QByteArray("ID_GLASNIKA = '1'"));
        f->ComboBox4->setCurrentIndex(1);
        search(f, "");
        QCOMPARE(f->ListBox2->topLevelItemCount(), 0);
        f->ComboBox4->setCurrentIndex(0);
        search(f, "");
        QCOMPARE(f->ListBox2->topLevelItemCount(), 40);
    }));
}

void TestSearch::escapeStopsTheSearch()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        // Pressed while the search runs: the search lets messages run after its first
        // publication, sees the key and stops with what it found.
        QTest::qWait(30);
        QCoreApplication::postEvent(f, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        search(f, "ZAKON", true);
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{demo::FirstLawTitle});
        QCOMPARE(lines(f->ListBox4).last(), entry("ZAKON", "po naslovima i tekstovima", 1));
        QVERIFY(!f->stopRequested());
        QVERIFY(!f->isBusy());
    }));
}

// Escape empties a field as users do; pressed while no search runs it stops nothing: the next
// search, of either scope and also a replayed one, gives its whole result.
void TestSearch::escapeWhileIdleStopsNothing()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        int titles = 0;
        for (const QByteArray& t : column(f->ListBox2, 0)) { // every regulation, as listed at start
            titles += yuscii::yupperW(t).contains("ZAKON");
        }
        QVERIFY(titles > 1);
        f->PageControl1->setCurrentIndex(2);
        QTest::keyClicks(f->Edit2, "rad");
        QTest::keyClick(f->Edit2, Qt::Key_Escape);
        f->Edit2->clear();
        QTest::keyClicks(f->Edit2, "zakon");
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        QCOMPARE(f->ListBox2->topLevelItemCount(), titles);
        QCOMPARE(lines(f->ListBox4).last(), entry("ZAKON", "po naslovima", titles));
        QCOMPARE(f->StatusBar1->panelText(2), QByteArray("Pretraga zavr{ena"));

        // The titles and texts.
        QTest::mouseClick(f->RadioButton5, Qt::LeftButton);
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        const int inTexts = f->ListBox2->topLevelItemCount();
        QVERIFY(inTexts >= titles);
        QTest::keyClick(f->Edit2, Qt::Key_Escape);
        QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
        QCOMPARE(f->ListBox2->topLevelItemCount(), inTexts);
        QCOMPARE(lines(f->ListBox4).last(), entry("ZAKON", "po naslovima i tekstovima", inTexts));

        // A replay from the recent searches, Escape pressed in their list first.
        f->PageControl1->setCurrentIndex(3);
        f->ListBox4->setCurrentRow(0);
        QTest::keyClick(f->ListBox4, Qt::Key_Escape);
        QTest::keyClick(f->ListBox4, Qt::Key_Return);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QCOMPARE(f->ListBox2->topLevelItemCount(), titles);
        QVERIFY(!f->stopRequested());
    }));
}

void TestSearch::enterKeepsTheFocusInTheField()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->PageControl1->setCurrentIndex(2);
        f->Edit2->setFocus();
        QTest::keyClicks(f->Edit2, "zakon");
        QTest::keyClick(f->Edit2, Qt::Key_Return);
        QVERIFY(f->ListBox2->topLevelItemCount() > 0);
        // What the user types next goes on in the field.
        QCOMPARE(QApplication::focusWidget(), f->Edit2);
        QTest::keyClicks(QApplication::focusWidget(), " rad");
        QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON RAD"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(lines(f->ListBox4).last(), entry("ZAKON RAD", "po naslovima", f->ListBox2->topLevelItemCount()));
        QCOMPARE(QApplication::focusWidget(), f->Edit2);
    }));
}

void TestSearch::failedStepLeavesTheBusyState()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const int entries = f->ListBox4->count();
        f->arhiva.close();
        f->ReplayingSearch = true;
        search(f, "ZAKON");
        QCOMPARE(program.prompter.asked().size(), 1);
        QCOMPARE(program.prompter.asked().first().kind, Prompt::Error);
        QVERIFY(!f->isBusy());
        QVERIFY(f->PageControl1->isEnabled());
        QCOMPARE(f->StatusBar1->panelText(2), QByteArray("Pretraga zavr{ena"));
        QCOMPARE(f->ProgressBar1->value(), 0);
        QVERIFY(!f->ReplayingSearch);
        QCOMPARE(f->ListBox4->count(), entries);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray());
        f->arhiva.open();
        search(f, "ZAKON");
        QVERIFY(f->ListBox2->topLevelItemCount() > 0);
    }));
}

void TestSearch::recentListKeepsItsCapacity()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(f->SpinEdit4->value(), 12);
        QCOMPARE(f->SpinEdit4->minimum(), 1);
        QCOMPARE(f->SpinEdit4->maximum(), 24);
        f->SpinEdit4->setValue(3);
        for (const char* q : {"ZAKON", "RAD", "PORE", "UREDBA"}) {
            search(f, q);
        }
        QByteArrayList got = lines(f->ListBox4);
        QCOMPARE(got.size(), 3);
        QVERIFY(got[0].startsWith("'RAD'"));
        QVERIFY(got[2].startsWith("'UREDBA'"));
        // A lower capacity shrinks nothing at once.
        f->SpinEdit4->setValue(1);
        search(f, "UREDBA");
        got = lines(f->ListBox4);
        QCOMPARE(got.size(), 3);
        QCOMPARE(got[1], got[2]); // the same search twice: two lines
        f->PageControl1->setCurrentIndex(3);
        QTest::mouseClick(f->SpeedButton25, Qt::LeftButton);
        QCOMPARE(f->ListBox4->count(), 0);
    }));
    // Closing wrote the list.
    QCOMPARE(program.readFile("pretrage.ini"), QByteArray());
}

void TestSearch::replayRunsTheEntryAgain()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->ListBox4->clear();
        for (const QByteArray& e :
             {entry("ZAKON", "po naslovima i tekstovima", 3), QByteArray("'O''B' - po naslovima (nadjeno 1 propisa)"),
              entry("AB", "po naslovima", 0)}) {
            f->ListBox4->addItem(platform::toScreen(e));
        }
        f->PageControl1->setCurrentIndex(3);
        activate(f->ListBox4, 0);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QCOMPARE(f->Edit2->text(), QStringLiteral("ZAKON"));
        QVERIFY(f->RadioButton5->isChecked());
        QVERIFY(f->ListBox2->topLevelItemCount() > 0);
        QCOMPARE(f->ListBox4->count(), 3);
        QVERIFY(!f->ReplayingSearch);

        // Enter replays too; the quoted apostrophe belongs to the query.
        f->PageControl1->setCurrentIndex(3);
        f->ListBox4->setCurrentRow(1);
        QTest::keyClick(f->ListBox4, Qt::Key_Return);
        QCOMPARE(platform::fromScreen(f->Edit2->text()), QByteArray("O'B"));
        QVERIFY(f->RadioButton6->isChecked());
        QCOMPARE(column(f->ListBox2, 0), QByteArrayList{demo::ApostropheLawTitle});
        QCOMPARE(f->ListBox4->count(), 3);

        // A short query asks again; after Cancel the user's own next search leaves its line.
        f->PageControl1->setCurrentIndex(3);
        program.prompter.answer(Answer::Cancel);
        activate(f->ListBox4, 2);
        QCOMPARE(program.prompter.asked().last().text, kShortQuestion);
        QVERIFY(!f->ReplayingSearch);
        search(f, "PORE");
        QCOMPARE(f->ListBox4->count(), 4);
        // Nothing chosen: nothing happens.
        f->PageControl1->setCurrentIndex(3);
        f->ListBox4->clearSelection();
        f->ListBox4->setCurrentItem(nullptr);
        platform::setFieldText(f->Edit2, "NE");
        f->ListBox4DblClick();
        QCOMPARE(f->Edit2->text(), QStringLiteral("NE"));
        QCOMPARE(f->ListBox4->count(), 4);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestSearch::openingAHit()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        RecordingWindows windows;
        f->ListBox5->clear();
        search(f, "RA~UNOVODSTVU");
        QTreeWidgetItem* row = f->ListBox2->topLevelItem(0);
        QVERIFY(row != nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        f->ListBox2->setCurrentItem(row);
        doubleClick(f->ListBox2, f->ListBox2->visualItemRect(row));
        QCOMPARE(windows.regulations.size(), 1);
        QCOMPARE(windows.regulations[0].title, QByteArray(demo::FirstLawTitle));
        // The regulation with that title and that number/year, not the gazette's name.
        QCOMPARE(windows.regulations[0].records, 1);
        QCOMPARE(windows.regulations[0].numberYear, QByteArray("12/2005"));
        QCOMPARE(lines(f->ListBox5), QByteArrayList{demo::FirstLawTitle});
        // Enter opens it as well; the frequent list keeps one line for it.
        QTest::keyClick(f->ListBox2, Qt::Key_Return);
        QCOMPARE(windows.regulations.size(), 2);
        QCOMPARE(f->ListBox5->count(), 1);
        // No row chosen: nothing opens.
        f->ListBox2->clearSelection();
        f->ListBox2->setCurrentItem(nullptr);
        f->ListBox2DblClick();
        QCOMPARE(windows.regulations.size(), 2);
    }));
}

// At the screen sizes the program is used at, the columns of every result list fit the list's
// width: no horizontal scroll bar for a few pixels.
void TestSearch::resultListsFitTheWindow()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->setWindowState(Qt::WindowNoState);
        const std::pair<int, QTreeWidget*> lists[] = {{0, f->ListView1}, {1, f->ListBox3}, {2, f->ListBox2},
                                                      {4, f->Listbox6},  {5, f->ListBox7}, {5, f->Listbox9}};
        for (const QSize size : {QSize(1366, 768), QSize(1024, 768), QSize(1920, 1080)}) {
            f->resize(size);
            QTRY_COMPARE(f->size(), size);
            for (const auto& [page, list] : lists) {
                f->PageControl1->setCurrentIndex(page);
                QApplication::processEvents();
                const QByteArray where = list->objectName().toLatin1() + " at " + QByteArray::number(size.width());
                QVERIFY2(list->header()->length() <= list->viewport()->width(), where.constData());
                QVERIFY2(!list->horizontalScrollBar()->isVisible(), where.constData());
            }
        }
        // The search list's columns share its width by what they hold: no gazette's name is cut
        // while the titles have room, and the titles take the rest.
        f->PageControl1->setCurrentIndex(2);
        for (const QSize size : {QSize(1366, 768), QSize(1024, 768)}) {
            f->resize(size);
            QTRY_COMPARE(f->size(), size);
            QApplication::processEvents();
            QTreeWidget* list = f->ListBox2;
            int gazette = 0;
            int numberYear = 0;
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                gazette = std::max(gazette, list->sizeHintForIndex(list->model()->index(row, 1)).width());
                numberYear = std::max(numberYear, list->sizeHintForIndex(list->model()->index(row, 2)).width());
            }
            QVERIFY(column(list, 1).contains("Slu`beni glasnik Socijalisti~ke Republike Srbije"));
            QVERIFY(gazette <= list->columnWidth(1));
            QVERIFY(numberYear <= list->columnWidth(2));
            QVERIFY(list->columnWidth(0) > list->columnWidth(1));
            QCOMPARE(list->header()->length(), list->viewport()->width());
        }
    }));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
