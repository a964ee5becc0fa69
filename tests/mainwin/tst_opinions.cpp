// The opinions tab on a whole program: the ministry choice, the word search over titles and
// texts, the date search and its controls, the rows with their dates, and opening an opinion.

#include "programfixture.h"
#include "recordingwindows.h"

#include "filter.h"
#include "opiniondates.h"
#include "plaintext.h"
#include "screentext.h"
#include "searchwords.h"
#include "sessionsetup.h"
#include "table.h"
#include "yuscii.h"

#include <algorithm>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolTip>
#include <QTreeWidget>

using testsupport::Prompt;

namespace {

const QByteArray kShortQuery = "Vas tekst za pretragu je prekratak. Na ovaj nacin program ce vam izlistati gotovo "
                               "celu bazu!\n\rNastaviti pretragu?";

struct Opinion {
    QByteArray number;
    int ministry = 0;
    QByteArray title;
    QByteArray date;
    opiniondates::DateParts parts;
    QByteArray upperText;
};

// Every opinion, read straight from its table file.
QList<Opinion> allOpinions()
{
    engine::Table t;
    t.setDatabaseName(data::DatabaseAlias);
    t.setTableName("TB_Misljenja.db");
    t.open();
    QList<Opinion> out;
    for (t.first(); !t.eof(); t.next()) {
        out.append({t.field(0).asString(),
                    int(t.field(1).asInteger()),
                    t.field(2).asString(),
                    opiniondates::opinionDate(t),
                    {int(t.field(5).asInteger()), int(t.field(6).asInteger()), int(t.field(7).asInteger())},
                    yuscii::yupperW(richtext::plainText(t.fieldByName("Latinica").asBytes()))});
    }
    return out;
}

// The rows of the list as "title|date".
QByteArrayList rows(const TForm1* f)
{
    QByteArrayList out;
    for (int i = 0; i < f->Listbox6->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = f->Listbox6->topLevelItem(i);
        out << platform::fromScreen(item->text(0)) + '|' + platform::fromScreen(item->text(1));
    }
    std::sort(out.begin(), out.end());
    return out;
}

QByteArrayList rowsOf(const QList<Opinion>& opinions, const std::function<bool(const Opinion&)>& keep)
{
    QByteArrayList out;
    for (const Opinion& o : opinions) {
        if (keep(o)) {
            out << o.title + '|' + o.date;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

void chooseMinistry(TForm1* f, int index)
{
    f->ComboBox1->setCurrentIndex(index);
    emit f->ComboBox1->activated(index);
}

void search(TForm1* f, const QByteArray& query, bool texts)
{
    platform::setFieldText(f->Edit8, query);
    (texts ? f->RadioButton3 : f->RadioButton4)->setChecked(true);
    f->SpeedButton14->click();
}

void setRange(TForm1* f, const opiniondates::DateParts& from, const opiniondates::DateParts& to)
{
    // As a user would: the to-date first when moving later, so that no step crosses.
    for (auto [spin, value] : {std::pair{f->SpinEdit16, to.year},
                               {f->SpinEdit15, to.month},
                               {f->SpinEdit14, to.day},
                               {f->SpinEdit13, from.year},
                               {f->SpinEdit6, from.month},
                               {f->SpinEdit5, from.day},
                               {f->SpinEdit16, to.year},
                               {f->SpinEdit15, to.month},
                               {f->SpinEdit14, to.day}}) {
        spin->setValue(value);
    }
}

void selectRow(TForm1* f, const QByteArray& title, const QByteArray& date)
{
    for (int i = 0; i < f->Listbox6->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = f->Listbox6->topLevelItem(i);
        if (platform::fromScreen(item->text(0)) == title && platform::fromScreen(item->text(1)) == date) {
            f->Listbox6->setCurrentItem(item);
            return;
        }
    }
    QFAIL("row not listed");
}

} // namespace

class TestOpinions : public QObject {
    Q_OBJECT
private slots:
    void startStateAndDateControls();
    void dateSearch();
    void wordSearch();
    void shortQueryQuestion();
    void ministryChoice();
    void openingAnOpinion();
    void invalidStoredDate();
    void enterKeepsTheFocusInTheField();
    void readableAt1024();
};

void TestOpinions::startStateAndDateControls()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(f->ComboBox1->count(), 11);
        QCOMPARE(f->ComboBox1->itemText(0), QStringLiteral("Sve"));
        QCOMPARE(f->ComboBox1->currentIndex(), 0);
        QVERIFY(f->RadioButton4->isChecked());
        QCOMPARE(f->Listbox6->topLevelItemCount(), 0);
        QCOMPARE(platform::fromScreen(f->Listbox6->headerItem()->text(1)), QByteArray("Datum objavljivanja"));

        const int latest = std::max(2020, QDate::currentDate().year());
        QCOMPARE((QList<int>{f->SpinEdit5->value(), f->SpinEdit6->value(), f->SpinEdit13->value()}),
                 (QList<int>{1, 1, 1950}));
        QCOMPARE((QList<int>{f->SpinEdit14->value(), f->SpinEdit15->value(), f->SpinEdit16->value()}),
                 (QList<int>{31, 12, latest}));
        QCOMPARE(f->SpinEdit13->maximum(), latest);
        QCOMPARE(f->SpinEdit16->maximum(), latest);
        QCOMPARE(f->SpinEdit6->minimum(), 0);

        const QList<QWidget*> dateControls = {f->SpinEdit5,  f->SpinEdit6,  f->SpinEdit13, f->SpinEdit14,
                                              f->SpinEdit15, f->SpinEdit16, f->Label59,    f->SpeedButton13};
        QVERIFY(f->SviDatumi->isChecked());
        for (QWidget* w : dateControls) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        }
        f->PageControl1->setCurrentIndex(4);
        QTest::mouseClick(f->SviDatumi, Qt::LeftButton, {}, QPoint(5, f->SviDatumi->height() / 2));
        QVERIFY(!f->SviDatumi->isChecked());
        for (QWidget* w : dateControls) {
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        }

        // The values change by the arrows only; typed digits do nothing.
        f->SpinEdit13->setFocus();
        QTest::keyClicks(f->SpinEdit13, "2");
        QCOMPARE(f->SpinEdit13->value(), 1950);
        QTest::keyClick(f->SpinEdit13, Qt::Key_Up);
        QCOMPARE(f->SpinEdit13->value(), 1951);

        // The from-year moved above the to-year is pulled back; a to-month below the from-month
        // is fine in a later year and pulled up within the same year.
        f->SpinEdit16->setValue(2001);
        f->SpinEdit13->setValue(2005);
        QCOMPARE(f->SpinEdit13->value(), 2001);
        f->SpinEdit13->setValue(2000);
        f->SpinEdit6->setValue(6);
        f->SpinEdit15->setValue(3);
        QCOMPARE(f->SpinEdit15->value(), 3);
        f->SpinEdit13->setValue(2001);
        QCOMPARE(f->SpinEdit13->value(), 2001);
        QCOMPARE(f->SpinEdit6->value(), 3);

        f->SviDatumi->click();
        QVERIFY(f->SviDatumi->isChecked());
        for (QWidget* w : dateControls) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        }
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::dateSearch()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = allOpinions();
        f->SviDatumi->setChecked(false);

        // At start the range runs from 1 January 1950 to the end of the latest year.
        f->SpeedButton13->click();
        const QDate today = QDate::currentDate();
        QCOMPARE(f->misljenja.filter(),
                 opiniondates::rangeFilter(opiniondates::defaultFrom(), opiniondates::defaultTo(today)));
        QCOMPARE(f->Listbox6->topLevelItemCount(), opinions.size());
        QVERIFY(!f->isBusy());

        // Across a year boundary: compared as dates, not part by part.
        const opiniondates::DateParts from{15, 3, 2000};
        const opiniondates::DateParts to{10, 5, 2001};
        setRange(f, from, to);
        QCOMPARE((QList<int>{f->SpinEdit5->value(), f->SpinEdit6->value(), f->SpinEdit13->value(),
                             f->SpinEdit14->value(), f->SpinEdit15->value(), f->SpinEdit16->value()}),
                 (QList<int>{15, 3, 2000, 10, 5, 2001}));
        f->SpeedButton13->click();
        const QByteArrayList listed = rows(f);
        QVERIFY(listed.contains(opinions[demo::landmark::OpinionNewYear].title + "|01/01/2001"));
        QCOMPARE(listed, rowsOf(opinions, [&](const Opinion& o) {
                     return opiniondates::compare(from, o.parts) <= 0 && opiniondates::compare(o.parts, to) <= 0;
                 }));

        // Within the ministry chosen and searched last.
        chooseMinistry(f, 8);
        search(f, {}, false);
        f->SpeedButton13->click();
        QCOMPARE(rows(f), rowsOf(opinions, [&](const Opinion& o) {
                     return o.ministry == 8 && opiniondates::compare(from, o.parts) <= 0 &&
                            opiniondates::compare(o.parts, to) <= 0;
                 }));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::wordSearch()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(4);
        const QList<Opinion> opinions = allOpinions();
        const Opinion& first = opinions[0];

        // Words in any order, parts of words, either case; only titles holding every word.
        const QByteArray titleWords = yuscii::yupperW(first.title.mid(12));
        const QByteArray lastWord = searchwords::ExtractWord(searchwords::WordCount(titleWords), titleWords);
        const QByteArray query = lastWord.left(lastWord.size() - 1) + "  " + yuscii::ylowerW("MI[LJENJE");
        search(f, query, false);
        QCOMPARE(rows(f), rowsOf(opinions, [&](const Opinion& o) {
                     const QByteArray t = yuscii::yupperW(o.title);
                     return t.contains(lastWord.left(lastWord.size() - 1)) && t.contains("MI[LJENJE");
                 }));
        QVERIFY(rows(f).contains(first.title + "|05/03/2004"));
        QCOMPARE(f->ProgressBar1->value(), 0);

        // An empty query lists every opinion; Enter in the field runs the search.
        platform::setFieldText(f->Edit8, {});
        f->Listbox6->clear();
        QTest::keyClick(f->Edit8, Qt::Key_Return);
        QCOMPARE(f->Listbox6->topLevelItemCount(), opinions.size());

        // A word of one opinion's text only, typed with a capital YUSCII letter: the text search
        // compares both sides upper-cased, so its small form in the text is found.
        QByteArray textWord;
        for (const Opinion& o : opinions) {
            for (int i = 1, n = searchwords::WordCount(o.upperText); i <= n && textWord.isEmpty(); ++i) {
                const QByteArray w = searchwords::ExtractWord(i, o.upperText);
                if (w.size() > 5 && w.contains('[') && !yuscii::yupperW(o.title).contains(w)) {
                    textWord = w;
                }
            }
        }
        QVERIFY(!textWord.isEmpty());
        search(f, textWord, true);
        const QByteArrayList inTexts = rowsOf(opinions, [&](const Opinion& o) {
            return yuscii::yupperW(o.title).contains(textWord) || o.upperText.contains(textWord);
        });
        QVERIFY(!inTexts.isEmpty());
        QCOMPARE(rows(f), inTexts);
        search(f, textWord, false);
        QVERIFY(rows(f).size() < inTexts.size());
        QVERIFY(!f->isBusy());
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::shortQueryQuestion()
{
    ProgramFixture program;
    program.start();
    program.prompter.answer(platform::Answer::Cancel);
    program.prompter.answer(platform::Answer::Ok);
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QByteArray topic = allOpinions()[0].title.mid(12);
        search(f, topic, false);
        const QByteArrayList before = rows(f);
        QVERIFY(!before.isEmpty());
        f->misljenja.setFilter("GODINA= '2004'");

        search(f, "MI", false);
        QCOMPARE(program.prompter.asked().size(), 1);
        QCOMPARE(program.prompter.asked()[0].kind, Prompt::Confirm);
        QCOMPARE(program.prompter.asked()[0].text, kShortQuery);
        QCOMPARE(rows(f), before);
        QCOMPARE(f->misljenja.filter(), QByteArray());
        QVERIFY(!f->isBusy());

        search(f, "O ", false);
        QCOMPARE(program.prompter.asked().size(), 2);
        QVERIFY(rows(f).size() > before.size());
        search(f, topic, false);
        QCOMPARE(program.prompter.asked().size(), 2);
        QCOMPARE(rows(f), before);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::ministryChoice()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = allOpinions();
        search(f, "MI[LJENJE", false);
        const QByteArrayList all = rows(f);
        QCOMPARE(all.size(), opinions.size());

        // The choice clears the query and leaves the list; the next search keeps to the ministry.
        platform::setFieldText(f->Edit8, "MI[LJENJE");
        chooseMinistry(f, 3);
        QCOMPARE(f->Edit8->text(), QString());
        QCOMPARE(rows(f), all);
        search(f, "MI[LJENJE", false);
        QCOMPARE(rows(f), rowsOf(opinions, [](const Opinion& o) { return o.ministry == 3; }));
        QVERIFY(!rows(f).isEmpty());

        chooseMinistry(f, 0);
        search(f, {}, false);
        QCOMPARE(rows(f), all);
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::openingAnOpinion()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows viewer;
        const QList<Opinion> opinions = allOpinions();
        const Opinion& first = opinions[demo::landmark::OpinionTwoRegulations];
        f->PageControl1->setCurrentIndex(4);

        // Nothing chosen: nothing opens.
        search(f, "MI[LJENJE", false);
        f->Listbox6->clearSelection();
        f->Listbox6->setCurrentItem(nullptr);
        emit f->Listbox6->itemDoubleClicked(f->Listbox6->topLevelItem(0), 0);
        QVERIFY(viewer.opinions.isEmpty());

        // After a date search, the date filter gives way to the opinion's own and is gone after.
        f->SviDatumi->setChecked(false);
        setRange(f, {1, 1, 2004}, {31, 12, 2004});
        f->SpeedButton13->click();
        QVERIFY(!f->misljenja.filter().isEmpty());
        selectRow(f, first.title, "05/03/2004");
        const QPoint at = f->Listbox6->visualItemRect(f->Listbox6->currentItem()).center();
        QTest::mouseClick(f->Listbox6->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f->Listbox6->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(viewer.opinions.size(), 1);
        QCOMPARE(viewer.opinions[0].title, first.title);
        QCOMPARE(viewer.opinions.last().number, first.number);
        QVERIFY(viewer.opinions.last().filter.startsWith("NAZIV_MISLJENJA= " + engine::quoted(first.title)));
        QVERIFY(viewer.opinions.last().filter.endsWith(" AND DAN='05' AND MESEC='03' AND GODINA='2004'"));
        QCOMPARE(f->misljenja.filter(), QByteArray());

        // Enter opens as the double click does, also a row of a ministry chosen away from since.
        chooseMinistry(f, 1 + (3 * 7) % 10);
        search(f, {}, false);
        const Opinion& third = opinions[3];
        selectRow(f, third.title, third.date);
        chooseMinistry(f, 1);
        f->Listbox6->setFocus();
        QTest::keyClick(f->Listbox6, Qt::Key_Return);
        QCOMPARE(viewer.opinions.size(), 2);
        QCOMPARE(viewer.opinions.last().number, third.number);
        QCOMPARE(viewer.opinions.last().currentTitle, third.title);
        QCOMPARE(f->misljenja.masterFields(), QByteArray("MINISTARSTVO"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestOpinions::invalidStoredDate()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        testsupport::RecordingWindows viewer;
        {
            engine::Table t;
            t.setDatabaseName(data::DatabaseAlias);
            t.setTableName("TB_Misljenja.db");
            t.setFilter("BROJ_MISLJENJA= '4'");
            t.setFiltered(true);
            t.open();
            t.edit();
            t.field(5).setAsFloat(31);
            t.field(6).setAsFloat(2);
            t.field(7).setAsFloat(2003);
            t.post();
        }
        const QList<Opinion> opinions = allOpinions();
        QCOMPARE(opinions[4].date, QByteArray("31/02/2003"));

        // The search goes on past it and the busy state is left.
        search(f, {}, false);
        QCOMPARE(f->Listbox6->topLevelItemCount(), opinions.size());
        QVERIFY(rows(f).contains(opinions[4].title + "|31/02/2003"));
        QVERIFY(!f->isBusy());
        f->SviDatumi->setChecked(false);
        setRange(f, {1, 2, 2003}, {31, 3, 2003});
        f->SpeedButton13->click();
        QVERIFY(rows(f).contains(opinions[4].title + "|31/02/2003"));
        QVERIFY(!f->isBusy());

        // And it opens by its row.
        selectRow(f, opinions[4].title, "31/02/2003");
        QTest::keyClick(f->Listbox6, Qt::Key_Enter);
        QCOMPARE(viewer.opinions.last().number, QByteArray("4"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

// A search started with Enter leaves the focus in the query field, where the user types on.
void TestOpinions::enterKeepsTheFocusInTheField()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QList<Opinion> opinions = allOpinions();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->PageControl1->setCurrentIndex(4);
        f->Edit8->setFocus();
        QTest::keyClicks(f->Edit8, "mi[ljenje");
        QTest::keyClick(f->Edit8, Qt::Key_Return);
        QCOMPARE(f->Listbox6->topLevelItemCount(), opinions.size());
        QCOMPARE(QApplication::focusWidget(), f->Edit8);
        QTest::keyClicks(QApplication::focusWidget(), " o");
        QCOMPARE(platform::fromScreen(f->Edit8->text()), QByteArray("MI[LJENJE O"));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

// At 1024 pixels the list of every opinion, with its scroll bar, shows its dates and their
// caption whole; the longest ministries' names do not fit their drop-down list, whose tool tip
// shows the chosen one whole (a short one leaves the group's hint).
void TestOpinions::readableAt1024()
{
    ProgramFixture program(400); // opinions enough to need a scroll bar
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->setWindowState(Qt::WindowNoState);
        f->resize(1024, 768);
        QTRY_COMPARE(f->width(), 1024);
        f->PageControl1->setCurrentIndex(4);
        QApplication::processEvents();
        search(f, {}, false);
        QApplication::processEvents();
        QTreeWidget* list = f->Listbox6;
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        QApplication::processEvents();
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        QCOMPARE(list->header()->length(), list->viewport()->width());
        QVERIFY(list->header()->sectionSizeHint(1) <= list->columnWidth(1));
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QVERIFY(list->sizeHintForIndex(list->model()->index(row, 1)).width() <= list->columnWidth(1));
        }
        QVERIFY(list->columnWidth(0) >= 400);

        QComboBox* box = f->ComboBox1;
        int longest = 0;
        for (int i = 1; i < box->count(); ++i) {
            if (box->itemText(i).size() > box->itemText(longest).size()) {
                longest = i;
            }
        }
        const auto tip = [&] {
            QHelpEvent help(QEvent::ToolTip, box->rect().center(), box->mapToGlobal(box->rect().center()));
            QCoreApplication::sendEvent(box, &help);
            return QToolTip::text();
        };
        chooseMinistry(f, longest);
        QVERIFY(box->fontMetrics().horizontalAdvance(box->currentText()) > box->width());
        QTRY_COMPARE(tip(), box->itemText(longest));
        QToolTip::hideText();
        chooseMinistry(f, 0);
        QTRY_COMPARE(tip(), platform::toScreen("Izbor mi{ljenja po ministarstvima"));
        QToolTip::hideText();
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestOpinions)
#include "tst_opinions.moc"
