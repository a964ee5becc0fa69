// The personal lists tab of the whole program: the frequently opened list and its capacity, the
// quick-open list with its menu, the newest regulations, and the list files as they are read and
// written.

#include "listtexts.h"
#include "programfixture.h"
#include "recordingwindows.h"

#include "demo.h"
#include "personallists.h"
#include "recentsearches.h"
#include "schema.h"
#include "screentext.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

using testsupport::lines;
using testsupport::Prompt;
using testsupport::RecordingWindows;

namespace {

const QByteArray kFull = "Lista propisa oznacenih za brzo otvaranje je puna";
const QByteArray kOpinion = "Za pristup misljenjima koristite deo Misljenja";

void setLines(QListWidget* list, const QByteArrayList& entries)
{
    list->clear();
    for (const QByteArray& e : entries) {
        list->addItem(platform::toScreen(e));
    }
}

// The menu's items as the user sees them: caption and whether it can be chosen.
QList<std::pair<QByteArray, bool>> menu(const QMenu* m)
{
    QList<std::pair<QByteArray, bool>> out;
    for (const QAction* a : m->actions()) {
        out.append({platform::fromScreen(a->isSeparator() ? QStringLiteral("-") : a->text()), a->isEnabled()});
    }
    return out;
}

QAction* menuItem(const QMenu* m, const QByteArray& title)
{
    for (QAction* a : m->actions()) {
        if (platform::fromScreen(a->text()) == title) {
            return a;
        }
    }
    return nullptr;
}

void doubleClickRow(QListWidget* list, int row)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    list->setCurrentRow(row);
    const QRect rect = list->visualItemRect(list->item(row));
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class TestPersonal : public QObject {
    Q_OBJECT
private slots:
    void frequentListKeepsItsCapacity();
    void openersAndTheFrequentList();
    void quickOpenHoldsEight();
    void quickOpenOpinionTitle();
    void removingAndEmptying();
    void newestRegulations();
    void listFilesWithOddLineEnds();
    void overlongLinesAreDropped();
};

void TestPersonal::frequentListKeepsItsCapacity()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(f->SpinEdit2->value(), 12);
        f->SpinEdit2->setValue(3);
        setLines(f->ListBox5, {"A", "B", "C"});
        f->dodajuceste("D");
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{"B", "C", "D"}));
        f->dodajuceste("B");
        f->dodajuceste("d");
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{"B", "C", "D"}));
        // A lowered capacity removes nothing at once; the next title removes only the oldest.
        f->SpinEdit2->setValue(1);
        QCOMPARE(f->ListBox5->count(), 3);
        f->dodajuceste("E");
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{"C", "D", "E"}));
        setLines(f->ListBox5, {demo::ForestLawTitle});
        f->dodajuceste("ZAKON O [UMAMA");
        QCOMPARE(f->ListBox5->count(), 1);
    }));
    QCOMPARE(program.readFile("cesti.ini"), QByteArray("Zakon o {umama\r\n"));
}

// Opening from the search results joins the frequent list; opening from the personal lists
// themselves does not.
void TestPersonal::openersAndTheFrequentList()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        RecordingWindows windows;
        setLines(f->ListBox5, {demo::ForestLawTitle, ""});
        setLines(f->ListBox8, {demo::FirstLawTitle});
        f->PageControl1->setCurrentIndex(3);
        doubleClickRow(f->ListBox5, 0);
        QCOMPARE(windows.regulations.size(), 1);
        QCOMPARE(windows.regulations[0].title, QByteArray(demo::ForestLawTitle));
        QCOMPARE(windows.regulations[0].numberYear, QByteArray("46/1991"));
        QTest::keyClick(f->ListBox5, Qt::Key_Return);
        QCOMPARE(windows.regulations.size(), 2);
        doubleClickRow(f->ListBox5, 1); // an empty line opens nothing
        QCOMPARE(windows.regulations.size(), 2);
        doubleClickRow(f->ListBox8, 0);
        QCOMPARE(windows.regulations.size(), 3);
        QCOMPARE(windows.regulations[2].numberYear, QByteArray("12/2005"));
        QCOMPARE(f->Zakoni.filter(), QByteArray());
        menuItem(f->PopupMenu1, demo::FirstLawTitle)->trigger();
        QCOMPARE(windows.regulations.size(), 4);
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{demo::ForestLawTitle, ""}));
        // The regulations are linked to the publications again after each opening.
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestPersonal::quickOpenHoldsEight()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->ListBox8->clear();
        for (int i = 1; i <= 7; ++i) {
            f->addToQuickOpen("Propis " + QByteArray::number(i));
        }
        f->addToQuickOpen("Propis 1"); // the same title again
        QCOMPARE(f->ListBox8->count(), 7);
        f->addToQuickOpen("PROPIS 1"); // another letter case is another title
        QCOMPARE(f->ListBox8->count(), 8);
        QVERIFY(program.prompter.asked().isEmpty());
        f->addToQuickOpen("Deveti");
        QCOMPARE(program.prompter.texts(), QByteArrayList{kFull});
        QCOMPARE(f->ListBox8->count(), 8);
        const auto items = menu(f->PopupMenu1);
        QCOMPARE(items.size(), 10);
        QCOMPARE(items[0], std::make_pair(QByteArray("Oznaceni propisi"), false));
        QCOMPARE(items[1], std::make_pair(QByteArray("-"), false));
        QCOMPARE(items[2], std::make_pair(QByteArray("Propis 1"), true));
        QCOMPARE(items[9], std::make_pair(QByteArray("PROPIS 1"), true));
        // A title with "&" shows it, not an accelerator.
        f->ListBox8->clear();
        f->addToQuickOpen("Ugovor o delu & zakup");
        QCOMPARE(menu(f->PopupMenu1).value(2).first, QByteArray("Ugovor o delu && zakup"));
        QCOMPARE(f->PopupMenu1->actions().value(2)->iconText(), QStringLiteral("Ugovor o delu & zakup"));
    }));
    QCOMPARE(program.readFile("brzi.ini"), QByteArray("Ugovor o delu & zakup\r\n"));
}

// An opinion's title in the quick-open list: the list says where opinions are opened and drops
// the title; the menu opens nothing and says nothing.
void TestPersonal::quickOpenOpinionTitle()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        RecordingWindows windows;
        f->misljenja.first();
        const QByteArray opinion = f->misljenja.field(2).asString();
        QVERIFY(!opinion.isEmpty());
        f->ListBox8->clear();
        f->addToQuickOpen(opinion);
        f->addToQuickOpen(demo::FirstLawTitle);
        menuItem(f->PopupMenu1, opinion)->trigger();
        QVERIFY(windows.regulations.isEmpty());
        QVERIFY(program.prompter.asked().isEmpty());
        QCOMPARE(f->ListBox8->count(), 2);
        QCOMPARE(f->Zakoni.filter(), QByteArray());

        f->PageControl1->setCurrentIndex(3);
        doubleClickRow(f->ListBox8, 0);
        QVERIFY(windows.regulations.isEmpty());
        QCOMPARE(program.prompter.texts(), QByteArrayList{kOpinion});
        QCOMPARE(lines(f->ListBox8), QByteArrayList{demo::FirstLawTitle});
        QCOMPARE(menu(f->PopupMenu1).size(), 3);
        QCOMPARE(f->Zakoni.filter(), QByteArray());
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
    }));
}

void TestPersonal::removingAndEmptying()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(3);
        setLines(f->ListBox8, {"A", "B"});
        f->addToQuickOpen("C");
        f->ListBox8->clearSelection();
        f->ListBox8->setCurrentItem(nullptr);
        QTest::mouseClick(f->SpeedButton21, Qt::LeftButton);
        QCOMPARE(f->ListBox8->count(), 3);
        f->ListBox8->setCurrentRow(1);
        QTest::mouseClick(f->SpeedButton21, Qt::LeftButton);
        QCOMPARE(lines(f->ListBox8), (QByteArrayList{"A", "C"}));
        QCOMPARE(menu(f->PopupMenu1).size(), 4);
        QVERIFY(menuItem(f->PopupMenu1, "B") == nullptr);

        setLines(f->ListBox5, {"A", "B"});
        setLines(f->ListBox4, {"'A' - po naslovima (nadjeno 1 propisa)"});
        QTest::mouseClick(f->SpeedButton24, Qt::LeftButton);
        QCOMPARE(f->ListBox5->count(), 0);
        QCOMPARE(f->ListBox4->count(), 1);
        QTest::mouseClick(f->SpeedButton25, Qt::LeftButton);
        QCOMPARE(f->ListBox4->count(), 0);
        QVERIFY(program.prompter.asked().isEmpty());
        f->ListBox8->clear();
        f->addToQuickOpen("X");
        delete f->ListBox8->takeItem(0);
        f->addToQuickOpen("Y"); // rebuilds the menu from the list as it is
        QCOMPARE(menu(f->PopupMenu1).size(), 3);
        f->ListBox8->clear();
        f->SpeedButton21Click();
        QCOMPARE(menu(f->PopupMenu1).size(), 3); // nothing chosen, nothing rebuilt
    }));
}

void TestPersonal::newestRegulations()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        RecordingWindows windows;
        f->PageControl1->setCurrentIndex(3);
        f->najnoviji.clear();
        QTest::mouseClick(f->SpeedButton10, Qt::LeftButton);
        QCOMPARE(program.prompter.texts(), QByteArrayList{"Ne postoji ni jedan propis u listi najnovijih.\n\r"
                                                          "Ovu listu mozete koristit tek nakon prvog azuriranja."});
        QVERIFY(windows.lists.isEmpty());

        f->lookzakoni.setFilter("ID_ZAKONA= '2'");
        f->najnoviji = {demo::FirstLawTitle, demo::ForestLawTitle, "Nepostojeci propis"};
        QTest::mouseClick(f->SpeedButton10, Qt::LeftButton);
        QCOMPARE(windows.lists.size(), 1);
        const QList<mainwin::SelectionRow> rows = windows.lists[0];
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].title, QByteArray(demo::FirstLawTitle));
        QCOMPARE(rows[0].gazette, QByteArray("Slu`beni glasnik Republike Srbije"));
        QCOMPARE(rows[0].numberYear, QByteArray("12/2005"));
        QCOMPARE(rows[1].numberYear, QByteArray("46/1991"));
        QCOMPARE(rows[2].gazette, QByteArray());
        QCOMPARE(rows[2].numberYear, QByteArray());
        // The lookup puts the citation tables back as it found them.
        QCOMPARE(f->lookzakoni.filter(), QByteArray("ID_ZAKONA= '2'"));
    }));
}

void TestPersonal::listFilesWithOddLineEnds()
{
    ProgramFixture program;
    program.writeFile("cesti.ini", "Zakon o radu\rZakon o {umama\n\nZakon o ra~unovodstvu");
    program.writeFile("brzi.ini", "Zakon o ra~unovodstvu\r");
    program.writeFile("pretrage.ini", "'ZAKON' - po naslovima (nadjeno 3 propisa)\r'O''B' - po naslovima i "
                                      "tekstovima (nadjeno 1 propisa)\r\n");
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{"Zakon o radu", "Zakon o {umama", "", "Zakon o ra~unovodstvu"}));
        QCOMPARE(lines(f->ListBox8), QByteArrayList{"Zakon o ra~unovodstvu"});
        QCOMPARE(menu(f->PopupMenu1).size(), 3);
        QCOMPARE(f->ListBox4->count(), 2);
        f->ListBox4->setCurrentRow(1);
        f->ListBox4DblClick();
        QCOMPARE(platform::fromScreen(f->Edit2->text()), QByteArray("O'B"));
        QCOMPARE(f->ListBox2->topLevelItemCount(), 1);
        QCOMPARE(f->ListBox4->count(), 2);
    }));
    QCOMPARE(program.readFile("cesti.ini"),
             QByteArray("Zakon o radu\r\nZakon o {umama\r\n\r\nZakon o ra~unovodstvu\r\n"));
    QCOMPARE(program.readFile("pretrage.ini"), QByteArray("'ZAKON' - po naslovima (nadjeno 3 propisa)\r\n'O''B' - po "
                                                          "naslovima i tekstovima (nadjeno 1 propisa)\r\n"));
}

// Each list file with a 10 MB line: the line is dropped as the file is read, the other lines stay,
// the tab opens at once, and the files are written back without it.
void TestPersonal::overlongLinesAreDropped()
{
    // No title the tables can hold is too long for the lists.
    for (const auto& [table, field] :
         {std::pair{"TB_Zakoni.db", "Naziv_zakona"}, {"TB_Misljenja.db", "NAZIV_MISLJENJA"}}) {
        const engine::TableStructure& structure = data::tableFile(QLatin1String(table)).structure;
        const int size = structure.fields.value(structure.indexOf(field)).size;
        QVERIFY2(size > 0 && size <= personallists::longestTitle(), field);
    }
    const QByteArray huge(10 * 1024 * 1024, 'Z');
    const QByteArray longest(personallists::longestTitle(), 'T');
    const QByteArray longestSearch = recentsearches::entry(QByteArray(personallists::longestTitle(), '\''),
                                                           recentsearches::Scope::TitlesAndTexts, 123456789);
    QVERIFY(longestSearch.size() <= personallists::longestSearchEntry());
    const QByteArray search = "'ZAKON' - po naslovima (nadjeno 3 propisa)";

    ProgramFixture program;
    program.writeFile("cesti.ini", "Zakon o radu\r\n" + huge + "\r\n" + longest + "\r\n" + longest + "T\r\n\r\n" +
                                       demo::ForestLawTitle + "\r\n");
    program.writeFile("brzi.ini", huge + "\r\n" + demo::FirstLawTitle + "\r\n");
    program.writeFile("pretrage.ini", search + "\r\n" + huge + "\r\n" + longestSearch + "\r\n");
    program.writeFile("novo.lst", huge + "\n" + demo::ForestLawTitle + "\n" + huge);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(3);
        QCOMPARE(lines(f->ListBox5), (QByteArrayList{"Zakon o radu", longest, "", demo::ForestLawTitle}));
        QCOMPARE(lines(f->ListBox8), QByteArrayList{demo::FirstLawTitle});
        QCOMPARE(menu(f->PopupMenu1).size(), 3);
        QCOMPARE(lines(f->ListBox4), (QByteArrayList{search, longestSearch}));
        QCOMPARE(f->najnoviji, QByteArrayList{demo::ForestLawTitle});
    }));
    QVERIFY(program.prompter.asked().isEmpty());
    QCOMPARE(program.readFile("cesti.ini"),
             "Zakon o radu\r\n" + longest + "\r\n\r\n" + QByteArray(demo::ForestLawTitle) + "\r\n");
    QCOMPARE(program.readFile("brzi.ini"), QByteArray(demo::FirstLawTitle) + "\r\n");
    QCOMPARE(program.readFile("pretrage.ini"), search + "\r\n" + longestSearch + "\r\n");
    QCOMPARE(program.readFile("novo.lst"), QByteArray(demo::ForestLawTitle) + "\r\n");
}

QTEST_MAIN(TestPersonal)
#include "tst_personal.moc"
