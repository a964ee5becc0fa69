// The areas tab on a generated collection: listing by area and type, the phrase search over the
// listing, Escape during a listing, and opening a listed regulation.

#include "listtexts.h"
#include "programfixture.h"
#include "recordingwindows.h"

#include "demo.h"
#include "images.h"
#include "paths.h"
#include "screentext.h"
#include "table.h"
#include "yuscii.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolTip>
#include <QTreeWidget>
#include <sqlite3.h>

using testsupport::Prompt;
using testsupport::rowsOf;

namespace {

// A regulation as the tables hold it, read apart from the main window's table objects.
struct Regulation {
    int key = 0;
    QByteArray title;
    QByteArray numberYear;
    int area = 0;
    int type = 0;
    bool archived = false;
};

QList<Regulation> readRegulations()
{
    engine::Table zakoni;
    zakoni.setDatabaseName("ZAKONI");
    zakoni.setTableName("TB_Zakoni.db");
    zakoni.open();
    engine::Table arhiva;
    arhiva.setDatabaseName("ZAKONI");
    arhiva.setTableName("TB_Arhiva.db");
    arhiva.open();
    QMap<int, bool> archived;
    for (arhiva.first(); !arhiva.eof(); arhiva.next()) {
        archived[int(arhiva.field(0).asInteger())] = arhiva.field(2).asInteger() != 0;
    }
    QList<Regulation> out;
    for (zakoni.first(); !zakoni.eof(); zakoni.next()) {
        const int key = int(zakoni.field(0).asInteger());
        out.append({key, zakoni.field(5).asString(), zakoni.field(10).asString(),
                    int(zakoni.fieldByName("ID_KATEGORIJE_ZAKONA").asInteger()),
                    int(zakoni.fieldByName("ID_TIPA_ZAKONA").asInteger()), archived.value(key)});
    }
    return out;
}

QByteArrayList expectedRows(const QList<Regulation>& regs, const std::function<bool(const Regulation&)>& selects)
{
    QByteArrayList rows;
    for (const Regulation& r : regs) {
        if (!r.archived && selects(r)) {
            rows << r.title + '|' + r.numberYear;
        }
    }
    return rows;
}

qint64 imageOf(const QTreeWidgetItem* item)
{
    return item->icon(0).cacheKey();
}

qint64 image(int index)
{
    return images::ImageList1(index).cacheKey();
}

void selectNode(TForm1* f, QTreeWidgetItem* node)
{
    f->TreeView1->clearSelection();
    node->setSelected(true);
}

} // namespace

class TestAreas : public QObject {
    Q_OBJECT
private slots:
    void listsByAreaAndType();
    void escapeStopsTheListingAndThePhraseSearchUsesWhatWasListed();
    void escapeWhileIdleStopsNothing();
    void cutTitlesReadWhole();
    void phraseSearchOverTheListing();
    void openingAListedRegulation();
    void aListingThatFailsLeavesTheRegulationsUnfiltered();
};

void TestAreas::listsByAreaAndType()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Regulation> regs = readRegulations();
        f->PageControl1->setCurrentIndex(1);
        QTreeWidgetItem* root = f->TreeView1->topLevelItem(0);
        QCOMPARE(root->childCount(), 16);
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("Sve"));

        // Nothing selected: another type lists nothing.
        f->ComboBox3->setCurrentIndex(1);
        emit f->ComboBox3->activated(1);
        QCOMPARE(f->ListBox3->topLevelItemCount(), 0);

        // The root with "Sve": every current regulation; archived versions are not listed.
        f->ComboBox3->setCurrentIndex(0);
        selectNode(f, root);
        QCOMPARE(rowsOf(f->ListBox3), expectedRows(regs, [](const Regulation&) { return true; }));
        QVERIFY(!f->isBusy());
        QVERIFY(f->ComboBox3->isEnabled());
        QCOMPARE(f->ProgressBar1->value(), 0);
        QCOMPARE(f->Zakoni.filter(), QByteArray());
        QCOMPARE(f->Zakoni.masterFields(), QByteArray());
        // The publication of the last regulation walked stays current.
        QCOMPARE(f->Glavna.filter(), "ID_BROJA='" + QByteArray::number(regs.last().key) + "'");
        QVERIFY(f->StatusBar1->panelText(0).startsWith("Propisa/Mi{ljenja/Ugovora: 60/"));
        // Notes of 200 and 201 characters: only the second is additional information.
        const auto rowOf = [&](int key) {
            const QByteArray text = regs[key - 1].title + '|' + regs[key - 1].numberYear;
            return f->ListBox3->topLevelItem(int(rowsOf(f->ListBox3).indexOf(text)));
        };
        QCOMPARE(imageOf(rowOf(demo::landmark::Note200)), image(images::Document));
        QCOMPARE(imageOf(rowOf(demo::landmark::Note201)), image(images::MoreInfo));

        // The root with a type: the current regulations of that type. Choosing the type relists.
        f->ComboBox3->setCurrentIndex(3);
        emit f->ComboBox3->activated(3);
        QCOMPARE(rowsOf(f->ListBox3), expectedRows(regs, [](const Regulation& r) { return r.type == 3; }));
        QVERIFY(!f->isBusy());

        // The n-th child is area n + 1, with the chosen type.
        const Regulation& law = regs[demo::landmark::FirstLaw - 1];
        f->ComboBox3->setCurrentIndex(law.type);
        emit f->ComboBox3->activated(law.type);
        selectNode(f, root->child(law.area - 2));
        const QByteArrayList expected =
            expectedRows(regs, [&](const Regulation& r) { return r.area == law.area && r.type == law.type; });
        QVERIFY(expected.contains(law.title + '|' + law.numberYear));
        QCOMPARE(rowsOf(f->ListBox3), expected);

        // An area and type with no regulation: the message, and an empty listing to search.
        int emptyArea = 2;
        while (!expectedRows(regs, [&](const Regulation& r) { return r.area == emptyArea && r.type == 7; }).isEmpty()) {
            ++emptyArea;
        }
        f->ComboBox3->setCurrentIndex(7);
        selectNode(f, root->child(emptyArea - 2));
        QCOMPARE(f->ListBox3->topLevelItemCount(), 0);
        QCOMPARE(program.prompter.texts().last(),
                 QByteArray("Nije pronadjen nijedan propis po ovom kriterijumu pretrage"));
        QVERIFY(f->oblastcuvaj.isEmpty());
        QVERIFY(!f->isBusy());
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestAreas::escapeStopsTheListingAndThePhraseSearchUsesWhatWasListed()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(1);
        // Escape pressed while the fifth regulation is being listed.
        const auto connection = QObject::connect(f->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
            if (value == 5) {
                QTest::keyClick(f->ListBox3, Qt::Key_Escape);
            }
        });
        selectNode(f, f->TreeView1->topLevelItem(0));
        QObject::disconnect(connection);
        QCOMPARE(f->ListBox3->topLevelItemCount(), 5);
        QCOMPARE(f->oblastcuvaj.size(), 5);
        QVERIFY(!f->stopRequested()); // the loop that stopped cleared the flag
        QVERIFY(!f->isBusy());
        QCOMPARE(f->ProgressBar1->value(), 0);

        // The phrase search works on the entries listed before the stop.
        f->Edit11->clear();
        QTest::mouseClick(f->SpeedButton17, Qt::LeftButton);
        QCOMPARE(f->ListBox3->topLevelItemCount(), 5);
        QTest::keyClicks(f->Edit11, "zakon o ");
        QTest::keyClick(f->Edit11, Qt::Key_Return);
        for (const QByteArray& row : rowsOf(f->ListBox3)) {
            QVERIFY(row.toUpper().startsWith("ZAKON O "));
        }
        QVERIFY(rowsOf(f->ListBox3).contains(QByteArray(demo::ForestLawTitle) + "|46/1991"));
    }));
}

// Escape empties a field as users do; pressed while nothing is listed it stops nothing: the next
// listing, by a click on an area or by a new type, is whole.
void TestAreas::escapeWhileIdleStopsNothing()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Regulation> regs = readRegulations();
        const Regulation& law = regs[demo::landmark::FirstLaw - 1];
        f->PageControl1->setCurrentIndex(1);
        QTreeWidgetItem* area = f->TreeView1->topLevelItem(0)->child(law.area - 2);
        QTest::keyClicks(f->Edit11, "rad");
        QTest::keyClick(f->Edit11, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        f->TreeView1->scrollToItem(area);
        QTest::mouseClick(f->TreeView1->viewport(), Qt::LeftButton, {}, f->TreeView1->visualItemRect(area).center());
        QCOMPARE(f->TreeView1->selectedItems(), QList<QTreeWidgetItem*>{area});
        const QByteArrayList inArea = expectedRows(regs, [&](const Regulation& r) { return r.area == law.area; });
        QVERIFY(inArea.size() > 1);
        QCOMPARE(rowsOf(f->ListBox3), inArea);
        QCOMPARE(f->oblastcuvaj.size(), inArea.size());

        QTest::keyClick(f->TreeView1, Qt::Key_Escape);
        f->ComboBox3->setCurrentIndex(law.type);
        emit f->ComboBox3->activated(law.type);
        QCOMPARE(rowsOf(f->ListBox3),
                 expectedRows(regs, [&](const Regulation& r) { return r.area == law.area && r.type == law.type; }));
        QVERIFY(!f->stopRequested());
        QVERIFY(program.prompter.asked().isEmpty());
    }));
}

// At 1024 pixels the longest titles do not fit their column: the tool tip shows such a title
// whole, and over a cell that is not cut the list's hint shows as before.
void TestAreas::cutTitlesReadWhole()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->setWindowState(Qt::WindowNoState);
        f->resize(1024, 768);
        QTRY_COMPARE(f->width(), 1024);
        f->PageControl1->setCurrentIndex(1);
        selectNode(f, f->TreeView1->topLevelItem(0));
        QApplication::processEvents();
        QTreeWidget* list = f->ListBox3;
        int cut = -1;
        for (int row = 0; row < list->topLevelItemCount() && cut < 0; ++row) {
            const QModelIndex title = list->model()->index(row, 0);
            if (list->sizeHintForIndex(title).width() > list->columnWidth(0)) {
                cut = row;
            }
        }
        QVERIFY(cut >= 0);
        list->scrollToItem(list->topLevelItem(cut));
        const auto tipAt = [&](int column) {
            const QRect cell = list->visualRect(list->model()->index(cut, column));
            QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(list->viewport(), &help);
            return QToolTip::text();
        };
        QTRY_VERIFY(tipAt(0).contains(list->topLevelItem(cut)->text(0)));
        QToolTip::hideText();
        QTRY_COMPARE(tipAt(1), platform::toScreen("Lista propisa po zadatom kriterijumu"));
        QToolTip::hideText();
    }));
}

void TestAreas::phraseSearchOverTheListing()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->PageControl1->setCurrentIndex(1);
        selectNode(f, f->TreeView1->topLevelItem(0));
        const QByteArrayList all = rowsOf(f->ListBox3);
        f->Edit11->setFocus();

        // Typed keys are mapped and upper-cased: "[" types {, upper-cased [ (Š).
        QTest::keyClicks(f->Edit11, "o [uma");
        QCOMPARE(platform::fromScreen(f->Edit11->text()), QByteArray("O [UMA"));
        QTest::mouseClick(f->SpeedButton17, Qt::LeftButton);
        QCOMPARE(rowsOf(f->ListBox3), QByteArrayList{QByteArray(demo::ForestLawTitle) + "|46/1991"});

        // A second phrase starts again from the whole listing, not from the first result.
        f->Edit11->clear();
        f->Edit11->setFocus();
        QTest::keyClicks(f->Edit11, "ra;unovodstvu");
        QTest::keyClick(f->Edit11, Qt::Key_Return);
        QVERIFY(rowsOf(f->ListBox3).contains(QByteArray(demo::FirstLawTitle) + "|12/2005"));
        QCOMPARE(QApplication::focusWidget(), f->Edit11); // the user types on where he typed

        // A title copied with its line end is the title: the phrase finds it.
        f->Edit11->clear();
        QApplication::clipboard()->setText(platform::toScreen(demo::ForestLawTitle) + QStringLiteral("\r\n"));
        QTest::keySequence(f->Edit11, QKeySequence::Paste);
        QCOMPARE(platform::fromScreen(f->Edit11->text()), yuscii::yupperW(demo::ForestLawTitle));
        QTest::keyClick(f->Edit11, Qt::Key_Return);
        QCOMPARE(rowsOf(f->ListBox3), QByteArrayList{QByteArray(demo::ForestLawTitle) + "|46/1991"});

        // No match: an empty list and no message.
        const int asked = int(program.prompter.asked().size());
        platform::setFieldText(f->Edit11, "NEMA TAKVOG NASLOVA");
        QTest::mouseClick(f->SpeedButton17, Qt::LeftButton);
        QCOMPARE(f->ListBox3->topLevelItemCount(), 0);
        QCOMPARE(program.prompter.asked().size(), asked);

        // The empty phrase brings back every entry, each with the plain image.
        f->Edit11->clear();
        QTest::mouseClick(f->SpeedButton17, Qt::LeftButton);
        QCOMPARE(rowsOf(f->ListBox3), all);
        for (int i = 0; i < f->ListBox3->topLevelItemCount(); ++i) {
            QCOMPARE(imageOf(f->ListBox3->topLevelItem(i)), image(images::Document));
        }
        QVERIFY(!f->isBusy());
    }));
}

void TestAreas::openingAListedRegulation()
{
    ProgramFixture program(60);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows viewer;
        f->PageControl1->setCurrentIndex(1);
        selectNode(f, f->TreeView1->topLevelItem(0));
        f->Glavna.setFilter("ID_BROJA='3'");

        // The apostrophe title, by double click: filtered by title and number/year.
        const QByteArrayList rows = rowsOf(f->ListBox3);
        const int apostrophe = int(rows.indexOf(QByteArray(demo::ApostropheLawTitle) + "|3/2006"));
        QVERIFY(apostrophe >= 0);
        QTreeWidgetItem* item = f->ListBox3->topLevelItem(apostrophe);
        f->ListBox3->setCurrentItem(item);
        const QRect rect = f->ListBox3->visualItemRect(item);
        // A double click is a press and then the double click.
        QTest::mouseClick(f->ListBox3->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(f->ListBox3->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(viewer.lines(), QByteArrayList{QByteArray(demo::ApostropheLawTitle) + "|2|3/2006"});
        // The tables are as the other tabs expect them, and the publications keep their filter.
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->Zakoni.indexFieldNames(), QByteArray("ID_ZAKONA"));
        QCOMPARE(f->Glavna.filter(), QByteArray("ID_BROJA='3'"));

        // Enter does what the double click does.
        f->ListBox3->setCurrentItem(f->ListBox3->topLevelItem(0));
        QTest::keyClick(f->ListBox3, Qt::Key_Return);
        QCOMPARE(viewer.lines().size(), 2);
        QCOMPARE(viewer.lines().last(), QByteArray(demo::FirstLawTitle) + "|1|12/2005");
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestAreas::aListingThatFailsLeavesTheRegulationsUnfiltered()
{
    ProgramFixture program(40);
    // A damaged version table: a later version that is no number cannot be read as one, so the
    // listing fails at the first regulation that has a version record.
    const QString versions = platform::findFileNoCase(program.path("Podatci"), "TB_Arhiva.db");
    QVERIFY(!versions.isEmpty());
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(versions).constData(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db, "UPDATE records SET NASLEDJUJE_GA = 'x'", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);

    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(1);
        // The first activation stumbles over the same record; only the listing is looked at.
        program.prompter.clear();
        selectNode(f, f->TreeView1->topLevelItem(0)->child(0));
        QCOMPARE(program.prompter.asked().size(), 1);
        QCOMPARE(program.prompter.asked().first().kind, Prompt::Error);
        QCOMPARE(f->Zakoni.filter(), QByteArray());
        QCOMPARE(f->ProgressBar1->value(), 0);
        QVERIFY(!f->isBusy());
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestAreas)
#include "tst_areas.moc"
