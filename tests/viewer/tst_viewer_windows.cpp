// The windows over the viewer and its printing: the viewer's and the notes window's pages read back
// from PDF files, the notes window, and the attachments window with its list, picture and print.

#include "viewerdriver.h"

#include "appvalues.h"
#include "pdfprinterenv.h"
#include "pictures.h"
#include "prevform.h"
#include "prevprinter.h"
#include "replacedfile.h"
#include "richedit.h"
#include "screentext.h"

#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

using testsupport::PdfPrinterEnvironment;
using viewertest::numberYearOf;
using viewertest::titleOf;
using viewertest::whileModal;

namespace {

bool withRegulation(int id, const std::function<void(TForm3*)>& inside)
{
    const QByteArray title = titleOf(id);
    const QByteArray numberYear = numberYearOf(id);
    return whileModal<TForm3>([&] { Form1->openRegulation({title, numberYear}); }, inside);
}

// Clicks `print`, which paginates and opens the preview, and prints all pages from the preview.
bool printThroughPreview(PdfPrinterEnvironment& env, QPushButton* print)
{
    env.answerSetup(true);
    return whileModal<TPreviewForm>([&] { print->click(); },
                                    [&](TPreviewForm* preview) {
                                        env.answerPrint(platform::PrintRequest{});
                                        preview->PrintBut->click();
                                    });
}

// The attachments list's entries, as YUSCII.
QList<QByteArray> entries(const Tdokumenti* d)
{
    QList<QByteArray> out;
    for (int row = 0; row < d->ListBox1->count(); ++row) {
        out << platform::fromScreen(d->ListBox1->item(row)->text());
    }
    return out;
}

// The picture stored for regulation `id` in field `field`.
QImage storedPicture(int id, const QByteArray& field)
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(QStringLiteral("TB_grafika.db"));
    t.open();
    t.setFilter("ID_ZAKONA='" + QByteArray::number(id) + "'");
    t.setFiltered(true);
    return viewer::decodePicture(t.fieldByName(field).asBytes());
}

// Every page of a printed job holds its page number, and only letters of its script: the YUSCII
// codes ("[", "{", ...) and the letters of the other script are what the fonts draw differently, so
// they must not be the text of a page that shows letters. Empty when so, else what is wrong.
QString pagesReadIn(const QString& file, const QString& pageWord, const QString& foreign)
{
    const int pages = testsupport::pdfPageCount(file);
    if (pages < 1) {
        return QStringLiteral("no pages");
    }
    const QRegularExpression unlike(foreign);
    for (int page = 1; page <= pages; ++page) {
        const QString text = testsupport::pdfPageText(file, page);
        const QRegularExpressionMatch match = unlike.match(text);
        if (!text.contains(pageWord + QLatin1Char(' ') + QString::number(page)) || match.hasMatch()) {
            return QStringLiteral("page %1 (\"%2\"): %3").arg(page).arg(match.captured(), text);
        }
    }
    return {};
}

int pdfImages(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
    p.waitForFinished(30000);
    // Two header lines, then one line per image.
    return int(QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size()) - 2;
}

} // namespace

class TestViewerWindows : public QObject {
    Q_OBJECT
private slots:
    void printsLatinThenCyrillicAndNotesFollow();
    void notesPrintWithTheDesignHeaderBeforeAnyPrint();
    void printStopsWithoutPrinterOrSetup();
    void notesWindowShowsTheNote();
    void attachmentsListPicturesByNumber();
    void attachmentsSkipAPictureThatCannotBeDecoded();
    void attachmentPrint();
    void attachmentsReplacedToldOnceWhileShown();
};

void TestViewerWindows::printsLatinThenCyrillicAndNotesFollow()
{
    ProgramFixture program;
    program.start();
    QTemporaryDir jobs;
    PdfPrinterEnvironment env(jobs.path());
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::Note201, [&](TForm3* v) {
            QVERIFY(printThroughPreview(env, v->SpeedButton6));
            QCOMPARE(env.jobFiles().size(), 1);
            const QString latin = testsupport::pdfPageText(env.jobFiles()[0], 1);
            QVERIFY2(latin.contains(QStringLiteral("Korvelin, Dremvalo d.o.o.")), qPrintable(latin));
            QVERIFY(latin.contains(QStringLiteral("Član 1")));
            const QString latinPages = pagesReadIn(env.jobFiles()[0], QStringLiteral("Strana"),
                                                   QStringLiteral("[\\[\\]{}\\\\^@|~`\\x{400}-\\x{4ff}]"));
            QVERIFY2(latinPages.isEmpty(), qPrintable(latinPages));
            QCOMPARE(v->PreviewPrinter1->TextOptions().HeaderFont.family(), appvalues::LatinFontName);

            v->SpeedButton5->click();
            QVERIFY(printThroughPreview(env, v->SpeedButton6));
            QCOMPARE(env.jobFiles().size(), 2);
            const QString cyrillic = testsupport::pdfPageText(env.jobFiles()[1], 1);
            QVERIFY2(cyrillic.contains(QStringLiteral("Корвелин, Дремвало д.о.о.")), qPrintable(cyrillic));
            QVERIFY(cyrillic.contains(QStringLiteral("Члан 1")));
            // The page number is drawn in the Cyrillic font too: its text is the Cyrillic it shows.
            const QString cyrillicPages =
                pagesReadIn(env.jobFiles()[1], QStringLiteral("Страна"), QStringLiteral("[A-Za-z\\[\\]{}\\\\^@|~`]"));
            QVERIFY2(cyrillicPages.isEmpty(), qPrintable(cyrillicPages));
            const TTextOptions& options = v->PreviewPrinter1->TextOptions();
            for (const TFont* font : {&options.HeaderFont, &options.FooterFont, &options.PageNumFont}) {
                QCOMPARE(font->family(), appvalues::CyrillicFontName);
            }

            // The notes are printed with what the viewer last set: the Cyrillic header.
            QVERIFY(v->SpeedButton4->isEnabled());
            QVERIFY(whileModal<TForm5>([&] { v->SpeedButton4->click(); },
                                       [&](TForm5* notes) { QVERIFY(printThroughPreview(env, notes->SpeedButton1)); }));
            QCOMPARE(env.jobFiles().size(), 3);
            const QString notes = testsupport::pdfPageText(env.jobFiles()[2], 1);
            QVERIFY2(notes.contains(QStringLiteral("Корвелин, Дремвало д.о.о.")), qPrintable(notes));
            QVERIFY(notes.contains(QStringLiteral("Napomena: propis je izmenjen.")));
            QVERIFY(notes.contains(QStringLiteral("Страна 1")));
        }));
    }));
    QCOMPARE(env.unexpected(), QStringList());
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestViewerWindows::notesPrintWithTheDesignHeaderBeforeAnyPrint()
{
    ProgramFixture program;
    program.start();
    QTemporaryDir jobs;
    PdfPrinterEnvironment env(jobs.path());
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::Note201, [&](TForm3* v) {
            QVERIFY(whileModal<TForm5>([&] { v->SpeedButton4->click(); },
                                       [&](TForm5* notes) { QVERIFY(printThroughPreview(env, notes->SpeedButton1)); }));
        }));
    }));
    QCOMPARE(env.jobFiles().size(), 1);
    const QString text = testsupport::pdfPageText(env.jobFiles()[0], 1);
    QVERIFY2(text.contains(QStringLiteral("Korvelin, Dremvalo d.o.o.")), qPrintable(text));
    QCOMPARE(env.unexpected(), QStringList());
}

void TestViewerWindows::printStopsWithoutPrinterOrSetup()
{
    ProgramFixture program;
    program.start();
    QTemporaryDir jobs;
    PdfPrinterEnvironment env(jobs.path());
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::FirstLaw, [&](TForm3* v) {
            // Cancelling the printer set-up prints nothing and leaves the header as it was.
            v->SpeedButton5->click();
            env.answerSetup(false);
            v->Stampaj1->trigger();
            QCOMPARE(v->PreviewPrinter1->TextOptions().Header, QStringLiteral("Korvelin, Dremvalo d.o.o."));
            QCOMPARE(v->PreviewPrinter1->PageCount(), 0);

            // No default printer: the message, and no set-up dialog.
            env.setDefaultPrinterName({});
            v->SpeedButton6->click();
            QCOMPARE(program.prompter.texts(), QList<QByteArray>{"Printer nije detektovan"});
        }));
    }));
    QCOMPARE(env.unexpected(), QStringList());
    QVERIFY(env.jobFiles().isEmpty());
}

void TestViewerWindows::notesWindowShowsTheNote()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        // 201 characters of note: the button and the preview below the text.
        QVERIFY(withRegulation(demo::landmark::Note201, [&](TForm3* v) {
            QVERIFY(v->SpeedButton4->isEnabled());
            QCOMPARE(v->notesHeight(), TForm3::NotesShown);
            QVERIFY(v->DBRichEdit2->yusciiText().startsWith("Napomena: propis je izmenjen."));
            QVERIFY(whileModal<TForm5>([&] { v->SpeedButton4->click(); },
                                       [&](TForm5* notes) {
                                           QCOMPARE(notes->DBRichEdit1->yusciiText(), v->DBRichEdit2->yusciiText());
                                           QCOMPARE(notes->size(), QSize(689, 454));
                                           QCOMPARE(notes->DBRichEdit1->font().family(), appvalues::LatinFontName);
                                           notes->SpeedButton3->click();
                                           QVERIFY(!notes->isVisible());
                                       }));
            QVERIFY(v->isVisible());
        }));
        // 200 characters do not count as additional information.
        QVERIFY(withRegulation(demo::landmark::Note200, [&](TForm3* v) {
            QVERIFY(!v->SpeedButton4->isEnabled());
            QCOMPARE(v->notesHeight(), 0);
        }));
    }));
}

void TestViewerWindows::attachmentsListPicturesByNumber()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::PicturesS2S5, [&](TForm3* v) {
            QVERIFY(v->SpeedButton8->isEnabled());
            QVERIFY(whileModal<Tdokumenti>(
                [&] { v->SpeedButton8->click(); },
                [&](Tdokumenti* d) {
                    QCOMPARE(entries(d), (QList<QByteArray>{"Prilog br. 2", "Prilog br. 5"}));
                    QVERIFY(d->ListBox1->selectedItems().isEmpty());
                    QVERIFY(d->Image3->picture().isNull()); // S1 is empty
                    QTest::mouseClick(d->ListBox1->viewport(), Qt::LeftButton, {},
                                      d->ListBox1->visualItemRect(d->ListBox1->item(1)).center());
                    QCOMPARE(d->Image3->picture(), storedPicture(demo::landmark::PicturesS2S5, "S5"));
                    QVERIFY(!d->Image3->picture().isNull());
                }));
        }));
        QVERIFY(withRegulation(demo::landmark::ApostropheTitle, [&](TForm3* v) {
            QVERIFY(whileModal<Tdokumenti>([&] { v->SpeedButton8->click(); },
                                           [&](Tdokumenti* d) {
                                               QList<QByteArray> all;
                                               for (int n = 1; n <= 33; ++n) {
                                                   all << "Prilog br. " + QByteArray::number(n);
                                               }
                                               QCOMPARE(entries(d), all);
                                               QCOMPARE(d->Image3->picture(),
                                                        storedPicture(demo::landmark::ApostropheTitle, "S1"));
                                           }));
        }));
        // A regulation without pictures offers no attachments.
        QVERIFY(withRegulation(demo::landmark::ForestLaw, [](TForm3* v) { QVERIFY(!v->SpeedButton8->isEnabled()); }));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestViewerWindows::attachmentsSkipAPictureThatCannotBeDecoded()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::BrokenPicture, [&](TForm3* v) {
            QVERIFY(whileModal<Tdokumenti>(
                [&] { v->SpeedButton8->click(); },
                [&](Tdokumenti* d) { QCOMPARE(entries(d), QList<QByteArray>{"Prilog br. 4"}); }));
        }));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestViewerWindows::attachmentPrint()
{
    ProgramFixture program;
    program.start();
    QTemporaryDir jobs;
    PdfPrinterEnvironment env(jobs.path());
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::PicturesS2S5, [&](TForm3* v) {
            QVERIFY(whileModal<Tdokumenti>(
                [&] { v->SpeedButton8->click(); },
                [&](Tdokumenti* d) {
                    // Nothing chosen: the message, after which the list is built anew.
                    d->SpeedButton6->click();
                    QCOMPARE(program.prompter.texts(), QList<QByteArray>{"Prvo izaberite sliku za stampanje"});
                    QCOMPARE(d->ListBox1->count(), 2);
                    program.prompter.clear();

                    d->ListBox1->setCurrentRow(0);
                    env.answerPrint(platform::PrintRequest{});
                    d->SpeedButton6->click();
                    QCOMPARE(env.jobFiles().size(), 1);
                    QCOMPARE(testsupport::pdfPageCount(env.jobFiles()[0]), 1);
                    QCOMPARE(pdfImages(env.jobFiles()[0]), 1);

                    // The dialog's closing rebuilt the list: nothing is chosen again.
                    QVERIFY(d->ListBox1->selectedItems().isEmpty());
                    QCOMPARE(d->ListBox1->count(), 2);

                    // A cancelled print dialog prints nothing; no default printer asks for nothing.
                    d->ListBox1->setCurrentRow(1);
                    env.answerPrint(std::nullopt);
                    d->SpeedButton6->click();
                    env.setDefaultPrinterName({});
                    d->ListBox1->setCurrentRow(1);
                    d->SpeedButton6->click();
                    QCOMPARE(program.prompter.texts(), QList<QByteArray>{"Printer nije detektovan"});
                }));
        }));
    }));
    QCOMPARE(env.jobFiles().size(), 1);
    QCOMPARE(env.unexpected(), QStringList());
}

// The pictures' table is replaced by a file that is no table after the viewer offered them: the
// attachments window tells it once while it is shown, not again after each message over it.
void TestViewerWindows::attachmentsReplacedToldOnceWhileShown()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(withRegulation(demo::landmark::ApostropheTitle, [&](TForm3* v) {
            QVERIFY(v->SpeedButton8->isEnabled());
            {
                QFile junk(program.path(QStringLiteral("Podatci/junk")));
                QVERIFY(junk.open(QIODevice::WriteOnly));
                junk.write(QByteArray(64 * 1024, '\x5a'));
            }
            QCOMPARE(testsupport::renameOver(program.path(QStringLiteral("Podatci/junk")),
                                             program.path(QStringLiteral("Podatci/TB_grafika.db"))),
                     QString());
            for (int shown = 0; shown < 2; ++shown) {
                QVERIFY(whileModal<Tdokumenti>([&] { v->SpeedButton8->click(); },
                                               [&](Tdokumenti* d) {
                                                   QVERIFY(d->ListBox1->selectedItems().isEmpty());
                                                   d->SpeedButton6->click();
                                                   d->SpeedButton6->click();
                                               }));
                const QList<QByteArray> told = program.prompter.texts();
                QCOMPARE(told.size(), 3);
                QVERIFY2(told[0].contains("TB_grafika.db"), told[0].constData());
                QCOMPARE(told.mid(1),
                         (QList<QByteArray>{"Prvo izaberite sliku za stampanje", "Prvo izaberite sliku za stampanje"}));
                program.prompter.clear();
            }
            QVERIFY(v->isVisible());
        }));
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestViewerWindows)
#include "tst_viewer_windows.moc"
