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
#include <QTextTable>
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

// Texts whose every line can be told apart: numbered words "r0001 r0002 ...", so a line printed
// twice or lost shows in the words read back from the PDF.
struct NumberedText {
    int words = 0;          // numbered words in all
    int paragraphWords = 0; // words to a paragraph; 0 puts them all in one
    int headingPoints = 0;  // a heading "Naslov N" of this size before each paragraph; 0 for none
    QString family = QStringLiteral("YHelvetica");
    bool table = false;     // the paragraphs become the cells of a table, two to a row
    double lineSpacing = 0; // lines set exactly this far apart (pixels of the screen), as text
                            // files may ask; 0 for the font's own spacing
};

// Fills `edit` and returns its numbered tokens ("Naslov1", "r0001", ...) by paragraph (a heading
// is taken with its paragraph).
QList<QStringList> fillNumbered(QTextEdit& edit, const NumberedText& spec)
{
    edit.clear();
    QTextCursor cursor(edit.document());
    QTextCharFormat body;
    body.setFontFamilies({spec.family});
    body.setFontPointSize(11);
    QTextCharFormat heading = body;
    heading.setFontPointSize(spec.headingPoints);
    heading.setFontWeight(QFont::Bold);
    QTextBlockFormat paragraph;
    if (spec.lineSpacing > 0) {
        paragraph.setLineHeight(spec.lineSpacing, QTextBlockFormat::FixedHeight);
    }
    const int perParagraph = spec.paragraphWords > 0 ? spec.paragraphWords : spec.words;
    const int paragraphs = (spec.words + perParagraph - 1) / perParagraph;
    QTextTable* table = nullptr;
    if (spec.table) {
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table = cursor.insertTable((paragraphs + 1) / 2, 2, format);
    }
    QList<QStringList> tokens;
    int word = 0;
    for (int p = 0; p < paragraphs; ++p) {
        if (table != nullptr) {
            cursor = table->cellAt(p / 2, p % 2).firstCursorPosition();
        } else if (p > 0) {
            cursor.insertBlock();
        }
        QStringList own;
        if (spec.headingPoints > 0) {
            own << QStringLiteral("Naslov%1").arg(p + 1);
            cursor.insertText(own.last(), heading);
            cursor.insertBlock();
        }
        cursor.setBlockFormat(paragraph);
        QStringList line;
        for (int i = 0; i < perParagraph && word < spec.words; ++i) {
            line << QStringLiteral("r%1").arg(++word, 4, 10, QLatin1Char('0'));
        }
        own += line;
        cursor.insertText(line.join(QLatin1Char(' ')), body);
        tokens << own;
    }
    return tokens;
}

// The numbered tokens of a PDF page, in the order pdftotext reads them.
QStringList numberedTokens(const QString& file, int page)
{
    static const QRegularExpression token(QStringLiteral("\\b(?:Naslov\\d+|r\\d{4})\\b"));
    QStringList tokens;
    for (auto it = token.globalMatch(pdfPageText(file, page)); it.hasNext();) {
        tokens << it.next().captured(0);
    }
    return tokens;
}

} // namespace

Q_DECLARE_METATYPE(NumberedText)

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
    void eachLinePrintsOnce_data();
    void eachLinePrintsOnce();
    void lastLineAloneOnItsPage();
    void headerFooterAndPageNumberPositions();
    void linesReadAsTheirFontsDrawThem_data();
    void linesReadAsTheirFontsDrawThem();
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

void TestPreviewPrinter::eachLinePrintsOnce_data()
{
    QTest::addColumn<NumberedText>("spec");
    QTest::addColumn<bool>("breaksParagraph"); // some page break falls inside a paragraph
    QTest::newRow("page break inside a paragraph") << NumberedText{900} << true;
    QTest::newRow("Cyrillic font") << NumberedText{900, 0, 0, QStringLiteral("CHelvetica")} << true;
    // Headings of another height shift where the lines fall against the page's edge.
    for (const int words : {23, 37, 53, 71}) {
        QTest::addRow("headings, paragraphs of %d words", words) << NumberedText{900, words, 20} << false;
    }
    // Lines set closer than their font is high reach above the page's top edge.
    QTest::newRow("exact line spacing") << NumberedText{1100, 0, 0, QStringLiteral("YHelvetica"), false, 13} << true;
    QTest::newRow("table rows across the page")
        << NumberedText{1400, 41, 0, QStringLiteral("YHelvetica"), true} << true;
}

void TestPreviewPrinter::eachLinePrintsOnce()
{
    QFETCH(NumberedText, spec);
    QFETCH(bool, breaksParagraph);
    QTextEdit edit;
    const QList<QStringList> paragraphs = fillNumbered(edit, spec);
    QStringList tokens;
    for (const QStringList& paragraph : paragraphs) {
        tokens += paragraph;
    }
    TPreviewPrinter printer(nullptr, withTextFonts(viewerTextOptions()));
    printer.PrintRichEdit(&edit);
    const int pages = printer.PageCount();
    QVERIFY2(pages >= 2 && pages <= 4, qPrintable(QString::number(pages)));
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());
    QCOMPARE(pdfPageCount(file(1)), pages);

    QMap<QString, int> pageOf;
    QStringList printed;
    double previousBottom = 0;
    for (int page = 1; page <= pages; ++page) {
        const QStringList onPage = numberedTokens(file(1), page);
        QVERIFY2(!onPage.isEmpty(), qPrintable(QString::number(page)));
        for (const QString& token : onPage) {
            QVERIFY2(!pageOf.contains(token),
                     qPrintable(QStringLiteral("%1 on pages %2 and %3").arg(token).arg(pageOf.value(token)).arg(page)));
            pageOf.insert(token, page);
        }
        printed += onPage;

        // The lines break where the layout puts them: each page's text begins at the top of the
        // text rectangle (an inch down) and ends above its bottom (an inch up), and the first line
        // of the next page would not have fitted on this one.
        double top = 792;
        double bottom = 0;
        double firstHeight = 0;
        for (const PdfWord& word : pdfPageWords(file(1), page)) {
            if (tokens.contains(word.text)) {
                if (word.yMin < top) {
                    top = word.yMin;
                    firstHeight = word.yMax - word.yMin;
                }
                bottom = std::max(bottom, word.yMax);
            }
        }
        QVERIFY2(qAbs(top - 72) < 10, qPrintable(QString::number(top)));
        QVERIFY2(bottom < 792 - 72 + 6, qPrintable(QString::number(bottom)));
        if (page > 1) {
            QVERIFY2(previousBottom + firstHeight > 792 - 72 - 6,
                     qPrintable(QStringLiteral("%1 + %2").arg(previousBottom).arg(firstHeight)));
        }
        previousBottom = bottom;
    }
    // Every token once, nothing lost between pages.
    QCOMPARE(pageOf.size(), tokens.size());
    if (!spec.table) {
        QCOMPARE(printed, tokens);
    }
    // A paragraph goes on from page to page; a table's cells side by side do so each on its own.
    bool split = false;
    for (const QStringList& paragraph : paragraphs) {
        for (int i = 1; i < paragraph.size(); ++i) {
            QVERIFY2(pageOf.value(paragraph[i - 1]) <= pageOf.value(paragraph[i]), qPrintable(paragraph[i]));
            split = split || pageOf.value(paragraph[i - 1]) < pageOf.value(paragraph[i]);
        }
    }
    if (breaksParagraph) {
        QVERIFY(split);
    }
}

void TestPreviewPrinter::lastLineAloneOnItsPage()
{
    // A paragraph whose first line does not fit is moved down to the next page whole; when it is
    // the text's last, its page must still be made. A heading of another height makes the lines
    // end short of the page's edge for one of these lengths.
    bool alone = false;
    for (int lines = 40; lines <= 56 && !alone; ++lines) {
        QTextEdit edit;
        QTextCursor cursor(edit.document());
        QTextCharFormat body;
        body.setFontFamilies({QStringLiteral("YHelvetica")});
        body.setFontPointSize(11);
        QTextCharFormat heading = body;
        heading.setFontPointSize(20);
        cursor.insertText(QStringLiteral("Naslov1"), heading);
        QStringList tokens{QStringLiteral("Naslov1")};
        for (int i = 1; i <= lines; ++i) {
            tokens << QStringLiteral("r%1").arg(i, 4, 10, QLatin1Char('0'));
            cursor.insertBlock();
            cursor.insertText(tokens.last(), body);
        }
        TPreviewPrinter printer(nullptr, withTextFonts(viewerTextOptions()));
        printer.PrintRichEdit(&edit);
        m_env->answerPrint(allPages());
        QVERIFY(printer.Print());
        const QString pdf = m_env->jobFiles().last();
        QStringList printed;
        for (int page = 1; page <= pdfPageCount(pdf); ++page) {
            printed += numberedTokens(pdf, page);
        }
        QCOMPARE(printed, tokens);
        alone = pdfPageCount(pdf) == 2 && numberedTokens(pdf, 2) == QStringList{tokens.last()};
    }
    QVERIFY(alone);
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

void TestPreviewPrinter::linesReadAsTheirFontsDrawThem_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("header"); // as given, then as the page shows it and its text reads
    QTest::addColumn<QString>("headerRead");
    QTest::addColumn<QString>("footer");
    QTest::addColumn<QString>("footerRead");
    QTest::addColumn<QString>("pageRead");
    // The Latin fonts draw the ten codes as letters.
    QTest::newRow("Latin font") << QStringLiteral("YHelvetica") << QStringLiteral("[tampa {ume")
                                << QStringLiteral("Štampa šume") << QStringLiteral("Ugovor o ra~unu")
                                << QStringLiteral("Ugovor o računu") << QStringLiteral("Strana 3");
    // The Cyrillic font draws every ASCII letter as its Cyrillic twin: the caption "Strana %d" shows
    // as "Страна", and a line already given in Cyrillic letters stays as it is.
    QTest::newRow("Cyrillic font") << QStringLiteral("CHelvetica") << QStringLiteral("Korvelin, Dremvalo d.o.o.")
                                   << QStringLiteral("Корвелин, Дремвало д.о.о.") << QStringLiteral("Уговор о рачуну")
                                   << QStringLiteral("Уговор о рачуну") << QStringLiteral("Страна 3");
    // Any other font shows the characters themselves.
    QTest::newRow("other font") << QStringLiteral("DejaVu Sans") << QStringLiteral("[tampa {ume")
                                << QStringLiteral("[tampa {ume") << QStringLiteral("Ugovor") << QStringLiteral("Ugovor")
                                << QStringLiteral("Strana 3");
}

void TestPreviewPrinter::linesReadAsTheirFontsDrawThem()
{
    QFETCH(QString, family);
    QFETCH(QString, header);
    QFETCH(QString, headerRead);
    QFETCH(QString, footer);
    QFETCH(QString, footerRead);
    QFETCH(QString, pageRead);
    QTextEdit edit;
    previewtest::fillPages(edit, 3);
    TTextOptions options = mainWindowTextOptions();
    for (TFont* font : {&options.HeaderFont, &options.FooterFont, &options.PageNumFont}) {
        font->setFamily(family);
    }
    options.Header = header;
    options.Footer = footer;
    options.FooterAlign = TAlignment::taLeftJustify;
    TPreviewPrinter printer(nullptr, options);
    printer.PrintRichEdit(&edit);
    QCOMPARE(printer.PageCount(), 3);
    m_env->answerPrint(allPages());
    QVERIFY(printer.Print());

    // On a Letter sheet of 612 x 792 points; the lines stand where they stood before.
    const QList<PdfWord> words = pdfPageWords(file(1), 3);
    const auto headerLine = findLine(words, headerRead);
    QVERIFY2(headerLine, qPrintable(pdfPageText(file(1), 3)));
    QVERIFY(qAbs((headerLine->xMin + headerLine->xMax) / 2 - 306) < 1.5);
    QVERIFY(qAbs(headerLine->yMin - 36) < 1);
    const auto footerLine = findLine(words, footerRead);
    QVERIFY2(footerLine, qPrintable(pdfPageText(file(1), 3)));
    QVERIFY(qAbs(footerLine->xMin - 72) < 1);
    const auto number = findLine(words, pageRead);
    QVERIFY2(number, qPrintable(pdfPageText(file(1), 3)));
    QVERIFY(qAbs(number->xMax - (612 - 72)) < 1);
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
    QCOMPARE(all.count(QStringLiteral("Prvi red")), 1);
    QCOMPARE(all.count(QStringLiteral("Poslednji red")), 1);
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
