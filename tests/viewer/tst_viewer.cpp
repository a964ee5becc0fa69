// The viewer on a generated collection: opening and restoring, find, the articles list, the script
// switch, copy, an opinion, the quick-open mark, the archive jump and the keys.

#include "listtexts.h"
#include "replacedfile.h"
#include "viewerdriver.h"

#include "appvalues.h"
#include "clipboard.h"
#include "findfield.h"
#include "noteswindow.h"
#include "richedit.h"
#include "screentext.h"
#include "yuscii.h"

#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

using platform::Answer;
using viewertest::numberYearOf;
using viewertest::titleOf;
using viewertest::whileModal;

namespace {

const QByteArray kNotFound = "Trazena rec nije pronadjena.\r\nZelite li da ponovite pretragu od pocetka teksta?";

// Opens regulation `id` by its title and number/year and runs `inside` while the viewer shows it.
bool withRegulation(int id, const std::function<void(TForm3*)>& inside)
{
    const QByteArray title = titleOf(id);
    const QByteArray numberYear = numberYearOf(id);
    return whileModal<TForm3>([&] { Form1->openRegulation({title, numberYear}); }, inside);
}

QByteArray selectedText(TForm3* v)
{
    return v->DBRichEdit1->yusciiText(v->DBRichEdit1->selectionStart(),
                                      v->DBRichEdit1->selectionStart() + v->DBRichEdit1->selectionLength());
}

// Every position of `term` in the viewer's text, the YUSCII letters compared without regard to case.
QList<int> hitsOf(TForm3* v, const QByteArray& term)
{
    const QByteArray upper = yuscii::yupperW(v->DBRichEdit1->yusciiText());
    QList<int> hits;
    for (qsizetype at = upper.indexOf(term); at >= 0; at = upper.indexOf(term, at + term.size())) {
        hits << int(at);
    }
    return hits;
}

// Gives regulation `id` texts and a note far longer than their panes: lines "Red 1", "Red 2", ...
void lengthenTexts(int id)
{
    const auto rtf = [](const QByteArray& font, const QByteArray& word, int lines) {
        QByteArray out = "{\\rtf1\\ansi{\\fonttbl{\\f0 " + font + ";}}\\pard\\f0\\fs20 ";
        for (int i = 1; i <= lines; ++i) {
            out += word + ' ' + QByteArray::number(i) + "\\par\r\n";
        }
        return out + "}";
    };
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(QStringLiteral("TB_Zakoni.db"));
    t.setFilter("ID_ZAKONA='" + QByteArray::number(id) + "'");
    t.setFiltered(true);
    t.open();
    t.edit();
    t.fieldByName("Latinica").setAsString(rtf("YHelvetica", "Red", 400));
    t.fieldByName("Cirilica").setAsString(rtf("CHelvetica", "Red", 400));
    t.fieldByName("Napomena").setAsString(rtf("YHelvetica", "Napomena", 120));
    t.post();
}

// What keeps the given text panes from being shown from their top, as "name value/maximum"; empty
// when each is. A pane that does not scroll counts too, so a text too short to tell fails.
QByteArray notAtTop(const QList<std::pair<const char*, QAbstractScrollArea*>>& panes)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    QByteArrayList out;
    for (const auto& [name, pane] : panes) {
        const QScrollBar* bar = pane->verticalScrollBar();
        if (bar->value() != bar->minimum() || bar->maximum() <= bar->minimum() || !pane->isVisible()) {
            out << name + QByteArray(" ") + QByteArray::number(bar->value()) + '/' + QByteArray::number(bar->maximum());
        }
    }
    return out.join(", ");
}

void scrollToEnd(richtext::RichEdit* pane)
{
    pane->moveCursor(QTextCursor::End);
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

void find(TForm3* v, const QString& typed)
{
    v->Edit1->clear();
    QTest::keyClicks(v->Edit1, typed);
    QTest::keyClick(v->Edit1, Qt::Key_Return);
}

int rowOfEntry(QListWidget* list, const QByteArray& entry)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toByteArray() == entry) {
            return row;
        }
    }
    return -1;
}

void doubleClickRow(QListWidget* list, int row)
{
    // The panel has just been widened: let the layout give the list its place first.
    QCoreApplication::processEvents();
    list->scrollToItem(list->item(row));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QMouseEvent dblClick(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &dblClick);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestViewer : public QObject {
    Q_OBJECT
private slots:
    void opensByTitleAndRestoresTheTables();
    void earlierVersionTestTakesTheShownRecord();
    void findContinuesAsksAndRestarts();
    void findPositionSurvivesWindowsShownOver();
    void articlesListJumpsToEachHeading();
    void textWithoutArticlesOpensAnEmptyPanel();
    void cyrillicSwitch();
    void copyGivesFlattenedLatin();
    void opinionInTheViewer();
    void quickOpenMark();
    void relationsAndArchiveJump();
    void keysThatCloseAndKeysThatDoNot();
    void brokenSideTableToldOncePerDocument_data();
    void brokenSideTableToldOncePerDocument();
    void panesOpenAtTheirTop();
};

void TestViewer::opensByTitleAndRestoresTheTables()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QByteArray publicationsFilter = f->Glavna.filter();
        f->ProgressBar1->setValue(40);
        const bool shown = whileModal<TForm3>(
            [&] {
                f->openRegulation({demo::FirstLawTitle, {}});
            },
            [&](TForm3* v) {
                QCOMPARE(platform::caption(v), QByteArray(demo::FirstLawTitle));
                QCOMPARE(v->LastTitle, QByteArray(demo::FirstLawTitle));
                QCOMPARE(f->Zakoni.field(0).asString(), QByteArray("1"));
                QVERIFY(v->isMaximized());
                QVERIFY(!v->showsOpinion());
                QCOMPARE(v->textField(), QByteArray("Latinica"));
                QVERIFY(v->DBRichEdit1->yusciiText().startsWith("ZAKON\nO RA^UNOVODSTVU\n^lan 1\n"));
                QCOMPARE(v->StatusBar1->panelText(0),
                         "Du`ina teksta: " + QByteArray::number(v->DBRichEdit1->textLength()) + " karaktera");
                QVERIFY(v->SpeedButton8->isEnabled());  // pictures in S2 and S5
                QVERIFY(!v->SpeedButton9->isEnabled()); // no versions
                QCOMPARE(v->articlesPanelWidth(), TForm3::PanelCollapsed);
                QVERIFY(v->Edit1->text().isEmpty());
            });
        QVERIFY(shown);
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(f->Zakoni.indexFieldNames(), QByteArray("ID_ZAKONA"));
        QCOMPARE(f->Zakoni.filter(), QByteArray());
        QCOMPARE(f->Glavna.filter(), publicationsFilter);
        QCOMPARE(f->ProgressBar1->value(), 0);
        QVERIFY(Form3->LastTitle.isEmpty());
        QVERIFY(!Form3->SpeedButton8->isEnabled());

        // The title with its number/year selects one of several regulations of that title.
        QVERIFY(withRegulation(demo::landmark::TitleTwins[2], [&](TForm3* v) {
            QCOMPARE(f->Zakoni.field(0).asString(), QByteArray::number(demo::landmark::TitleTwins[2]));
            QCOMPARE(platform::caption(v), QByteArray(demo::TwinTitle));
        }));

        // A second opening of the same document loads it again, from the top.
        QByteArray first;
        QVERIFY(withRegulation(demo::landmark::ForestLaw, [&](TForm3* v) {
            first = v->DBRichEdit1->yusciiText();
            v->DBRichEdit1->select(100, 5);
        }));
        QVERIFY(withRegulation(demo::landmark::ForestLaw, [&](TForm3* v) {
            QCOMPARE(v->DBRichEdit1->yusciiText(), first);
            QCOMPARE(v->DBRichEdit1->selectionLength(), 0);
        }));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestViewer::earlierVersionTestTakesTheShownRecord()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        // Three regulations of one title: the first without versions, the other two a chain. The
        // archive button follows the version record of the one shown, not of the first of its title.
        const auto archiveOffered = [](int id) {
            bool offered = false;
            [&] { QVERIFY(withRegulation(id, [&](TForm3* v) { offered = v->SpeedButton9->isEnabled(); })); }();
            return offered;
        };
        QVERIFY(!archiveOffered(demo::landmark::TitleTwins[0]));
        QVERIFY(archiveOffered(demo::landmark::TitleTwins[1]));
        QVERIFY(archiveOffered(demo::landmark::TitleTwins[2]));
        QVERIFY(archiveOffered(demo::landmark::ChainOfFive[4])); // the newest version, with only an earlier one
        // The lookup gave the archive table back as it was.
        QCOMPARE(Form1->arhiva.masterFields(), QByteArray("ID_BROJA"));
        QCOMPARE(Form1->arhiva.indexFieldNames(), QByteArray("BROJ_ZAKONA"));
        QCOMPARE(Form1->arhiva.filter(), QByteArray());
    }));
}

void TestViewer::findContinuesAsksAndRestarts()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::ForestLaw, [&](TForm3* v) {
            // "[" typed on a US keyboard is š, upper-cased Š: the title's "{UMAMA" in capitals.
            find(v, "o [umama");
            QCOMPARE(v->Edit1->yuscii(), QByteArray("O [UMAMA"));
            QCOMPARE(v->Edit1->text(), QStringLiteral("O ŠUMAMA"));
            QCOMPARE(v->DBRichEdit1->selectionStart(), int(QByteArray("ZAKON\n").size()));
            QCOMPARE(selectedText(v), QByteArray("O [UMAMA"));
            QCOMPARE(v->focusWidget(), static_cast<QWidget*>(v->Edit1));
            // Pasted text keeps its characters, in capitals: the apostrophe and ";" stay, "š" is Š.
            v->Edit1->clear();
            QApplication::clipboard()->setText(QStringLiteral("o'b; o šumama"));
            QTest::keySequence(v->Edit1, QKeySequence::Paste);
            QCOMPARE(v->Edit1->yuscii(), QByteArray("O'B; O [UMAMA"));

            // Every heading in turn, then the question; Cancel leaves the last hit, OK starts over.
            const QList<int> hits = hitsOf(v, "^LAN ");
            QVERIFY(hits.size() >= 2);
            find(v, ";lan ");
            for (int hit : hits) {
                QCOMPARE(v->DBRichEdit1->selectionStart(), hit);
                QCOMPARE(selectedText(v).left(5), QByteArray("^lan "));
                QTest::keyClick(v->Edit1, Qt::Key_Return);
            }
            QCOMPARE(program.prompter.texts(), QList<QByteArray>{kNotFound}); // unanswered: Cancel
            QCOMPARE(v->DBRichEdit1->selectionStart(), hits.last());
            program.prompter.clear();
            program.prompter.answer(Answer::Ok);
            v->SpeedButton1->click();
            QCOMPARE(program.prompter.texts(), QList<QByteArray>{kNotFound});
            QCOMPARE(v->DBRichEdit1->selectionStart(), hits.first());

            // A word the text lacks: asked again after each OK until Cancel.
            program.prompter.clear();
            program.prompter.answer(Answer::Ok);
            program.prompter.answer(Answer::Ok);
            program.prompter.answer(Answer::Cancel);
            find(v, "nepostojecarec");
            QCOMPARE(program.prompter.texts().size(), 3);
            QCOMPARE(program.prompter.pendingAnswers(), 0);
            QCOMPARE(v->DBRichEdit1->selectionLength(), 0);
            program.prompter.clear();

            // An empty field finds nothing and asks nothing.
            v->Edit1->clear();
            v->SpeedButton1->click();
            QVERIFY(program.prompter.asked().isEmpty());
        }));
    }));
}

void TestViewer::findPositionSurvivesWindowsShownOver()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::ArticlesFromTop, [&](TForm3* v) {
            const QList<int> hits = hitsOf(v, "^LAN ");
            QVERIFY(hits.size() >= 4);
            find(v, ";lan ");
            v->SpeedButton1->click();
            QCOMPARE(v->DBRichEdit1->selectionStart(), hits[1]);
            // The attachments window over the viewer: closing it does not load the text again.
            const QTextDocument* document = v->DBRichEdit1->document();
            const int revision = document->revision();
            QVERIFY(whileModal<Tdokumenti>([&] { v->SpeedButton8->click(); }, [](Tdokumenti*) {}));
            QCOMPARE(document->revision(), revision);
            v->SpeedButton1->click();
            QCOMPARE(v->DBRichEdit1->selectionStart(), hits[2]);
        }));
        // Another opening of the same text goes on after the last hit of the earlier one.
        QVERIFY(withRegulation(demo::landmark::ArticlesFromTop, [&](TForm3* v) {
            find(v, ";lan ");
            QCOMPARE(v->DBRichEdit1->selectionStart(), hitsOf(v, "^LAN ")[3]);
        }));
    }));
}

void TestViewer::articlesListJumpsToEachHeading()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::ArticlesFromTop, [&](TForm3* v) {
            const QByteArray text = v->DBRichEdit1->yusciiText();
            QVERIFY(text.startsWith("^lan 1\n"));
            v->SpeedButton2->click();
            QCOMPARE(v->articlesPanelWidth(), TForm3::PanelShown);
            QVERIFY(v->clanovi->count() >= 12);
            QCOMPARE(v->clanovi->item(0)->text(), QStringLiteral("Član 1"));
            QCOMPARE(v->clanovi->font().family(), appvalues::LatinFontName);

            // The heading at the very start is found, and "^lan 1" never lands on "^lan 10".
            doubleClickRow(v->clanovi, rowOfEntry(v->clanovi, "^lan 10"));
            QCOMPARE(v->DBRichEdit1->selectionStart(), int(text.indexOf("\n^lan 10\n")) + 1);
            QCOMPARE(selectedText(v), QByteArray("^lan 10"));
            QCOMPARE(v->focusWidget(), static_cast<QWidget*>(v->DBRichEdit1));
            doubleClickRow(v->clanovi, rowOfEntry(v->clanovi, "^lan 1"));
            QCOMPARE(v->DBRichEdit1->selectionStart(), 0);
            QCOMPARE(selectedText(v), QByteArray("^lan 1"));

            // Later clicks only hide and show the list.
            const int entries = v->clanovi->count();
            v->SpeedButton2->click();
            QCOMPARE(v->articlesPanelWidth(), TForm3::PanelCollapsed);
            v->SpeedButton2->click();
            QCOMPARE(v->articlesPanelWidth(), TForm3::PanelShown);
            QCOMPARE(v->clanovi->count(), entries);

            // After the switch to Cyrillic the list stays, shown in Cyrillic, and still jumps to
            // its headings in the Cyrillic text.
            v->SpeedButton5->click();
            QCOMPARE(v->clanovi->count(), entries);
            QCOMPARE(v->clanovi->item(0)->text(), QStringLiteral("Члан 1"));
            doubleClickRow(v->clanovi, rowOfEntry(v->clanovi, "^lan 12"));
            QCOMPARE(selectedText(v), QByteArray("^lan 12"));
            QCOMPARE(v->DBRichEdit1->selectionStart(), int(v->DBRichEdit1->yusciiText().indexOf("\n^lan 12\n")) + 1);
        }));
        // Closing emptied the list and folded the panel.
        QCOMPARE(Form3->clanovi->count(), 0);
        QCOMPARE(Form3->articlesPanelWidth(), TForm3::PanelCollapsed);
    }));
}

void TestViewer::textWithoutArticlesOpensAnEmptyPanel()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        const QByteArray title = viewertest::opinionTitle(demo::landmark::OpinionTwoRegulations);
        QVERIFY(whileModal<TForm3>([&] { Form1->openOpinion(title, "05/03/2004"); },
                                   [&](TForm3* v) {
                                       for (int click = 0; click < 3; ++click) {
                                           v->SpeedButton2->click();
                                           QCOMPARE(v->clanovi->count(), 0);
                                           QCOMPARE(v->articlesPanelWidth(), TForm3::PanelShown);
                                       }
                                   }));
    }));
}

void TestViewer::cyrillicSwitch()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            const QByteArray latin = v->DBRichEdit1->yusciiText();
            find(v, "zakon");
            QVERIFY(v->DBRichEdit1->selectionLength() > 0);
            const int latinHit = v->DBRichEdit1->selectionStart();
            // Find a later hit, so the next find would go on from there in the same text.
            v->SpeedButton1->click();

            v->SpeedButton5->click();
            QCOMPARE(v->textField(), QByteArray("Cirilica"));
            const QString shown = v->DBRichEdit1->toPlainText();
            QVERIFY(shown.startsWith(QStringLiteral("ЗАКОН\nО РАЧУНОВОДСТВУ\nЧлан 1\n")));
            QVERIFY(!shown.contains(QStringLiteral("RA")));
            QCOMPARE(v->DBRichEdit1->yusciiText(), demo::toCyrillic(latin));
            QCOMPARE(v->StatusBar1->panelText(0),
                     "Du`ina teksta: " + QByteArray::number(v->DBRichEdit1->textLength()) + " karaktera");
            // The find field shows the same word in Cyrillic, and the find starts at the top.
            QCOMPARE(v->Edit1->text(), QStringLiteral("ЗАКОН"));
            QCOMPARE(v->Edit1->font().family(), appvalues::CyrillicFontName);
            v->SpeedButton1->click();
            QCOMPARE(v->DBRichEdit1->selectionStart(), latinHit);
            QCOMPARE(v->DBRichEdit1->toPlainText().mid(latinHit, 5), QStringLiteral("ЗАКОН"));
            // Typed keys land in Cyrillic too: "[" is Ш, "w" is Њ.
            v->Edit1->clear();
            QTest::keyClicks(v->Edit1, "[w");
            QCOMPARE(v->Edit1->text(), QStringLiteral("ШЊ"));
            QCOMPARE(v->Edit1->yuscii(), QByteArray("[W"));

            v->SpeedButton5->click();
            QCOMPARE(v->textField(), QByteArray("Latinica"));
            QCOMPARE(v->DBRichEdit1->yusciiText(), latin);
            QCOMPARE(v->Edit1->text(), QStringLiteral("ŠW"));
            v->SpeedButton5->click();
        }));
        // Each opening starts on the Latin text with a Latin find field.
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            QCOMPARE(v->textField(), QByteArray("Latinica"));
            QVERIFY(v->DBRichEdit1->toPlainText().startsWith(QStringLiteral("ZAKON")));
            QCOMPARE(v->Edit1->script(), display::Script::Latin);
        }));
    }));
}

void TestViewer::copyGivesFlattenedLatin()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QClipboard* clipboard = QApplication::clipboard();
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            // Nothing selected: the button says so, the menu's copy says nothing and copies nothing.
            clipboard->setText(QStringLiteral("before"));
            v->DBRichEdit1->select(0, 0);
            v->SpeedButton7->click();
            QCOMPARE(program.prompter.texts(), QList<QByteArray>{"Prvo obelezite tekst koji zelite da iskopirate"});
            program.prompter.clear();
            v->Kopiraj1->trigger();
            QVERIFY(program.prompter.asked().isEmpty());
            QCOMPARE(clipboard->text(), QStringLiteral("before"));

            v->DBRichEdit1->select(6, 15);
            v->SpeedButton7->click();
            QCOMPARE(clipboard->text(), QStringLiteral("O RAČUNOVODSTVU"));
            QVERIFY(platform::appclear());
            QCOMPARE(clipboard->text(), QStringLiteral("O RACUNOVODSTVU"));

            // From the Cyrillic text, by the context menu: the letters of the Cyrillic form too.
            v->SpeedButton5->click();
            const QByteArray text = v->DBRichEdit1->yusciiText();
            const qsizetype at = text.indexOf('q') >= 0 ? text.indexOf('q') : text.indexOf('w');
            QVERIFY(at > 0);
            v->DBRichEdit1->select(int(at) - 3, 6);
            v->Kopirajselekciju1->trigger();
            QVERIFY(platform::appclear());
            QCOMPARE(clipboard->text().toLatin1(), yuscii::flatten(text.mid(at - 3, 6)));
        }));
        QVERIFY(program.prompter.asked().isEmpty());
    }));
}

void TestViewer::opinionInTheViewer()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const QByteArray title = viewertest::opinionTitle(demo::landmark::OpinionTwoRegulations);
        // A regulation with pictures first: its attachments button must not carry over.
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [](TForm3* v) { QVERIFY(v->SpeedButton8->isEnabled()); }));
        QVERIFY(whileModal<TForm3>(
            [&] { f->openOpinion(title, "05/03/2004"); },
            [&](TForm3* v) {
                QVERIFY(v->showsOpinion());
                QCOMPARE(v->textSource(), DocumentSource::Opinions);
                QCOMPARE(platform::caption(v), title);
                QCOMPARE(f->misljenja.field(0).asInteger(), demo::landmark::OpinionTwoRegulations);
                // The heading is the whole title in Latin letters.
                QVERIFY(v->DBRichEdit1->yusciiText().startsWith("MI[LJENJE\n" + yuscii::yupperW(title.mid(10)) + '\n'));
                QVERIFY(!v->SpeedButton8->isEnabled());
                QVERIFY(!v->SpeedButton4->isEnabled());
                QCOMPARE(v->notesHeight(), 0);
                QCOMPARE(v->articlesPanelWidth(), TForm3::PanelCollapsed);
                // The script switch works on the opinion's own two texts.
                v->SpeedButton5->click();
                QVERIFY(v->DBRichEdit1->toPlainText().startsWith(QStringLiteral("МИШЉЕЊЕ\nО ")));
            }));
        QVERIFY(!Form3->showsOpinion());
        QCOMPARE(Form3->textField(), QByteArray("Latinica"));
        QCOMPARE(f->misljenja.filter(), QByteArray());
        // The regulations table was only looked at, and given back.
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
        QVERIFY(program.prompter.asked().isEmpty());
    }));
}

void TestViewer::quickOpenMark()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        for (int i = 1; i <= 7; ++i) {
            f->ListBox8->addItem(QStringLiteral("Propis %1").arg(i));
        }
        QVERIFY(withRegulation(demo::landmark::ForestLaw, [&](TForm3* v) {
            v->selektOznacizabrzootvaranje1->trigger();
            QCOMPARE(f->ListBox8->count(), 8);
            QCOMPARE(f->ListBox8->item(7)->text(), QStringLiteral("Zakon o šumama"));
            // The menu was rebuilt: its caption, a separator and the eight titles.
            QCOMPARE(f->PopupMenu1->actions().size(), 10);
            QCOMPARE(f->PopupMenu1->actions().last()->text(), QStringLiteral("Zakon o šumama"));

            v->selektOznacizabrzootvaranje1->trigger();
            QCOMPARE(program.prompter.texts(), QList<QByteArray>{"Lista propisa oznacenih za brzo otvaranje je puna"});
            QCOMPARE(f->ListBox8->count(), 8);
            program.prompter.clear();

            // A title already marked is not marked twice, and nothing is said.
            delete f->ListBox8->takeItem(0);
            v->selektOznacizabrzootvaranje1->trigger();
            QCOMPARE(f->ListBox8->count(), 7);
            QVERIFY(program.prompter.asked().isEmpty());
            QCOMPARE(f->PopupMenu1->actions().size(), 9);
        }));
    }));
    // Saved with the other lists when the program closed.
    QCOMPARE(program.readFile("brzi.ini").count('\n'), 7);
}

void TestViewer::relationsAndArchiveJump()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const int id = demo::landmark::ChainOfThree[1];
        bool clicked = false;
        const QMetaObject::Connection c = QObject::connect(f->SpeedButton22, &QPushButton::clicked, [&] {
            clicked = true;
            QCOMPARE(f->PageControl1->currentIndex(), 5);
            // The field's own rule: an upper-case field holds the title in capitals.
            QCOMPARE(platform::fromScreen(f->Edit7->text()), yuscii::yupperW(titleOf(id)));
        });
        QVERIFY(withRegulation(demo::landmark::RelatedToThree, [&](TForm3* v) {
            // The relations window, by the button and by the menu, over the viewer.
            QVERIFY(whileModal<Trelacije>([&] { v->SpeedButton10->click(); }, [](Trelacije*) {}));
            QVERIFY(whileModal<Trelacije>([&] { v->Prikazirelacije1->trigger(); }, [](Trelacije*) {}));
            QVERIFY(v->isVisible());
            v->close();
        }));
        QVERIFY(withRegulation(id, [&](TForm3* v) {
            QVERIFY(v->SpeedButton9->isEnabled());
            v->SpeedButton9->click();
            QVERIFY(!v->isVisible());
        }));
        QObject::disconnect(c);
        QVERIFY(clicked);
        QCOMPARE(f->PageControl1->currentIndex(), 5);
        QCOMPARE(testsupport::column(f->ListBox7, 0).value(0), titleOf(id));
        QCOMPARE(f->Zakoni.masterFields(), QByteArray("ID_BROJA"));
    }));
}

void TestViewer::keysThatCloseAndKeysThatDoNot()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            QTest::keyClick(v->DBRichEdit1, Qt::Key_F4, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(v->isVisible());
            QTest::keyClick(v->Edit1, Qt::Key_Escape);
            QVERIFY(v->isVisible());
            QTest::keyClick(v->DBRichEdit1, Qt::Key_F4, Qt::ControlModifier);
            QVERIFY(!v->isVisible());
            QVERIFY(v->LastTitle.isEmpty());
        }));
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            v->Zatvori1->trigger();
            QVERIFY(!v->isVisible());
        }));
        // Minimising the viewer minimises the program and flattens the clipboard.
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            v->DBRichEdit1->select(6, 15);
            v->SpeedButton7->click();
            v->showMinimized();
            QTRY_VERIFY(Form1->isMinimized());
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("O RACUNOVODSTVU"));
            v->showMaximized();
            Form1->showMaximized();
        }));
    }));
}

void TestViewer::brokenSideTableToldOncePerDocument_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("attachments") << QStringLiteral("TB_grafika.db");
    QTest::newRow("versions") << QStringLiteral("TB_Arhiva.db");
}

// The attachments' or the versions' table is replaced by a file that is no table while the program
// runs: the viewer tells it once for each document opened, not again each time it is activated,
// and shows the document all the same, without the buttons that need the broken table.
void TestViewer::brokenSideTableToldOncePerDocument()
{
    QFETCH(QString, table);
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        {
            QFile junk(program.path(QStringLiteral("Podatci/junk")));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write(QByteArray(64 * 1024, '\x5a'));
        }
        QCOMPARE(testsupport::renameOver(program.path(QStringLiteral("Podatci/junk")),
                                         program.path(QStringLiteral("Podatci/") + table)),
                 QString());
        const auto toldOnce = [&] {
            QVERIFY2(program.prompter.asked().size() == 1, program.prompter.texts().join("\n----\n").constData());
            QVERIFY2(program.prompter.texts()[0].contains(table.toLatin1()), program.prompter.texts()[0].constData());
            program.prompter.clear();
        };
        // Both have versions.
        for (const int id : {demo::landmark::ChainOfThree[1], demo::landmark::ChainOfFive[2]}) {
            QVERIFY(withRegulation(id, [&](TForm3* v) {
                QVERIFY(!v->DBRichEdit1->yusciiText().isEmpty());
                for (int i = 0; i < 3; ++i) {
                    QEvent activate(QEvent::WindowActivate);
                    QApplication::sendEvent(v, &activate);
                }
                toldOnce();
                if (table == QLatin1String("TB_grafika.db")) {
                    QVERIFY(!v->SpeedButton8->isEnabled());
                } else {
                    QVERIFY(!v->SpeedButton9->isEnabled());
                }
                QVERIFY(!v->DBRichEdit1->yusciiText().isEmpty());
            }));
            QVERIFY(program.prompter.asked().isEmpty());
        }
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestViewer)
void TestViewer::panesOpenAtTheirTop()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        lengthenTexts(demo::landmark::Note201);
        // Opened, read to the end of each pane, and opened again, after a document without notes
        // and right after itself: each time every pane starts at its top.
        for (const int id :
             {demo::landmark::Note201, demo::landmark::Note200, demo::landmark::Note201, demo::landmark::Note201}) {
            QVERIFY(withRegulation(id, [&](TForm3* v) {
                if (id == demo::landmark::Note200) {
                    QCOMPARE(v->DBRichEdit1->verticalScrollBar()->value(), 0);
                    return;
                }
                QByteArray wrong = notAtTop({{"text", v->DBRichEdit1}, {"notes", v->DBRichEdit2}});
                QVERIFY2(wrong.isEmpty(), wrong.constData());
                QVERIFY(whileModal<TForm5>([&] { v->SpeedButton4->click(); },
                                           [&](TForm5* notes) {
                                               wrong = notAtTop({{"notes window", notes->DBRichEdit1}});
                                               QVERIFY2(wrong.isEmpty(), wrong.constData());
                                               scrollToEnd(notes->DBRichEdit1);
                                           }));
                scrollToEnd(v->DBRichEdit1);
                scrollToEnd(v->DBRichEdit2);
                // The other script's text starts at its top as well.
                v->SpeedButton5->click();
                wrong = notAtTop({{"text", v->DBRichEdit1}});
                QVERIFY2(wrong.isEmpty(), wrong.constData());
            }));
        }
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

#include "tst_viewer.moc"
