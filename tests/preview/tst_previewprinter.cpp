#include "errors.h"
#include "pdfprinterenv.h"
#include "prevprinter.h"
#include "registry.h"
#include "richpages.h"
#include "testdoc.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QtTest>

using previewtest::numbersAfter;
using testsupport::PdfPrinterEnvironment;
using testsupport::pdfPageCount;
using testsupport::pdfPageText;
using testsupport::pdfPageWords;
using testsupport::PdfWord;

namespace {

struct Status {
    QString message;
    int page;
    TStatusType type;
};

// The words of a PDF page that make up `text`, as one box.
std::optional<PdfWord> findLine(const QList<PdfWord>& words, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    for (int i = 0; i + parts.size() <= words.size(); ++i) {
        bool match = true;
        for (int j = 0; j < parts.size() && match; ++j) {
            match = words[i + j].text == parts[j];
        }
        if (match) {
            PdfWord box = words[i];
            box.text = text;
            box.xMax = words[i + parts.size() - 1].xMax;
            return box;
        }
    }
    return std::nullopt;
}

TTextOptions withTextFonts(TTextOptions options)
{
    for (TFont* font : {&options.HeaderFont, &options.FooterFont, &options.PageNumFont}) {
        font->setFamily(QStringLiteral("YHelvetica"));
    }
    return options;
}

platform::PrintRequest allPages()
{
    return platform::PrintRequest();
}

} // namespace

class TestPreviewPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ownPagesAndStatus();
    void misuseRaisesAssertions();
    void metricsOfThePrinter();
    void screenSheetWithoutPrinter();
    void emptyTextGivesOnePage();
    void regulationPrintsOnTheRightPages();
    void headerFooterAndPageNumberPositions();
    void lengthsAreInchesWhilePaginating();
    void fontsKeepTheirPointSize();
    void exactPagesEndAtTextLength();
    void unbreakablePageStillEnds();
    void pageNumberTextFromSettings();
    void copiesAndRangeMakeJobs();
    void cancelledPrintPrintsNothing();
    void failingPrinterReportsAndRestoresCursor();
    void printSequenceChecks();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_registry;
    std::unique_ptr<PdfPrinterEnvironment> m_env;
    QString file(int job) const { return m_env->jobFiles().value(job - 1); }
};

void TestPreviewPrinter::initTestCase()
{
    previewtest::installFonts();
    QLocale::setDefault(QLocale::c());
}

void TestPreviewPrinter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_registry = std::make_unique<QTemporaryDir>();
    platform::setRegistryFolder(m_registry->path());
    m_env = std::make_unique<PdfPrinterEnvironment>(m_dir->path());
}

void TestPreviewPrinter::cleanup()
{
    QCOMPARE(m_env->unexpected(), QStringList());
    m_env.reset();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestPreviewPrinter::ownPagesAndStatus()
{
    TPreviewPrinter printer;
    QList<Status> status;
    connect(&printer, &TPreviewPrinter::OnStatus, this,
            [&status](const QString& m, int page, TStatusType type) { status.append({m, page, type}); });
    printer.BeginDoc();
    QVERIFY(printer.Printing());
    printer.Canvas()->drawText(100, 100, QStringLiteral("jedan"));
    printer.NewPage();
    printer.Canvas()->drawRect(10, 10, 100, 100);
    printer.NewPage(); // never drawn on: dropped at the end
    printer.EndDoc();
    QVERIFY(!printer.Printing());
    QCOMPARE(printer.PageCount(), 2);
    QVERIFY(!printer.Pages(1).boundingRect().isEmpty());

    QCOMPARE(status.size(), 4);
    QCOMPARE(status[0].message, QStringLiteral("Kreiram stranu 1"));
    QCOMPARE(status[0].page, 1);
    QCOMPARE(status[2].message, QStringLiteral("Kreiram stranu 3"));
    QCOMPARE(status[2].type, TStatusType::stPageCreated);
    QCOMPARE(status[3].message, QStringLiteral("Kreiranje gotovo"));
    QCOMPARE(status[3].page, -1);
    QCOMPARE(status[3].type, TStatusType::stDocumentCreated);

    // The pages stay until the next document begins.
    printer.BeginDoc();
    QCOMPARE(printer.PageCount(), 1);
    printer.EndDoc();
    QCOMPARE(printer.PageCount(), 0);
}

void TestPreviewPrinter::misuseRaisesAssertions()
{
    TPreviewPrinter printer;
    auto message = [](auto&& call) -> QString {
        try {
            call();
        } catch (const preview::AssertionFailure& e) {
            return QString::fromLatin1(e.what());
        }
        return {};
    };
    QCOMPARE(message([&] { printer.Canvas(); }), QStringLiteral("Canvas is not available before BeginDoc"));
    QCOMPARE(message([&] { printer.NewPage(); }), QStringLiteral("Assertion failure"));
    QCOMPARE(message([&] { printer.PrintRichEdit(nullptr); }), QStringLiteral("Assertion failure"));
    printer.BeginDoc();
    QCOMPARE(message([&] { printer.Preview(); }), QStringLiteral("Assertion failure"));
    printer.EndDoc();
}

void TestPreviewPrinter::metricsOfThePrinter()
{
    TPreviewPrinter printer;
    printer.BeginDoc();
    const preview::DeviceMetrics portrait = printer.Metrics();
    printer.EndDoc();
    QCOMPARE(portrait.LOGPIXELSX, 300);
    QCOMPARE(portrait.LOGPIXELSY, 300);
    QCOMPARE(portrait.PHYSICALWIDTH, 2550);
    QCOMPARE(portrait.PHYSICALHEIGHT, 3300);
    QCOMPARE(portrait.PHYSICALOFFSETX, 50); // 12 points
    QCOMPARE(portrait.PHYSICALOFFSETY, 50);

    printer.setOrientation(TPrinterOrientation::poLandscape);
    printer.BeginDoc();
    QCOMPARE(printer.Metrics().PHYSICALWIDTH, 3300);
    QCOMPARE(printer.Metrics().PHYSICALHEIGHT, 2550);
    QCOMPARE(m_env->printer().pageLayout().orientation(), QPageLayout::Landscape);
    printer.EndDoc();
}

void TestPreviewPrinter::screenSheetWithoutPrinter()
{
    m_env->setInstalled(false);
    QTextEdit edit;
    previewtest::fillRegulation(edit, 10);
    TPreviewPrinter printer;
    printer.PrintRichEdit(&edit);
    QVERIFY(printer.PageCount() >= 1);
    const preview::DeviceMetrics& m = printer.Metrics();
    QCOMPARE(m.LOGPIXELSX, 96);
    QCOMPARE(m.PHYSICALWIDTH, 816);
    QCOMPARE(m.PHYSICALHEIGHT, 1056);
    QCOMPARE(m.PHYSICALOFFSETX, 0);
    QCOMPARE(m.PHYSICALOFFSETY, 0);
}

void TestPreviewPrinter::emptyTextGivesOnePage()
{
    QTextEdit edit;
    TPreviewPrinter printer(nullptr, withTextFonts(viewerTextOptions()));
    printer.PrintRichEdit(&edit);
    QCOMPARE(printer.PageCount(), 1);
    QVERIFY(!printer.Printing());
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    const QString text = pdfPageText(file(1), 1);
    QVERIFY2(text.contains(QStringLiteral("Korvelin, Dremvalo d.o.o.")), qPrintable(text));
    QCOMPARE(numbersAfter(QStringLiteral("Strana"), text), QList<int>{1});
}

void TestPreviewPrinter::regulationPrintsOnTheRightPages()
{
    QTextEdit edit;
    previewtest::fillRegulation(edit, 60);
    TTextOptions options = withTextFonts(mainWindowTextOptions());
    options.Header = QStringLiteral("Zakon o radu \u0160\u0106\u0110\u010C\u017D");
    options.Footer = QStringLiteral("Slu\u017Ebeni glasnik");
    TPreviewPrinter printer(nullptr, options);
    printer.setTitle(QStringLiteral("Zakon o radu"));
    printer.PrintRichEdit(&edit);
    const int pages = printer.PageCount();
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));

    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    QCOMPARE(m_env->jobTitles(), QStringList{QStringLiteral("Zakon o radu")});
    QCOMPARE(pdfPageCount(file(1)), pages);

    QList<int> articles;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfPageText(file(1), page);
        QVERIFY2(text.contains(options.Header), qPrintable(text));
        QVERIFY(text.contains(options.Footer));
        QCOMPARE(numbersAfter(QStringLiteral("Strana"), text), QList<int>{page});
        QVERIFY(text.contains(QStringLiteral("šćđčž ŠĆĐČŽ")));
        const QList<int> onPage = numbersAfter(QStringLiteral("Član"), text);
        QVERIFY(!onPage.isEmpty());
        articles += onPage;
    }
    // Every article once, in order, nothing lost between pages.
    QCOMPARE(articles.size(), 60);
    for (int i = 0; i < 60; ++i) {
        QCOMPARE(articles[i], i + 1);
    }
}

void TestPreviewPrinter::headerFooterAndPageNumberPositions()
{
    // On a Letter sheet of 612 x 792 points.
    QTextEdit edit;
    previewtest::fillRegulation(edit, 2);
    TPreviewPrinter viewer(nullptr, withTextFonts(viewerTextOptions()));
    viewer.PrintRichEdit(&edit);
    m_env->answerPrint(allPages());
    QVERIFY(viewer.Print());
    QList<PdfWord> words = pdfPageWords(file(1), 1);
    const auto header = findLine(words, QStringLiteral("Korvelin, Dremvalo d.o.o."));
    QVERIFY(header);
    QVERIFY(qAbs((header->xMin + header->xMax) / 2 - 306) < 1.5); // centred
    QVERIFY(qAbs(header->yMin - 36) < 1);                          // half an inch from the top
    auto number = findLine(words, QStringLiteral("Strana 1"));
    QVERIFY(number);
    QVERIFY(qAbs((number->xMin + number->xMax) / 2 - 306) < 1.5);
    QVERIFY(qAbs(number->yMin - (792 - 54)) < 1); // three quarters of an inch above the bottom
    const auto first = findLine(words, QStringLiteral("Član 1."));
    QVERIFY(first);
    QVERIFY(qAbs(first->xMin - 72) < 1); // the text rectangle starts an inch in
    QVERIFY(qAbs(first->yMin - 72) < 3);

    TPreviewPrinter main(nullptr, withTextFonts(mainWindowTextOptions()));
    main.PrintRichEdit(&edit);
    m_env->answerPrint(allPages());
    QVERIFY(main.Print());
    words = pdfPageWords(file(2), 1);
    number = findLine(words, QStringLiteral("Strana 1"));
    QVERIFY(number);
    QVERIFY(qAbs(number->xMax - (612 - 72)) < 1); // right-aligned an inch from the right edge
    QVERIFY(qAbs(number->yMin - (792 - 54)) < 1);
}

void TestPreviewPrinter::lengthsAreInchesWhilePaginating()
{
    QTextEdit edit;
    previewtest::fillRegulation(edit, 1);
    TTextOptions options = withTextFonts(mainWindowTextOptions());
    options.MarginLeft = options.MarginTop = options.MarginRight = options.MarginBottom = 2.54;
    TPreviewPrinter printer(nullptr, options);
    printer.setUnits(TUnits::unCentimeters);
    printer.PrintRichEdit(&edit);
    QCOMPARE(printer.Units(), TUnits::unCentimeters);
    QCOMPARE(printer.UnitFactor(), 2.54);
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    const auto first = findLine(pdfPageWords(file(1), 1), QStringLiteral("Član 1."));
    QVERIFY(first);
    QVERIFY(qAbs(first->xMin - 2.54 * 72) < 1);
    // Out of pagination the lengths are centimetres again.
    QCOMPARE(printer.UnitsToPixelsX(2.54), 300);
}

void TestPreviewPrinter::fontsKeepTheirPointSize()
{
    QTextEdit edit;
    previewtest::fillRegulation(edit, 1);
    auto headerHeight = [&](int resolution) {
        m_env->printer().setResolution(resolution);
        TPreviewPrinter printer(nullptr, withTextFonts(viewerTextOptions()));
        printer.PrintRichEdit(&edit);
        m_env->answerPrint(allPages());
        printer.Print();
        const QList<PdfWord> words = pdfPageWords(m_env->jobFiles().last(), 1);
        const auto header = findLine(words, QStringLiteral("Korvelin, Dremvalo d.o.o."));
        const auto body = findLine(words, QStringLiteral("Član 1."));
        return std::make_pair(header ? header->yMax - header->yMin : -1, body ? body->yMax - body->yMin : -1);
    };
    const auto at300 = headerHeight(300);
    const auto at600 = headerHeight(600);
    QVERIFY(at300.first > 0 && at300.second > 0);
    QVERIFY(qAbs(at300.first - at600.first) < 0.3);
    QVERIFY(qAbs(at300.second - at600.second) < 0.3);
}

void TestPreviewPrinter::exactPagesEndAtTextLength()
{
    QTextEdit edit;
    previewtest::fillPages(edit, 3);
    QImage sheet(10, 10, QImage::Format_RGB32);
    QPainter painter(&sheet);
    const preview::RichTextPages pages(*edit.document(), nullptr, QRectF(96, 96, 624, 864));
    QCOMPARE(pages.pageCount(), 3);
    const int length = edit.document()->characterCount() - 1;
    auto step = pages.formatPage(painter, 0);
    QVERIFY(step.more);
    QCOMPARE(step.next, edit.document()->findBlockByNumber(1).position());
    step = pages.formatPage(painter, step.next);
    QVERIFY(step.more);
    step = pages.formatPage(painter, step.next);
    QVERIFY(!step.more);
    QCOMPARE(step.next, length);

    TPreviewPrinter printer;
    printer.PrintRichEdit(&edit);
    QCOMPARE(printer.PageCount(), 3);
}

void TestPreviewPrinter::unbreakablePageStillEnds()
{
    // An image three sheets tall cannot be split: the page holding it takes no text, and the
    // pagination still reaches the end.
    QTextEdit edit;
    QTextCursor cursor(edit.document());
    cursor.insertText(QStringLiteral("Prvi red"));
    cursor.insertBlock();
    edit.document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("tall")),
                                 QImage(8, 8, QImage::Format_RGB32));
    QTextImageFormat image;
    image.setName(QStringLiteral("tall"));
    image.setWidth(200);
    image.setHeight(3 * 3300);
    cursor.insertImage(image);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Poslednji red"));
    const QString word(10000, QLatin1Char('x')); // one word far wider than the sheet
    cursor.insertBlock();
    cursor.insertText(word);

    TPreviewPrinter printer;
    printer.PrintRichEdit(&edit);
    QVERIFY(printer.PageCount() >= 2);
    QVERIFY(printer.PageCount() <= 4);
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    QString all;
    for (int page = 1; page <= printer.PageCount(); ++page) {
        all += pdfPageText(file(1), page);
    }
    QVERIFY(all.contains(QStringLiteral("Prvi red")));
    QVERIFY(all.contains(QStringLiteral("Poslednji red")));
}

void TestPreviewPrinter::pageNumberTextFromSettings()
{
    QTextEdit edit;
    TTextOptions options = withTextFonts(mainWindowTextOptions());
    options.PageNumText = QStringLiteral("Strana %d od %s 100%");
    TPreviewPrinter printer(nullptr, options);
    printer.PrintRichEdit(&edit);
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    QVERIFY(pdfPageText(file(1), 1).contains(QStringLiteral("Strana 1 od %s 100%")));
}

void TestPreviewPrinter::copiesAndRangeMakeJobs()
{
    QTextEdit edit;
    previewtest::fillPages(edit, 5);
    TPreviewPrinter printer(nullptr, withTextFonts(mainWindowTextOptions()));
    printer.setTitle(QStringLiteral("Ugovor"));
    printer.PrintRichEdit(&edit);
    QCOMPARE(printer.PageCount(), 5);
    QList<Status> status;
    connect(&printer, &TPreviewPrinter::OnStatus, this,
            [&status](const QString& m, int page, TStatusType type) { status.append({m, page, type}); });

    platform::PrintRequest request;
    request.allPages = false;
    request.fromPage = 2;
    request.toPage = 3;
    request.copies = 3;
    m_env->answerPrint(request);
    QVERIFY(printer.Print());
    QCOMPARE(m_env->offeredRange(), std::make_pair(1, 5));
    QCOMPARE(m_env->jobFiles().size(), 3);
    QCOMPARE(m_env->jobTitles(), QStringList(3, QStringLiteral("Ugovor")));
    for (int job = 1; job <= 3; ++job) {
        QCOMPARE(pdfPageCount(file(job)), 2);
        QVERIFY(pdfPageText(file(job), 1).contains(QStringLiteral("Sadržaj B")));
        QCOMPARE(numbersAfter(QStringLiteral("Strana"), pdfPageText(file(job), 2)), QList<int>{3});
    }
    QCOMPARE(status.size(), 9);
    QCOMPARE(status[0].message, QStringLiteral("Printing page 2"));
    QCOMPARE(status[0].page, 2);
    QCOMPARE(status[1].message, QStringLiteral("Printing page 3"));
    QCOMPARE(status[2].message, QStringLiteral("Print Job Complete"));
    QCOMPARE(status[2].page, -1);
    QCOMPARE(status[2].type, TStatusType::stPrintComplete);
    // Printing consumes nothing.
    QCOMPARE(printer.PageCount(), 5);
}

void TestPreviewPrinter::cancelledPrintPrintsNothing()
{
    QTextEdit edit;
    TPreviewPrinter printer;
    printer.PrintRichEdit(&edit);
    m_env->answerPrint(std::nullopt);
    QVERIFY(!printer.Print());
    QVERIFY(m_env->jobFiles().isEmpty());
}

void TestPreviewPrinter::failingPrinterReportsAndRestoresCursor()
{
    QTextEdit edit;
    TPreviewPrinter printer;
    printer.PrintRichEdit(&edit);
    m_env.reset();
    m_env = std::make_unique<PdfPrinterEnvironment>(m_dir->filePath(QStringLiteral("missing/folder")));
    m_env->answerPrint(allPages());
    QVERIFY_THROWS_EXCEPTION(preview::PrinterError, printer.Print());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestPreviewPrinter::printSequenceChecks()
{
    testsupport::ScriptedPrompter prompter;
    m_env->setDefaultPrinterName(QString());
    QVERIFY(!platform::printerReady(nullptr));
    QCOMPARE(prompter.texts(), QList<QByteArray>{"Printer nije detektovan"});

    prompter.clear();
    m_env->setDefaultPrinterName(QStringLiteral("PDF"));
    m_env->answerSetup(false);
    QVERIFY(!platform::printerReady(nullptr));
    m_env->answerSetup(true);
    QVERIFY(platform::printerReady(nullptr));
    QVERIFY(prompter.asked().isEmpty());
}

QTEST_MAIN(TestPreviewPrinter)
#include "tst_previewprinter.moc"
