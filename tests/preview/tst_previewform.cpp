#include "appvalues.h"
#include "hints.h"
#include "pdfprinterenv.h"
#include "prevform.h"
#include "prevprinter.h"
#include "registry.h"
#include "testdoc.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRawFont>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using testsupport::PdfPrinterEnvironment;

class TestPreviewForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onePageDisablesEveryMove();
    void navigationFollowsThePage();
    void hundredPercentIsRealSize();
    void fitToPageFillsTheHeight();
    void fitToWidthFillsTheWidth();
    void zoomToolClampsAndLabels();
    void middleClickRecentresOnly();
    void resizeKeepsTheChosenItem();
    void sheetInItsOwnProportions();
    void printFromThePreview();
    void hintsStayOutWhileOpen();
    void previewIsModalAndStartsAsDesigned_data();
    void previewIsModalAndStartsAsDesigned();
    void fitButtonsShowTheirBrackets();

private:
    // A window of the given size showing `printer`'s document at the zoom item `item`.
    std::unique_ptr<TPreviewForm> openForm(TPreviewPrinter& printer, QSize size, int item);
    // A document of `pages` pages, each with a black square in its bottom-right quarter.
    static void drawPages(TPreviewPrinter& printer, int pages);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PdfPrinterEnvironment> m_env;
};

void TestPreviewForm::initTestCase()
{
    previewtest::installFonts();
    QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
}

void TestPreviewForm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    platform::setRegistryFolder(m_dir->path());
    m_env = std::make_unique<PdfPrinterEnvironment>(m_dir->path());
    // Pages laid out for the screen: a Letter sheet of 816 x 1056 pixels.
    m_env->setInstalled(false);
}

void TestPreviewForm::cleanup()
{
    QCOMPARE(m_env->unexpected(), QStringList());
    m_env.reset();
}

void TestPreviewForm::drawPages(TPreviewPrinter& printer, int pages)
{
    printer.BeginDoc();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) {
            printer.NewPage();
        }
        const preview::DeviceMetrics& m = printer.Metrics();
        printer.Canvas()->fillRect(m.PHYSICALWIDTH / 2, m.PHYSICALHEIGHT / 2, m.PHYSICALWIDTH / 2,
                                   m.PHYSICALHEIGHT / 2, Qt::black);
    }
    printer.EndDoc();
}

std::unique_ptr<TPreviewForm> TestPreviewForm::openForm(TPreviewPrinter& printer, QSize size, int item)
{
    auto form = std::make_unique<TPreviewForm>(&printer);
    form->setWindowState(Qt::WindowNoState);
    form->resize(size);
    form->ZoomBox->setCurrentIndex(item);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
        return nullptr;
    }
    // Scroll bars come and go after the layout that asked for them.
    QCoreApplication::processEvents();
    return form;
}

void TestPreviewForm::onePageDisablesEveryMove()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(800, 600), 0);
    QVERIFY(form);
    QCOMPARE(form->CurPageLabel->text(), QStringLiteral("Strana 1 od 1"));
    for (QWidget* move : std::initializer_list<QWidget*>{form->PrevPageBut, form->NextPageBut, form->FirstPageSpeed,
                                                         form->PrevPageSpeed, form->NextPageSpeed,
                                                         form->LastPageSpeed}) {
        QVERIFY2(!move->isEnabled(), qPrintable(move->objectName()));
    }
}

void TestPreviewForm::navigationFollowsThePage()
{
    TPreviewPrinter printer;
    drawPages(printer, 5);
    const auto form = openForm(printer, QSize(800, 600), 6);
    QVERIFY(form);
    QTest::mouseClick(form->NextPageBut, Qt::LeftButton);
    QTest::mouseClick(form->NextPageSpeed, Qt::LeftButton);
    QCOMPARE(form->CurPage(), 2);
    QCOMPARE(form->CurPageLabel->text(), QStringLiteral("Strana 3 od 5"));
    QVERIFY(form->NextPageBut->isEnabled());
    QVERIFY(form->PrevPageBut->isEnabled());
    QVERIFY(form->FirstPageSpeed->isEnabled());

    const double zoom = form->Zoom();
    QTest::mouseClick(form->LastPageSpeed, Qt::LeftButton);
    QCOMPARE(form->CurPage(), 4);
    QCOMPARE(form->CurPageLabel->text(), QStringLiteral("Strana 5 od 5"));
    QVERIFY(!form->NextPageBut->isEnabled());
    QVERIFY(!form->NextPageSpeed->isEnabled());
    QVERIFY(!form->LastPageSpeed->isEnabled());
    QVERIFY(form->PrevPageSpeed->isEnabled());
    QCOMPARE(form->Zoom(), zoom); // moving keeps the zoom

    QTest::mouseClick(form->PrevPageBut, Qt::LeftButton);
    QCOMPARE(form->CurPageLabel->text(), QStringLiteral("Strana 4 od 5"));
    QTest::mouseClick(form->FirstPageSpeed, Qt::LeftButton);
    QCOMPARE(form->CurPage(), 0);
    QVERIFY(!form->PrevPageBut->isEnabled());
    QVERIFY(form->NextPageBut->isEnabled());
}

void TestPreviewForm::hundredPercentIsRealSize()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(600, 500), 6);
    QVERIFY(form);
    QCOMPARE(form->Zoom(), 1.0);
    QCOMPARE(form->PagePanel->size(), QSize(816, 1056));
    QCOMPARE(form->ContainPanel->size(), QSize(836, 1076));
    QCOMPARE(form->PagePanel->pos(), QPoint(10, 10));
    QCOMPARE(form->ZoomLabel->text(), QStringLiteral("100%"));
    QVERIFY(!form->FitPageBut->isChecked());
    QVERIFY(!form->FitWidthBut->isChecked());
}

void TestPreviewForm::fitToPageFillsTheHeight()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(1400, 600), 3);
    QVERIFY(form);
    QTest::mouseClick(form->FitPageBut, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(form->ZoomBox->currentIndex(), 0);
    QVERIFY(form->FitPageBut->isChecked());
    QVERIFY(!form->FitWidthBut->isChecked());
    const QSize view = form->ScrollBox1->viewport()->size();
    QVERIFY(qAbs(form->PagePanel->height() - (view.height() - 20)) <= 1);
    QCOMPARE(form->PagePanel->x(), form->ContainPanel->width() / 2 - form->PagePanel->width() / 2);
    QVERIFY(form->PagePanel->x() > 100); // centred across a wide view
    QVERIFY(!form->ScrollBox1->horizontalScrollBar()->isVisible());
    QVERIFY(!form->ScrollBox1->verticalScrollBar()->isVisible());
}

void TestPreviewForm::fitToWidthFillsTheWidth()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(500, 400), 0);
    QVERIFY(form);
    QTest::mouseClick(form->FitWidthBut, Qt::LeftButton);
    QCOMPARE(form->ZoomBox->currentIndex(), 1);
    QVERIFY(form->FitWidthBut->isChecked());
    QVERIFY(!form->FitPageBut->isChecked());
    // The page is taller than the view, which scrolls; the width is what is left beside the bar.
    QTRY_VERIFY(form->ScrollBox1->verticalScrollBar()->isVisible());
    const QSize view = form->ScrollBox1->viewport()->size();
    QVERIFY(qAbs(form->PagePanel->width() - (view.width() - 20)) <= 1);
    QVERIFY(!form->ScrollBox1->horizontalScrollBar()->isVisible());
}

void TestPreviewForm::zoomToolClampsAndLabels()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(800, 600), 6);
    QVERIFY(form);
    for (int i = 0; i < 10; ++i) {
        QTest::mouseClick(form->PB1, Qt::LeftButton, {}, QPoint(20, 20));
    }
    QCOMPARE(form->Zoom(), 20.0);
    QCOMPARE(form->ZoomBox->currentIndex(), 2);
    QCOMPARE(form->ZoomLabel->text(), QStringLiteral("2.000%"));
    QCOMPARE(form->PagePanel->size(), QSize(16320, 21120));
    for (int i = 0; i < 20; ++i) {
        QTest::mouseClick(form->PB1, Qt::RightButton, {}, QPoint(5, 5));
    }
    QCOMPARE(form->Zoom(), 0.15);
    QCOMPARE(form->ZoomLabel->text(), QStringLiteral("15%"));
}

void TestPreviewForm::middleClickRecentresOnly()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(500, 400), 6);
    QVERIFY(form);
    const QPoint click(600, 800);
    QTest::mouseClick(form->PB1, Qt::MiddleButton, {}, click);
    QCOMPARE(form->Zoom(), 1.0);
    QCOMPARE(form->ZoomBox->currentIndex(), 2);
    QScrollBar* h = form->ScrollBox1->horizontalScrollBar();
    QScrollBar* v = form->ScrollBox1->verticalScrollBar();
    const int wantH = int(816 * (600.0 / 816)) - form->ScrollBox1->width() / 2;
    const int wantV = int(1056 * (800.0 / 1056)) - form->ScrollBox1->height() / 2;
    QCOMPARE(h->value(), std::clamp(wantH, h->minimum(), h->maximum()));
    QCOMPARE(v->value(), std::clamp(wantV, v->minimum(), v->maximum()));
    QVERIFY(v->value() > 0);
}

void TestPreviewForm::resizeKeepsTheChosenItem()
{
    TPreviewPrinter printer;
    drawPages(printer, 1);
    auto form = openForm(printer, QSize(900, 500), 6);
    QVERIFY(form);
    form->resize(700, 800);
    QTRY_COMPARE(form->ScrollBox1->viewport()->height() > 600, true);
    QCOMPARE(form->ZoomBox->currentIndex(), 6);
    QCOMPARE(form->PagePanel->size(), QSize(816, 1056));

    form = openForm(printer, QSize(900, 500), 0);
    QVERIFY(form);
    const int before = form->PagePanel->height();
    form->resize(900, 800);
    QTRY_VERIFY(form->PagePanel->height() > before + 200);
    QCOMPARE(form->PagePanel->height(), form->ScrollBox1->viewport()->height() - 20);
    QCOMPARE(form->ZoomBox->currentIndex(), 0);
}

void TestPreviewForm::sheetInItsOwnProportions()
{
    // An A4 sheet across, recorded against a printer: the view keeps its shape and the black
    // quarter stays in the sheet's bottom-right quarter.
    m_env->setInstalled(true);
    m_env->printer().setPageSize(QPageSize(QPageSize::A4));
    TPreviewPrinter printer;
    printer.setOrientation(TPrinterOrientation::poLandscape);
    drawPages(printer, 1);
    const double across = double(printer.Metrics().PHYSICALWIDTH) / printer.Metrics().PHYSICALHEIGHT;
    QVERIFY(qAbs(across - 842.0 / 595) < 0.001);
    const auto form = openForm(printer, QSize(1000, 800), 6);
    QVERIFY(form);
    const QSize panel = form->PagePanel->size();
    QVERIFY(qAbs(double(panel.width()) / panel.height() - across) < 0.01);

    const QImage page = form->PB1->grab().toImage();
    auto dark = [&page](double fx, double fy) {
        return qGray(page.pixel(int(fx * (page.width() - 1)), int(fy * (page.height() - 1)))) < 64;
    };
    QVERIFY(dark(0.75, 0.75));
    QVERIFY(dark(0.98, 0.98));
    QVERIFY(dark(0.52, 0.52));
    QVERIFY(!dark(0.48, 0.48));
    QVERIFY(!dark(0.25, 0.75));
    QVERIFY(!dark(0.75, 0.25));
}

void TestPreviewForm::printFromThePreview()
{
    TPreviewPrinter printer;
    drawPages(printer, 3);
    const auto form = openForm(printer, QSize(800, 600), 0);
    QVERIFY(form);
    QTest::mouseClick(form->NextPageBut, Qt::LeftButton);

    m_env->answerPrint(std::nullopt);
    QTest::mouseClick(form->PrintBut, Qt::LeftButton);
    QVERIFY(form->isVisible());
    QCOMPARE(form->CurPage(), 1);
    QVERIFY(m_env->jobFiles().isEmpty());

    m_env->answerPrint(platform::PrintRequest());
    QTest::mouseClick(form->PrintBut, Qt::LeftButton);
    QVERIFY(form->isVisible());
    QCOMPARE(form->CurPage(), 1);
    QCOMPARE(testsupport::pdfPageCount(m_env->jobFiles().value(0)), 3);
}

void TestPreviewForm::hintsStayOutWhileOpen()
{
    QList<QByteArray> shown;
    const platform::HintHandler before = platform::setHintHandler([&shown](const QByteArray& h) { shown << h; });
    QWidget window;
    auto* field = new QLineEdit(&window);
    platform::setHint(field, "Pretraga naslova");
    window.show();
    // Hovering a control sends its status tip, which the application's hint handler receives.
    auto hover = [&] {
        shown.clear();
        QStatusTipEvent tip(field->statusTip());
        QApplication::sendEvent(field, &tip);
        return shown;
    };
    QCOMPARE(hover(), QList<QByteArray>{"Pretraga naslova"});

    TPreviewPrinter printer;
    drawPages(printer, 1);
    auto form = openForm(printer, QSize(800, 600), 0);
    QVERIFY(form);
    QCOMPARE(hover(), QList<QByteArray>());
    form->close();
    QCOMPARE(hover(), QList<QByteArray>{"Pretraga naslova"});

    // Destroying the window while it shows also gives the handler back.
    form = openForm(printer, QSize(800, 600), 0);
    QVERIFY(form);
    form.reset();
    QCOMPARE(hover(), QList<QByteArray>{"Pretraga naslova"});
    platform::setHintHandler(before);
}

void TestPreviewForm::previewIsModalAndStartsAsDesigned_data()
{
    QTest::addColumn<TZoomOption>("option");
    QTest::addColumn<int>("item");
    QTest::addColumn<double>("zoom"); // 0 when the view decides
    QTest::newRow("fit to page") << TZoomOption::zoFitToPage << 0 << 0.0;
    QTest::newRow("fit to width") << TZoomOption::zoFitToWidth << 1 << 0.0;
    QTest::newRow("two pages") << TZoomOption::zoTwoPages << 0 << 0.0;
    QTest::newRow("custom") << TZoomOption::zoCustom << 2 << 1.5;
}

void TestPreviewForm::previewIsModalAndStartsAsDesigned()
{
    QFETCH(TZoomOption, option);
    QFETCH(int, item);
    QFETCH(double, zoom);
    TPreviewPrinter printer;
    printer.setZoomOption(option);
    printer.setZoomVal(150);
    drawPages(printer, 2);

    bool seen = false;
    int seenItem = -1;
    double seenZoom = 0;
    QString label;
    QString title;
    bool maximized = false;
    QTimer::singleShot(0, this, [&] {
        auto* form = qobject_cast<TPreviewForm*>(QApplication::activeModalWidget());
        if (form == nullptr) {
            return;
        }
        seen = true;
        seenItem = form->ZoomBox->currentIndex();
        seenZoom = form->Zoom();
        label = form->CurPageLabel->text();
        title = form->windowTitle();
        maximized = form->windowState() & Qt::WindowMaximized;
        QTest::keyClick(form, Qt::Key_Escape);
    });
    printer.Preview();
    QVERIFY(seen);
    QCOMPARE(seenItem, item);
    if (zoom > 0) {
        QCOMPARE(seenZoom, zoom);
    }
    QCOMPARE(label, QStringLiteral("Strana 1 od 2"));
    QCOMPARE(title, QStringLiteral("Korvelin"));
    QVERIFY(maximized);
    QCOMPARE(printer.PageCount(), 2); // a preview consumes nothing
}

// The window is in the interface font, which draws the YUSCII codes as letters; the fit buttons'
// captions are drawings of brackets and bars, and must not read "Š Ć" and "đ<>đ".
void TestPreviewForm::fitButtonsShowTheirBrackets()
{
    const QString saved = appvalues::UIFontName;
    appvalues::UIFontName = QStringLiteral("YU Sans Serif");
    TPreviewPrinter printer;
    drawPages(printer, 1);
    const auto form = openForm(printer, QSize(800, 600), 0);
    appvalues::UIFontName = saved;
    QVERIFY(form);
    auto drawsAlike = [](const QFont& font, QChar a, QChar b) {
        const QRawFont raw = QRawFont::fromFont(font);
        const QList<quint32> glyphs = raw.glyphIndexesForString(QString(a) + b);
        return glyphs.size() == 2 && raw.pathForGlyph(glyphs[0]) == raw.pathForGlyph(glyphs[1]);
    };
    // The rest of the window speaks through the interface font, which is a YUSCII one.
    QCOMPARE(QFontInfo(form->PrintBut->font()).family(), QStringLiteral("YU Sans Serif"));
    QVERIFY(drawsAlike(form->PrintBut->font(), '[', QChar(0x0160)));
    QCOMPARE(form->FitPageBut->text(), QStringLiteral("[ ]"));
    QCOMPARE(form->FitWidthBut->text(), QStringLiteral("|<>|"));
    for (const QToolButton* button : {form->FitPageBut, form->FitWidthBut}) {
        QVERIFY(!drawsAlike(button->font(), '[', QChar(0x0160))); // Š
        QVERIFY(!drawsAlike(button->font(), ']', QChar(0x0106))); // Ć
        QVERIFY(!drawsAlike(button->font(), '|', QChar(0x0111))); // đ
    }
}

QTEST_MAIN(TestPreviewForm)
#include "tst_previewform.moc"
