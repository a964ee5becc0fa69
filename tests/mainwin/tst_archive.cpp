// The archive tab on a generated collection: the list of regulations with versions, the archive
// search, the version listing of a chain A to E, a link made one way only, and opening a version
// whose title holds an apostrophe.

#include "listtexts.h"
#include "programfixture.h"
#include "recordingwindows.h"

#include "demo.h"
#include "images.h"
#include "screentext.h"
#include "session.h"
#include "sessionsetup.h"
#include "table.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using testsupport::rowsOf;

namespace {

const int* const Chain = demo::landmark::ChainOfFive; // A, B, C, D, E
const QByteArray ChainTitle = "Zakon o porezu na dohodak gra|ana";
// Made by the test from regulations outside every version chain of the collection: 26 names 25 as
// its earlier version, but 25 does not point back.
constexpr int OneWayEarlier = 25;
constexpr int OneWayLater = 26;
// Made by the test: a regulation in two versions whose title holds an apostrophe.
constexpr int QuotedFirst = 27;
constexpr int QuotedSecond = 28;
const QByteArray QuotedTitle = "Uputstvo o obrascu O'P";

engine::Table* openFile(const QString& folder, const char* file)
{
    auto* t = new engine::Table;
    t->setTableName(QDir(folder).filePath(QLatin1String(file)));
    t->open();
    t->setFiltered(true);
    return t;
}

void setRow(const QString& folder, const char* file, const QByteArray& filter, int field, const engine::Value& value)
{
    std::unique_ptr<engine::Table> t(openFile(folder, file));
    t->setFilter(filter);
    QVERIFY(!t->isEmpty());
    t->edit();
    t->field(field).setValue(value);
    t->post();
}

void prepareCollection(ProgramFixture& program)
{
    const QString folder = program.path("Podatci");
    engine::session().addPassword(data::TablePassword);
    setRow(folder, "TB_Arhiva.db", "BROJ_ZAKONA=" + QByteArray::number(OneWayLater), 1, qint64(OneWayEarlier));
    for (int key : {QuotedFirst, QuotedSecond}) {
        setRow(folder, "TB_Zakoni.db", "ID_ZAKONA=" + QByteArray::number(key), 5, QuotedTitle);
    }
    setRow(folder, "TB_Arhiva.db", "BROJ_ZAKONA=" + QByteArray::number(QuotedFirst), 2, qint64(QuotedSecond));
    setRow(folder, "TB_Arhiva.db", "BROJ_ZAKONA=" + QByteArray::number(QuotedSecond), 1, qint64(QuotedFirst));
}

// A regulation's row as the lists show it: "title|number/year".
QByteArray rowText(int key)
{
    std::unique_ptr<engine::Table> zakoni(new engine::Table);
    zakoni->setDatabaseName("ZAKONI");
    zakoni->setTableName("TB_Zakoni.db");
    zakoni->open();
    zakoni->setFiltered(true);
    zakoni->setFilter("ID_ZAKONA=" + QByteArray::number(key));
    return zakoni->field(5).asString() + '|' + zakoni->field(10).asString();
}

QByteArray archiveRow(int key)
{
    std::unique_ptr<engine::Table> arhiva(new engine::Table);
    arhiva->setDatabaseName("ZAKONI");
    arhiva->setTableName("TB_Arhiva.db");
    arhiva->open();
    arhiva->setFiltered(true);
    arhiva->setFilter("BROJ_ZAKONA=" + QByteArray::number(key));
    return arhiva->field(1).asString() + ',' + arhiva->field(2).asString();
}

// The images of a list's rows: 3 archived, 0 current.
QList<int> imagesOf(const QTreeWidget* list)
{
    QList<int> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const qint64 key = list->topLevelItem(i)->icon(0).cacheKey();
        out << (key == images::ImageList1(images::Archived).cacheKey()   ? 3
                : key == images::ImageList1(images::Document).cacheKey() ? 0
                                                                         : -1);
    }
    return out;
}

void choose(QTreeWidget* list, const QByteArray& row)
{
    const int index = int(rowsOf(list).indexOf(row));
    QVERIFY2(index >= 0, row.constData());
    list->setCurrentItem(list->topLevelItem(index));
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT
private slots:
    void versionListings();
    void archiveSearch();
    void openingVersions();
    void linksMadeTwoWay();
};

void TestArchive::versionListings()
{
    ProgramFixture program(60);
    prepareCollection(program);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(5);
        QByteArrayList chain;
        for (int k = 0; k < 5; ++k) {
            chain << rowText(Chain[k]);
        }

        // The start list: versions with a later one show image 3, the last of a chain image 0;
        // the earlier end of a one-way link has no versions of its own.
        const QByteArrayList start = rowsOf(f->ListBox7);
        const QList<int> startImages = imagesOf(f->ListBox7);
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(startImages[start.indexOf(chain[k])], k < 4 ? 3 : 0);
        }
        QCOMPARE(startImages[start.indexOf(rowText(OneWayLater))], 0);
        QVERIFY(!start.contains(rowText(OneWayEarlier)));
        QCOMPARE(rowsOf(f->arhivacuvaj), start);

        // From the middle of the chain: every version; from its head: the head and two more.
        choose(f->ListBox7, chain[2]);
        QCOMPARE(rowsOf(f->Listbox9), chain);
        QCOMPARE(imagesOf(f->Listbox9), (QList<int>{3, 3, 3, 3, 0}));
        choose(f->ListBox7, chain[0]);
        QCOMPARE(rowsOf(f->Listbox9), chain.mid(0, 3));
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->arhiva.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->arhiva.filter(), QByteArray());
        QCOMPARE(f->Glavna.filter(), QByteArray());

        // The one-way link: only the version it names is listed, not the chosen one itself.
        choose(f->ListBox7, rowText(OneWayLater));
        QCOMPARE(rowsOf(f->Listbox9), QByteArrayList{rowText(OneWayEarlier)});

        // A row whose title and number/year find no regulation lists nothing, not every
        // regulation without versions.
        auto* stray = new QTreeWidgetItem(f->ListBox7, {platform::toScreen("Nepostoje}i propis"), "1/2000"});
        f->ListBox7->setCurrentItem(stray);
        QCOMPARE(f->Listbox9->topLevelItemCount(), 0);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->arhiva.masterFields(), QByteArray("ID_BROJA"));

        // The lookups no control uses.
        QVERIFY(f->jelarhivski(ChainTitle)); // the first of the title is A, which has a later version
        QVERIFY(!f->jelarhivski(demo::FirstLawTitle));
        QCOMPARE(f->imastari(Chain[2]), Chain[1]);
        QCOMPARE(f->imanovi(Chain[2]), Chain[3]);
        QCOMPARE(f->imastari(Chain[0]), -1);
        QCOMPARE(f->imanovi(Chain[4]), -1);
        QCOMPARE(f->imanovi(9999), -1);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestArchive::archiveSearch()
{
    ProgramFixture program(60);
    prepareCollection(program);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(5);
        const QByteArrayList all = rowsOf(f->arhivacuvaj);

        // A piece from the middle of the title, typed in small letters, YUSCII letter included:
        // "]" types đ, which the field shows upper-cased.
        QTest::keyClicks(f->Edit7, "dohodak gra]ana");
        QCOMPARE(platform::fromScreen(f->Edit7->text()), QByteArray("DOHODAK GRA\\ANA"));
        QTest::keyClick(f->Edit7, Qt::Key_Return);
        QByteArrayList expected;
        for (const QByteArray& row : all) {
            if (row.startsWith(ChainTitle + '|')) {
                expected << row;
            }
        }
        QCOMPARE(rowsOf(f->ListBox7), expected);
        // The first row found is chosen and its versions listed.
        QCOMPARE(f->ListBox7->currentItem(), f->ListBox7->topLevelItem(0));
        QVERIFY(f->ListBox7->topLevelItem(0)->isSelected());
        QVERIFY(f->Listbox9->topLevelItemCount() >= 3);
        QVERIFY(!f->isBusy());

        // A piece that no title holds: both lists empty, and nothing is said.
        platform::setFieldText(f->Edit7, "NEMA TAKVOG");
        QTest::mouseClick(f->SpeedButton22, Qt::LeftButton);
        QCOMPARE(f->ListBox7->topLevelItemCount(), 0);
        QCOMPARE(f->Listbox9->topLevelItemCount(), 0);

        // A recount (the areas listing runs one) keeps the full list, whatever the search left.
        f->proveripropise();
        QCOMPARE(rowsOf(f->arhivacuvaj), all);

        // The empty piece: the whole list again, and the versions of its first row.
        f->Edit7->clear();
        QTest::mouseClick(f->SpeedButton22, Qt::LeftButton);
        QCOMPARE(rowsOf(f->ListBox7), all);
        QVERIFY(f->Listbox9->topLevelItemCount() > 0);
        QCOMPARE(rowsOf(f->arhivacuvaj), all);
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestArchive::openingVersions()
{
    ProgramFixture program(60);
    prepareCollection(program);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows viewer;
        f->PageControl1->setCurrentIndex(5);
        choose(f->ListBox7, rowText(QuotedFirst));
        QCOMPARE(rowsOf(f->Listbox9), (QByteArrayList{rowText(QuotedFirst), rowText(QuotedSecond)}));

        // The later version from the lower list: the apostrophe is quoted, the number/year tells
        // the two versions apart.
        QTreeWidgetItem* second = f->Listbox9->topLevelItem(1);
        const QPoint at = f->Listbox9->visualItemRect(second).center();
        QTest::mouseClick(f->Listbox9->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f->Listbox9->viewport(), Qt::LeftButton, {}, at);
        const QByteArray secondNumberYear = rowText(QuotedSecond).mid(QuotedTitle.size() + 1);
        QCOMPARE(viewer.lines(),
                 QByteArrayList{QuotedTitle + "|" + QByteArray::number(QuotedSecond) + "|" + secondNumberYear});
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->Zakoni.indexFieldNames(), QByteArray("ID_ZAKONA"));

        // Enter in the upper list opens its chosen row.
        QTest::keyClick(f->ListBox7, Qt::Key_Return);
        QCOMPARE(viewer.lines().size(), 2);
        QVERIFY(viewer.lines().last().startsWith(QuotedTitle + "|" + QByteArray::number(QuotedFirst) + "|"));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestArchive::linksMadeTwoWay()
{
    ProgramFixture program(60);
    prepareCollection(program);
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(archiveRow(OneWayEarlier), QByteArray("0,0"));
        f->SrediArhivu();
        QCOMPARE(archiveRow(OneWayEarlier), "0," + QByteArray::number(OneWayLater));
        QCOMPARE(archiveRow(OneWayLater), QByteArray::number(OneWayEarlier) + ",0");
        QCOMPARE(archiveRow(Chain[2]), QByteArray::number(Chain[1]) + ',' + QByteArray::number(Chain[3]));
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        // One link written by hand: which 0 is the earlier version, 1 the later.
        f->Arhiviraj(OneWayEarlier, 0, 7);
        QCOMPARE(archiveRow(OneWayEarlier), "7," + QByteArray::number(OneWayLater));
        f->Arhiviraj(OneWayEarlier, 1, 0);
        QCOMPARE(archiveRow(OneWayEarlier), QByteArray("7,0"));
        QCOMPARE(f->Glavna.filter(), QByteArray());
    }));
}

QTEST_MAIN(TestArchive)
#include "tst_archive.moc"
