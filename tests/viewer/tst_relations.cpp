// The relations window on a whole program: the related opinions of a regulation and the related
// regulations of an opinion, opened over the viewer, and "&Na|i dokument" carrying the chosen
// title into the main window's search.

#include "listtexts.h"
#include "programfixture.h"

#include "opiniondates.h"
#include "screentext.h"
#include "sessionsetup.h"
#include "table.h"
#include "yuscii.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>

using testsupport::rowsOf;

namespace {

const QByteArray kNothingRelated = "Nema relacionih dokumenta vezanih za ovo misljenje ili propis.";

struct Opinion {
    QByteArray title;
    QByteArray date;
};

// Opinions in key order, straight from the table file.
QList<Opinion> opinionsByNumber()
{
    engine::Table t;
    t.setDatabaseName(data::DatabaseAlias);
    t.setTableName("TB_Misljenja.db");
    t.open();
    QList<Opinion> out;
    for (t.first(); !t.eof(); t.next()) {
        out.append({t.field(2).asString(), opiniondates::opinionDate(t)});
    }
    return out;
}

QByteArrayList headers(const QTreeWidget* list)
{
    return {platform::fromScreen(list->headerItem()->text(0)), platform::fromScreen(list->headerItem()->text(1))};
}

// Opens a document with `open` and, while the viewer shows it, runs `inViewer`; the viewer is
// closed afterwards unless `inViewer` closed it. False when it never ran, or a check inside failed.
bool whileViewerShows(const std::function<void()>& open, const std::function<void()>& inViewer)
{
    bool ran = false;
    QTimer timer; // gone with this function, so it never fires into a later step
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        inViewer();
        ran = true;
        if (Form3->isVisible()) {
            Form3->close();
        }
    });
    timer.start(0);
    open();
    return ran && !QTest::currentTestFailed();
}

// The viewer's relations command; `inWindow` runs while the relations window is shown, which is
// then closed unless `inWindow` closed it. False when no window was shown, or a check inside
// failed.
bool showRelations(const std::function<void()>& inWindow = {})
{
    bool shown = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        shown = relacije->isVisible();
        if (shown && inWindow) {
            inWindow();
        }
        if (relacije->isVisible()) {
            relacije->reject();
        }
    });
    timer.start(0);
    relacije->showForViewerDocument();
    return shown && !QTest::currentTestFailed();
}

void openRegulation(TForm1* f, const char* title)
{
    TForm1::RegulationToOpen what;
    what.title = title;
    f->openRegulation(what);
}

void selectRow(QTreeWidget* list, int row)
{
    list->setCurrentItem(list->topLevelItem(row));
}

} // namespace

class TestRelations : public QObject {
    Q_OBJECT
private slots:
    void regulationAndOpinionRelations();
    void nothingRelated();
    void findOpinionOfARegulation();
    void findRegulationOfAnOpinion();
    void findWithoutAChosenRow();
    void longTitlesReadWhole();
    void ordinalUnchangedByTheOpinionsTab();
};

void TestRelations::regulationAndOpinionRelations()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = opinionsByNumber();
        QByteArrayList rows;
        QByteArrayList captions;
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::FirstLawTitle); },
                                 [&] {
                                     QVERIFY(showRelations([&] {
                                         rows = rowsOf(relacije->ListView1);
                                         captions = headers(relacije->ListView1);
                                     }));
                                 }));
        QCOMPARE(captions, (QByteArrayList{"Naziv slu`benog mi{ljenja", "Datum"}));
        QCOMPARE(rows, (QByteArrayList{opinions[0].title + "|05/03/2004", opinions[1].title + '|' + opinions[1].date,
                                       opinions[2].title + '|' + opinions[2].date}));

        QVERIFY(whileViewerShows([&] { f->openOpinion(opinions[0].title, "05/03/2004"); },
                                 [&] {
                                     QVERIFY(showRelations([&] {
                                         rows = rowsOf(relacije->ListView1);
                                         captions = headers(relacije->ListView1);
                                     }));
                                 }));
        QCOMPARE(captions, (QByteArrayList{"Naziv propisa", "Broj/godina"}));
        QCOMPARE(rows, (QByteArrayList{QByteArray(demo::FirstLawTitle) + "|12/2005",
                                       QByteArray(demo::ApostropheLawTitle) + "|3/2006"}));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestRelations::nothingRelated()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::FirstLawTitle); }, [&] { QVERIFY(showRelations()); }));
        // The forest law is related to no opinion: a message and no window, and the rows of the
        // previous fill are gone.
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::ForestLawTitle); }, [&] { QVERIFY(!showRelations()); }));
        QCOMPARE(program.prompter.texts(), QByteArrayList{kNothingRelated});
        QCOMPARE(relacije->ListView1->topLevelItemCount(), 0);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestRelations::findOpinionOfARegulation()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = opinionsByNumber();
        bool viewerClosed = false;
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::FirstLawTitle); },
                                 [&] {
                                     showRelations([&] {
                                         selectRow(relacije->ListView1, 1);
                                         relacije->SpeedButton1->click();
                                         QVERIFY(!relacije->isVisible());
                                     });
                                     viewerClosed = !Form3->isVisible();
                                 }));
        QVERIFY(viewerClosed);
        // The field's own rule: an upper-case field holds the title in capitals.
        QCOMPARE(platform::fromScreen(f->Edit8->text()), yuscii::yupperW(opinions[1].title));
        QCOMPARE(f->PageControl1->currentIndex(), 4);
        QVERIFY(!f->isBusy());
        // The opinions search ran: its result is there.
        bool listed = false;
        for (int i = 0; i < f->Listbox6->topLevelItemCount(); ++i) {
            listed |= platform::fromScreen(f->Listbox6->topLevelItem(i)->text(0)) == opinions[1].title;
        }
        QVERIFY(listed);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestRelations::findRegulationOfAnOpinion()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = opinionsByNumber();
        const QByteArray upperTitle = yuscii::yupperW(demo::ApostropheLawTitle);
        // The search tab already shown and left on its titles-and-texts scope: the search runs
        // as its button runs it, with that scope.
        f->PageControl1->setCurrentIndex(2);
        QTest::mouseClick(f->RadioButton5, Qt::LeftButton);
        QSignalSpy searched(f->SpeedButton1, &QPushButton::clicked);
        bool viewerClosed = false;
        QVERIFY(whileViewerShows([&] { f->openOpinion(opinions[0].title, "05/03/2004"); },
                                 [&] {
                                     showRelations([&] {
                                         selectRow(relacije->ListView1, 1);
                                         emit relacije->ListView1->itemDoubleClicked(relacije->ListView1->currentItem(),
                                                                                     0);
                                         QVERIFY(!relacije->isVisible());
                                         QCOMPARE(searched.count(), 1);
                                     });
                                     viewerClosed = !Form3->isVisible();
                                 }));
        QVERIFY(viewerClosed);
        QCOMPARE(platform::fromScreen(f->Edit2->text()), upperTitle);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QVERIFY(f->RadioButton5->isChecked());
        QCOMPARE(testsupport::column(f->ListBox2, 0), QByteArrayList{demo::ApostropheLawTitle});
        // The recent search it leaves is in capitals, as every search typed into the field.
        QCOMPARE(testsupport::lines(f->ListBox4).last(),
                 "'PRAVILNIK O OBRASCU PORESKE PRIJAVE O''B' - po naslovima i tekstovima (nadjeno 1 propisa)");
        // The user goes on typing in the field: the title's apostrophe stays an apostrophe.
        QTest::keyClick(f->Edit2, Qt::Key_End);
        QTest::keyClicks(f->Edit2, " ");
        QCOMPARE(platform::fromScreen(f->Edit2->text()), upperTitle + ' ');

        // Come from the opinions tab, the user finds the search tab showing its titles scope, and
        // that is the scope searched.
        f->PageControl1->setCurrentIndex(4);
        QVERIFY(whileViewerShows([&] { f->openOpinion(opinions[0].title, "05/03/2004"); },
                                 [&] {
                                     showRelations([&] {
                                         selectRow(relacije->ListView1, 0);
                                         relacije->SpeedButton1->click();
                                     });
                                 }));
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QVERIFY(f->RadioButton6->isChecked());
        QCOMPARE(testsupport::lines(f->ListBox4).last(),
                 "'" + yuscii::yupperW(demo::FirstLawTitle) + "' - po naslovima (nadjeno 1 propisa)");
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestRelations::findWithoutAChosenRow()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        bool stillShown = false;
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::FirstLawTitle); },
                                 [&] {
                                     showRelations([&] {
                                         relacije->ListView1->clearSelection();
                                         relacije->ListView1DblClick();
                                         QVERIFY(program.prompter.asked().isEmpty());
                                         relacije->SpeedButton1->click();
                                         stillShown = relacije->isVisible() && Form3->isVisible();
                                     });
                                 }));
        QVERIFY(stillShown);
        QCOMPARE(program.prompter.texts(), QByteArrayList{"Morate izabrati dokument sa liste!"});
        QCOMPARE(f->PageControl1->currentIndex(), 0);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

// The window keeps its size and the titles are long: a title goes on over more lines of its row
// rather than being cut, and the second column holds its text whole.
void TestRelations::longTitlesReadWhole()
{
    ProgramFixture program(400); // enough relations for some to name the longest titles
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = opinionsByNumber();
        // The opinion related to the longest title.
        QMap<QByteArray, QByteArray> titles;
        engine::Table zakoni;
        zakoni.setDatabaseName(data::DatabaseAlias);
        zakoni.setTableName("TB_Zakoni.db");
        zakoni.open();
        for (zakoni.first(); !zakoni.eof(); zakoni.next()) {
            titles[zakoni.field(0).asString()] = zakoni.field(5).asString();
        }
        engine::Table link;
        link.setDatabaseName(data::DatabaseAlias);
        link.setTableName("TB_link.db");
        link.open();
        int opinion = 0;
        QByteArray longest;
        for (link.first(); !link.eof(); link.next()) {
            const QByteArray title = titles.value(link.field(1).asString());
            if (title.size() > longest.size()) {
                longest = title;
                opinion = int(link.field(0).asInteger());
            }
        }
        QTreeWidget* list = relacije->ListView1;
        int checked = 0;
        bool longerThanTheColumn = false;
        QVERIFY(whileViewerShows(
            [&] { f->openOpinion(opinions[opinion].title, opinions[opinion].date); },
            [&] {
                QVERIFY(showRelations([&] {
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                    QApplication::processEvents();
                    const QFontMetrics metrics(list->font());
                    QCOMPARE(list->header()->length(), list->viewport()->width());
                    for (int row = 0; row < list->topLevelItemCount(); ++row) {
                        const QModelIndex title = list->model()->index(row, 0);
                        // The text's room: the column less the icon and the
                        // margins on either side of each.
                        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
                        const int room = list->columnWidth(0) - list->iconSize().width() - 4 * margin;
                        const QRect needed =
                            metrics.boundingRect(QRect(0, 0, room, 10000), Qt::TextWordWrap, title.data().toString());
                        QVERIFY(list->visualRect(title).height() >= needed.height());
                        longerThanTheColumn |=
                            metrics.horizontalAdvance(title.data().toString()) > list->columnWidth(0);
                        const QModelIndex second = list->model()->index(row, 1);
                        QVERIFY(list->sizeHintForIndex(second).width() <= list->columnWidth(1));
                        ++checked;
                    }
                }));
            }));
        QVERIFY(checked > 0);
        QVERIFY(longerThanTheColumn);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

// A ministry chosen and searched on the opinions tab, with a date filter in force, changes
// neither which opinions a relation names nor what the tab has set.
void TestRelations::ordinalUnchangedByTheOpinionsTab()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = opinionsByNumber();
        f->ComboBox1->setCurrentIndex(8);
        emit f->ComboBox1->activated(8);
        f->SpeedButton14->click();
        f->misljenja.setFilter("GODINA>= '2010'");
        QByteArrayList rows;
        QVERIFY(whileViewerShows([&] { openRegulation(f, demo::FirstLawTitle); },
                                 [&] { showRelations([&] { rows = rowsOf(relacije->ListView1); }); }));
        QCOMPARE(rows, (QByteArrayList{opinions[0].title + "|05/03/2004", opinions[1].title + '|' + opinions[1].date,
                                       opinions[2].title + '|' + opinions[2].date}));
        QCOMPARE(f->misljenja.masterFields(), QByteArray("MINISTARSTVO"));
        QCOMPARE(f->misljenja.filter(), QByteArray("GODINA>= '2010'"));
        QCOMPARE(f->misljenja.indexName(), QByteArray("drugi"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestRelations)
#include "tst_relations.moc"
