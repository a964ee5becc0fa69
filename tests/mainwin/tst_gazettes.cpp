// The gazettes tab and the result lists' column sorting, driven through the real widgets of a
// whole program on a generated collection.

#include "programfixture.h"
#include "recordingwindows.h"

#include "demo.h"
#include "gazettetree.h"
#include "images.h"
#include "screentext.h"
#include "sortrules.h"
#include "table.h"
#include "tables.h"

#include <algorithm>
#include <QApplication>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTreeWidget>

using sortrules::Rule;

namespace {

constexpr int Regulations = 300;
constexpr int FirstGazette = 0; // "Slu`beni glasnik Republike Srbije", the first law's

// The collection as the tables hold it, read apart from the window's own table objects.
struct Publication {
    QByteArray id;
    QByteArray gazette;
    QByteArray year;
    QByteArray issue;
};

QList<Publication> publications()
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName("TB_Brojevi.db");
    t.open();
    QList<Publication> all;
    for (int i = 0, n = t.recordCount(); i < n; ++i) {
        all.append({t.fieldByName("ID_BROJA").asString(), t.fieldByName("ID_GLASNIKA").asString(),
                    t.fieldByName("GODINA_stampanja").asString(), t.fieldByName("BROJ").asString()});
        t.next();
    }
    return all;
}

// The image each regulation's entry must show, by its key.
QHash<QByteArray, int> expectedImages()
{
    engine::Table zakoni;
    zakoni.setDatabaseName("ZAKONI");
    zakoni.setTableName("TB_Zakoni.db");
    zakoni.open();
    engine::Table arhiva;
    arhiva.setDatabaseName("ZAKONI");
    arhiva.setTableName("TB_Arhiva.db");
    arhiva.open();
    QHash<QByteArray, qint64> later;
    for (int i = 0, n = arhiva.recordCount(); i < n; ++i) {
        later[arhiva.field(0).asString()] = arhiva.field(2).asInteger();
        arhiva.next();
    }
    QHash<QByteArray, int> images;
    for (int i = 0, n = zakoni.recordCount(); i < n; ++i) {
        const QByteArray id = zakoni.field(0).asString();
        int image = zakoni.field(8).asBytes().size() > 200 ? images::MoreInfo : images::Document;
        if (later.value(id) != 0) {
            image = images::Archived;
        }
        images[id] = image;
        zakoni.next();
    }
    return images;
}

QByteArray text(const QTreeWidgetItem* item, int column = 0)
{
    return platform::fromScreen(item->text(column));
}

QList<QList<QByteArray>> rows(const QTreeWidget* list)
{
    QList<QList<QByteArray>> all;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QList<QByteArray> row;
        for (int c = 0; c < list->columnCount(); ++c) {
            row << text(list->topLevelItem(i), c);
        }
        all << row;
    }
    return all;
}

bool sortedBy(const QTreeWidget* list, Rule rule, int column)
{
    const auto all = rows(list);
    for (int i = 1; i < all.size(); ++i) {
        if (sortrules::compareRows(rule, column, all[i - 1], all[i]) > 0) {
            return false;
        }
    }
    return true;
}

bool hasIcon(const QTreeWidgetItem* item, int image)
{
    return item->icon(0).cacheKey() == images::ImageList1(image).cacheKey();
}

// Only the clicked column carries the sort image.
bool markerOn(const QTreeWidget* list, int column)
{
    for (int c = 0; c < list->columnCount(); ++c) {
        if (list->headerItem()->icon(c).isNull() == (c == column)) {
            return false;
        }
    }
    return true;
}

void clickHeader(QTreeWidget* list, int column)
{
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QTreeWidgetItem* child(QTreeWidgetItem* node, const QByteArray& text)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (platform::fromScreen(node->child(i)->text(0)) == text) {
            return node->child(i);
        }
    }
    return nullptr;
}

bool isPlaceholderOnly(const QTreeWidgetItem* node)
{
    return node->childCount() == 1 && node->child(0)->text(0).isEmpty() && node->child(0)->childCount() == 0;
}

void addRows(QTreeWidget* list, const QList<QList<QByteArray>>& texts)
{
    list->clear();
    for (const auto& row : texts) {
        auto* item = new QTreeWidgetItem(list);
        for (int c = 0; c < row.size(); ++c) {
            item->setText(c, platform::toScreen(row[c]));
        }
    }
}

} // namespace

class TestGazettes : public QObject {
    Q_OBJECT
private slots:
    void treeStartsWithTheGazettes();
    void expandingReadsYearsAndIssues();
    void nodesListTheirRegulations();
    void clickingTheSelectedNodeFillsAnEmptyList();
    void listedRegulationOpens();
    void listedRegulationOpensInTheViewer();
    void regulationListsSortByTheClickedColumn();
    void otherListsSortByTheirRules();
};

void TestGazettes::treeStartsWithTheGazettes()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* tree = f->findChild<QTreeWidget*>("TreeView2");
        QTreeWidget* list = f->findChild<QTreeWidget*>("ListView1");
        QVERIFY(tree && list);
        QCOMPARE(tree->topLevelItemCount(), 10);
        QCOMPARE(text(tree->topLevelItem(0)), QByteArray("Slu`beni glasnik Republike Srbije"));
        QCOMPARE(tree->topLevelItem(0)->text(0), QString::fromUtf8("Službeni glasnik Republike Srbije"));
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QVERIFY(isPlaceholderOnly(tree->topLevelItem(i)));
            QVERIFY(hasIcon(tree->topLevelItem(i), images::Document));
            QVERIFY(!(tree->topLevelItem(i)->flags() & Qt::ItemIsEditable));
        }
        QCOMPARE(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
        // Filling selected each gazette in turn without listing any.
        QCOMPARE(tree->currentItem(), tree->topLevelItem(9));
        QCOMPARE(list->topLevelItemCount(), 0);
        QCOMPARE(list->headerItem()->text(0), QString("Naziv propisa"));
        QCOMPARE(list->headerItem()->text(1), QString("Broj/godina"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestGazettes::expandingReadsYearsAndIssues()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* tree = f->TreeView2;
        const QList<Publication> all = publications();
        QByteArrayList years;
        for (const Publication& p : all) {
            if (p.gazette == "1" && !years.contains(p.year)) {
                years << p.year;
            }
        }
        gazettetree::sortYears(years);

        QTreeWidgetItem* gazette = tree->topLevelItem(FirstGazette);
        tree->setCurrentItem(gazette);
        const int listed = f->ListView1->topLevelItemCount();
        QVERIFY(listed > 0);
        // The expand button, left of the node's text.
        const QRect rect = tree->visualItemRect(gazette);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() - tree->indentation() / 2, rect.center().y()));
        QVERIFY(gazette->isExpanded());
        QByteArrayList shown;
        for (int i = 0; i < gazette->childCount(); ++i) {
            shown << text(gazette->child(i));
            QVERIFY(isPlaceholderOnly(gazette->child(i)));
        }
        QCOMPARE(shown, years);
        // The last year is selected, and the list still shows the gazette.
        QCOMPARE(tree->currentItem(), gazette->child(gazette->childCount() - 1));
        QCOMPARE(f->ListView1->topLevelItemCount(), listed);

        QByteArrayList issues;
        for (const Publication& p : all) {
            if (p.gazette == "1" && p.year == "2005" && !issues.contains(p.issue)) {
                issues << p.issue;
            }
        }
        gazettetree::sortIssueNumbers(issues);
        QTreeWidgetItem* year = child(gazette, "2005");
        QVERIFY(year);
        QTreeWidgetItem* selected = tree->currentItem();
        year->setExpanded(true);
        QByteArrayList shownIssues;
        for (int i = 0; i < year->childCount(); ++i) {
            shownIssues << text(year->child(i));
            QCOMPARE(year->child(i)->childCount(), 0);
        }
        QCOMPARE(shownIssues, issues);
        QVERIFY(shownIssues.contains("12"));
        QCOMPARE(tree->currentItem(), selected);

        // Collapsing throws the children away; the next expansion reads them again.
        year->setExpanded(false);
        QVERIFY(isPlaceholderOnly(year));
        year->setExpanded(true);
        QCOMPARE(year->childCount(), issues.size());
        f->ListView1->clear();
        gazette->setExpanded(false);
        QVERIFY(isPlaceholderOnly(gazette));
        // The selected year went with the branch: the gazette takes the selection and lists.
        QCOMPARE(tree->currentItem(), gazette);
        QCOMPARE(f->ListView1->topLevelItemCount(), listed);
        gazette->setExpanded(true);
        QCOMPARE(gazette->childCount(), years.size());
        QCOMPARE(tree->currentItem(), gazette->child(gazette->childCount() - 1));

        // A gazette with no publications loses its placeholder and gets nothing.
        {
            engine::Table glasnici;
            glasnici.setDatabaseName("ZAKONI");
            glasnici.setTableName("TB_Glasnici.db");
            glasnici.open();
            glasnici.append();
            glasnici.fieldByName("ID_GLASNIKA").setAsInteger(11);
            glasnici.fieldByName("Naziv_glasnika").setAsString("Slu`beni list Atlantide");
            glasnici.post();
        }
        f->Glasnici.setMasterFields({});
        f->ubacipoglasnicima();
        f->Glasnici.setMasterFields("ID_GLASNIKA");
        QCOMPARE(tree->topLevelItemCount(), 11);
        QTreeWidgetItem* empty = tree->topLevelItem(10);
        QVERIFY(isPlaceholderOnly(empty));
        empty->setExpanded(true);
        QCOMPARE(empty->childCount(), 0);
        tree->setCurrentItem(tree->topLevelItem(0));
        QVERIFY(f->ListView1->topLevelItemCount() > 0);
        tree->setCurrentItem(empty);
        QCOMPARE(f->ListView1->topLevelItemCount(), 0);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestGazettes::nodesListTheirRegulations()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* tree = f->TreeView2;
        QTreeWidget* list = f->ListView1;
        const QList<Publication> all = publications();
        const QHash<QByteArray, int> images = expectedImages();

        QTreeWidgetItem* gazette = tree->topLevelItem(FirstGazette);
        gazette->setExpanded(true);
        QTreeWidgetItem* year = child(gazette, "2005");
        year->setExpanded(true);
        QTreeWidgetItem* issue = child(year, "12");
        tree->setCurrentItem(issue);
        const auto inIssue = std::count_if(all.begin(), all.end(), [](const Publication& p) {
            return p.gazette == "1" && p.year == "2005" && p.issue.compare("12", Qt::CaseInsensitive) == 0;
        });
        QCOMPARE(list->topLevelItemCount(), int(inIssue));
        bool firstLaw = false;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QCOMPARE(text(list->topLevelItem(i), 1), QByteArray("12/2005"));
            firstLaw = firstLaw || text(list->topLevelItem(i)) == demo::FirstLawTitle;
        }
        QVERIFY(firstLaw);

        tree->setCurrentItem(year);
        QCOMPARE(list->topLevelItemCount(), int(std::count_if(all.begin(), all.end(), [](const Publication& p) {
                     return p.gazette == "1" && p.year == "2005";
                 })));

        // Every gazette lists its publications in table order, each with its image: 2 for a note
        // of 201 characters, 0 for one of 200, 3 for an archived version whatever its note.
        int checked[5] = {};
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            tree->setCurrentItem(tree->topLevelItem(g));
            QList<Publication> mine;
            for (const Publication& p : all) {
                if (p.gazette == QByteArray::number(g + 1)) {
                    mine << p;
                }
            }
            QCOMPARE(list->topLevelItemCount(), mine.size());
            for (int i = 0; i < mine.size(); ++i) {
                const int image = images.value(mine[i].id);
                QVERIFY2(hasIcon(list->topLevelItem(i), image), mine[i].id.constData());
                ++checked[image];
                if (mine[i].id == QByteArray::number(demo::landmark::Note200)) {
                    QCOMPARE(image, int(images::Document));
                }
                if (mine[i].id == QByteArray::number(demo::landmark::Note201)) {
                    QCOMPARE(image, int(images::MoreInfo));
                }
                if (mine[i].id == QByteArray::number(demo::landmark::ChainOfThree[0])) {
                    QCOMPARE(image, int(images::Archived));
                }
            }
        }
        QVERIFY(checked[images::Document] > 0 && checked[images::MoreInfo] > 0 && checked[images::Archived] > 0);

        // The gazettes table is back on its link without the name filter: a publication of
        // another gazette shows that gazette's name.
        tree->setCurrentItem(gazette);
        QVERIFY(f->Glasnici.filter().isEmpty());
        QCOMPARE(f->Glasnici.masterFields(), QByteArray("ID_GLASNIKA"));
        const auto other = std::find_if(all.begin(), all.end(), [](const Publication& p) { return p.gazette != "1"; });
        QVERIFY(other != all.end());
        const QByteArray savedFilter = f->Glavna.filter();
        f->Glavna.setFilter("ID_BROJA=" + other->id);
        QCOMPARE(f->Glasnici.field(1).asString(), text(tree->topLevelItem(other->gazette.toInt() - 1)));
        f->Glavna.setFilter(savedFilter);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestGazettes::clickingTheSelectedNodeFillsAnEmptyList()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* tree = f->TreeView2;
        QTreeWidgetItem* last = tree->currentItem();
        QVERIFY(last);
        QCOMPARE(f->ListView1->topLevelItemCount(), 0);
        const QRect rect = tree->visualItemRect(last);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        const int listed = f->ListView1->topLevelItemCount();
        QVERIFY(listed > 0);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(f->ListView1->topLevelItemCount(), listed);
    }));
}

void TestGazettes::listedRegulationOpens()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows windows;
        QTreeWidget* tree = f->TreeView2;
        QTreeWidget* list = f->ListView1;
        QTreeWidgetItem* gazette = tree->topLevelItem(FirstGazette);
        gazette->setExpanded(true);
        child(gazette, "2005")->setExpanded(true);
        tree->setCurrentItem(child(child(gazette, "2005"), "12"));
        const QByteArray publicationsFilter = f->Glavna.filter();
        QTreeWidgetItem* entry = nullptr;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (text(list->topLevelItem(i)) == demo::FirstLawTitle) {
                entry = list->topLevelItem(i);
            }
        }
        QVERIFY(entry);

        // Nothing selected: nothing opens.
        list->clearSelection();
        list->setCurrentItem(nullptr);
        f->ListView1DblClick();
        QVERIFY(windows.regulations.isEmpty());

        const QRect rect = list->visualItemRect(entry);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(windows.regulations.size(), 1);
        QCOMPARE(windows.regulations[0].title, QByteArray(demo::FirstLawTitle));
        QCOMPARE(windows.regulations[0].currentTitle, QByteArray(demo::FirstLawTitle));
        QCOMPARE(windows.regulations[0].numberYear, QByteArray("12/2005"));
        QVERIFY(windows.regulations[0].masterFields.isEmpty());
        // After the viewer: the regulations follow the publications again, whose filter is back.
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->Zakoni.indexFieldNames(), QByteArray("ID_ZAKONA"));
        QCOMPARE(f->Glavna.filter(), publicationsFilter);
        QCOMPARE(tree->currentItem(), child(child(gazette, "2005"), "12"));

        // Enter does what a double click does.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(windows.regulations.size(), 2);
        QCOMPARE(windows.regulations[1].title, QByteArray(demo::FirstLawTitle));
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(windows.regulations.size(), 3);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestGazettes::listedRegulationOpensInTheViewer()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* tree = f->TreeView2;
        tree->setCurrentItem(tree->topLevelItem(FirstGazette));
        QVERIFY(f->ListView1->topLevelItemCount() > 0);
        f->ListView1->setCurrentItem(f->ListView1->topLevelItem(0));
        const QString title = f->ListView1->topLevelItem(0)->text(0);
        QString shownCaption;
        bool closed = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* viewer = QApplication::activeModalWidget()) {
                shownCaption = viewer->windowTitle();
                viewer->close();
                closed = true;
            }
        });
        f->ListView1DblClick();
        QVERIFY(closed);
        QCOMPARE(shownCaption, title);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestGazettes::regulationListsSortByTheClickedColumn()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QTreeWidget* list = f->ListView1;
        f->TreeView2->setCurrentItem(f->TreeView2->topLevelItem(FirstGazette));
        QVERIFY(list->topLevelItemCount() > 20);
        const int count = list->topLevelItemCount();

        clickHeader(list, 1);
        QCOMPARE(f->ResultSortColumn, 1);
        QVERIFY(markerOn(list, 1));
        QVERIFY(sortedBy(list, Rule::TwoColumnRegulations, 1));
        QCOMPARE(list->topLevelItemCount(), count);

        clickHeader(list, 0);
        QCOMPARE(f->ResultSortColumn, 0);
        QVERIFY(markerOn(list, 0));
        QVERIFY(sortedBy(list, Rule::TwoColumnRegulations, 0));
        const auto once = rows(list);
        clickHeader(list, 0);
        QCOMPARE(rows(list), once);

        // A new listing is not sorted, and the marker stays where it was.
        f->TreeView2->setCurrentItem(f->TreeView2->topLevelItem(1));
        QVERIFY(markerOn(list, 0));

        // The search results hold every regulation with its gazette: three columns.
        f->PageControl1->setCurrentIndex(2);
        QTreeWidget* search = f->ListBox2;
        QCOMPARE(search->topLevelItemCount(), Regulations);
        for (int column : {1, 2, 0}) {
            clickHeader(search, column);
            QCOMPARE(f->ResultSortColumn, column);
            QVERIFY(markerOn(search, column));
            QVERIFY(sortedBy(search, Rule::ThreeColumnRegulations, column));
        }
        // The same rows sort to the same order whatever order they were in.
        const auto sorted = rows(search);
        QList<QList<QByteArray>> shuffled = sorted;
        std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
        addRows(search, shuffled);
        clickHeader(search, 0);
        QCOMPARE(rows(search), sorted);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestGazettes::otherListsSortByTheirRules()
{
    ProgramFixture program(Regulations);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<QList<QByteArray>> regulations = {
            {"Zakon o radu", "3/2005"}, {"zakon o porezu", "12/2005"}, {"@ito", "3/2004"}, {"[ume", "12"}, {"Abc", ""},
            {"ZAKON O RADU", "1/2005"},
        };

        f->PageControl1->setCurrentIndex(1);
        addRows(f->ListBox3, regulations);
        clickHeader(f->ListBox3, 1);
        QCOMPARE(f->ResultSortColumn, 1);
        QVERIFY(markerOn(f->ListBox3, 1));
        // Texts without a year first, then by year, within a year as text.
        QByteArrayList numbers;
        for (const auto& row : rows(f->ListBox3)) {
            numbers << row[1];
        }
        QCOMPARE(numbers, (QByteArrayList{"", "12", "3/2004", "1/2005", "12/2005", "3/2005"}));
        clickHeader(f->ListBox3, 0);
        QByteArrayList titles;
        for (const auto& row : rows(f->ListBox3)) {
            titles << row[0];
        }
        // Ž before A, Š after Z; a-z folded, ties by the exact text.
        QCOMPARE(titles, (QByteArrayList{"@ito", "Abc", "zakon o porezu", "ZAKON O RADU", "Zakon o radu", "[ume"}));

        f->PageControl1->setCurrentIndex(5);
        for (QTreeWidget* list : {f->ListBox7, f->Listbox9}) {
            addRows(list, regulations);
            clickHeader(list, 1);
            QVERIFY(markerOn(list, 1));
            QVERIFY(sortedBy(list, Rule::TwoColumnRegulations, 1));
            clickHeader(list, 0);
            QVERIFY(sortedBy(list, Rule::TwoColumnRegulations, 0));
        }
        // An empty list only moves the marker.
        f->Listbox9->clear();
        clickHeader(f->Listbox9, 1);
        QVERIFY(markerOn(f->Listbox9, 1));
        QCOMPARE(f->Listbox9->topLevelItemCount(), 0);

        // Opinions by date, day first; a text that is no date goes first instead of ending the sort.
        f->PageControl1->setCurrentIndex(4);
        f->ResultSortColumn = 0;
        addRows(f->Listbox6, {{"Mi{ljenje B", "01/04/2001"},
                              {"Mi{ljenje A", "05/03/2001"},
                              {"Mi{ljenje C", "31/02/2001"},
                              {"Mi{ljenje D", "01/01/1999"}});
        clickHeader(f->Listbox6, 1);
        QCOMPARE(f->OpinionSortColumn, 1);
        QCOMPARE(f->ResultSortColumn, 0);
        QVERIFY(markerOn(f->Listbox6, 1));
        QByteArrayList dates;
        for (const auto& row : rows(f->Listbox6)) {
            dates << row[1];
        }
        QCOMPARE(dates, (QByteArrayList{"31/02/2001", "01/01/1999", "05/03/2001", "01/04/2001"}));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestGazettes)
#include "tst_gazettes.moc"
