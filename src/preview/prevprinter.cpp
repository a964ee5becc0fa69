#include "prevprinter.h"

#include "errors.h"
#include "pagepicture.h"
#include "pagesetupdlg.h"
#include "prevform.h"
#include "printerenv.h"
#include "richpages.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextEdit>

using preview::DeviceMetrics;

namespace {

// The hourglass for the length of one operation, also when it fails.
class WaitCursor final {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

DeviceMetrics screenMetrics()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpiX = screen != nullptr ? qRound(screen->logicalDotsPerInchX()) : 96;
    const int dpiY = screen != nullptr ? qRound(screen->logicalDotsPerInchY()) : 96;
    return preview::letterSheet(dpiX, dpiY);
}

DeviceMetrics printerMetrics(const QPrinter& printer)
{
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    if (paper.width() <= 0) {
        return screenMetrics();
    }
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    DeviceMetrics m;
    m.LOGPIXELSX = printer.logicalDpiX();
    m.LOGPIXELSY = printer.logicalDpiY();
    m.PHYSICALWIDTH = paper.width();
    m.PHYSICALHEIGHT = paper.height();
    m.PHYSICALOFFSETX = printable.x() - paper.x();
    m.PHYSICALOFFSETY = printable.y() - paper.y();
    return m;
}

QPageLayout::Orientation pageOrientation(TPrinterOrientation orientation)
{
    return orientation == TPrinterOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

} // namespace

TPreviewPrinter::TPreviewPrinter(QObject* owner, const TTextOptions& design) : QObject(owner), m_textOptions(design)
{
    Loaded();
}

TPreviewPrinter::~TPreviewPrinter() = default;

void TPreviewPrinter::Loaded()
{
    TPageSetupForm form;
    form.setPrinter(this);
    form.LoadDefaults();
}

void TPreviewPrinter::setUnits(TUnits units)
{
    m_units = units;
    m_unitFactor = preview::unitFactor(units);
}

const QPicture& TPreviewPrinter::Pages(int index) const
{
    return *m_pages.at(index);
}

int TPreviewPrinter::UnitsToPixelsX(double Value) const
{
    return preview::unitsToPixels(Value, m_metrics.LOGPIXELSX, m_unitFactor);
}

int TPreviewPrinter::UnitsToPixelsY(double Value) const
{
    return preview::unitsToPixels(Value, m_metrics.LOGPIXELSY, m_unitFactor);
}

double TPreviewPrinter::PixelsToUnits(int Pixels) const
{
    return double(Pixels) / m_metrics.LOGPIXELSX * m_unitFactor;
}

void TPreviewPrinter::BeginDoc()
{
    m_printing = true;
    m_canvas.reset();
    m_pages.clear();
    NewPage();
}

void TPreviewPrinter::NewPage()
{
    if (!m_printing) {
        throw preview::AssertionFailure();
    }
    // Each page is recorded against the printer as it is now; without one, against the screen.
    platform::PrinterEnvironment& env = platform::printerEnvironment();
    m_reference = nullptr;
    if (env.printersInstalled()) {
        QPrinter& printer = env.printer();
        printer.setPageOrientation(pageOrientation(m_orientation));
        if (printer.isValid()) {
            m_reference = &printer;
            m_metrics = printerMetrics(printer);
        }
    }
    if (m_reference == nullptr) {
        m_metrics = screenMetrics();
    }

    auto page = std::make_unique<preview::PagePicture>(m_metrics.LOGPIXELSX, m_metrics.LOGPIXELSY);
    auto canvas = std::make_unique<QPainter>(page.get());
    if (m_canvas) {
        // Setting the font again resolves its point size at this page's resolution.
        canvas->setFont(m_canvas->font());
        canvas->setBrush(m_canvas->brush());
        canvas->setPen(m_canvas->pen());
    } else {
        canvas->setFont(QFont(QStringLiteral("Arial"), 10));
        canvas->setBrush(Qt::NoBrush);
    }
    m_pages.push_back(std::move(page));
    m_canvas = std::move(canvas); // ends the previous page's recording
    m_canvasUsed = false;
    emit OnStatus(QStringLiteral("Kreiram stranu %1").arg(PageCount()), PageCount(), TStatusType::stPageCreated);
}

void TPreviewPrinter::EndDoc()
{
    m_printing = false;
    m_canvas.reset();
    if (!m_canvasUsed && !m_pages.empty()) {
        m_pages.pop_back();
    }
    emit OnStatus(QStringLiteral("Kreiranje gotovo"), -1, TStatusType::stDocumentCreated);
}

QPainter* TPreviewPrinter::Canvas()
{
    if (!m_printing) {
        throw preview::AssertionFailure("Canvas is not available before BeginDoc");
    }
    m_canvasUsed = true;
    return m_canvas.get();
}

void TPreviewPrinter::DrawAlignedText(int Y, TAlignment Alignment, const QString& Text, const TFont* Font)
{
    QPainter& canvas = *Canvas();
    canvas.save();
    if (Font != nullptr) {
        canvas.setFont(*Font);
        canvas.setPen(Font->Color);
    }
    const QString drawn = preview::drawnText(Text, canvas.font().family());
    const QFontMetrics metrics = canvas.fontMetrics();
    const int x = preview::alignedTextX(Alignment, metrics.horizontalAdvance(drawn), m_metrics.PHYSICALWIDTH,
                                        UnitsToPixelsX(m_textOptions.MarginLeft),
                                        UnitsToPixelsX(m_textOptions.MarginRight));
    canvas.drawText(QPoint(x, Y + metrics.ascent()), drawn);
    canvas.restore();
}

void TPreviewPrinter::DrawHeaderFooter(int PageNumber)
{
    const TTextOptions& o = m_textOptions;
    const int headerY = UnitsToPixelsY(o.HeaderMargin);
    const int footerY = m_metrics.PHYSICALHEIGHT - UnitsToPixelsY(o.FooterMargin);
    DrawAlignedText(headerY, o.HeaderAlign, o.Header, &o.HeaderFont);
    DrawAlignedText(footerY, o.FooterAlign, o.Footer, &o.FooterFont);
    if (o.PrintPageNumber != TPrintPageNumber::pnNone) {
        const int y = o.PrintPageNumber == TPrintPageNumber::pnBottom ? footerY : headerY;
        DrawAlignedText(y, o.PageNumAlign, preview::pageNumberText(o.PageNumText, PageNumber), &o.PageNumFont);
    }
}

void TPreviewPrinter::PrintRichEdit(QTextEdit* RichEdit)
{
    if (RichEdit == nullptr) {
        throw preview::AssertionFailure();
    }
    WaitCursor wait;
    // Every length of the options is read as inches while the text is paginated.
    struct UnitsGuard {
        TPreviewPrinter& printer;
        TUnits kept;
        ~UnitsGuard() { printer.setUnits(kept); }
    } unitsGuard{*this, m_units};
    setUnits(TUnits::unInches);

    std::unique_ptr<preview::RichTextPages> text;
    int position = 0;
    int pageNumber = 0;
    bool more = true;
    while (more) {
        if (pageNumber == 0) {
            BeginDoc();
        } else {
            NewPage();
        }
        ++pageNumber;
        DrawHeaderFooter(pageNumber);
        if (!text) {
            const QRectF area = preview::twipsToPixels(preview::richTextTwips(m_metrics, m_textOptions), m_metrics);
            text = std::make_unique<preview::RichTextPages>(*RichEdit->document(), m_reference, area);
        }
        const preview::RichTextPages::Step step = text->formatPage(*Canvas(), position);
        position = step.next;
        more = step.more;
    }
    EndDoc();
}

void TPreviewPrinter::Preview()
{
    if (m_printing) {
        throw preview::AssertionFailure();
    }
    TPreviewForm form(this);
    switch (m_zoomOption) {
    case TZoomOption::zoFitToWidth: form.ZoomBox->setCurrentIndex(preview::kFitWidthItem); break;
    case TZoomOption::zoCustom: form.setCustomZoom(m_zoomVal / 100.0); break;
    case TZoomOption::zoFitToPage:
    case TZoomOption::zoTwoPages: form.ZoomBox->setCurrentIndex(preview::kFitPageItem); break;
    }
    form.LayoutPage();
    form.exec();
}

bool TPreviewPrinter::Print(QWidget* parent)
{
    if (m_pages.empty()) {
        return false;
    }
    const std::optional<platform::PrintRequest> request =
        platform::printerEnvironment().printDialog(parent, 1, PageCount());
    if (!request) {
        return false;
    }
    const auto [from, to] = preview::printIndexes(*request, PageCount());
    for (int copy = 0; copy < request->copies; ++copy) {
        PrintPages(from, to);
    }
    return true;
}

void TPreviewPrinter::PrintPages(int FromIndex, int ToIndex)
{
    WaitCursor wait;
    platform::PrinterEnvironment& env = platform::printerEnvironment();
    QPrinter& printer = env.printer();
    printer.setPageOrientation(pageOrientation(m_orientation));
    const std::unique_ptr<QPainter> painter = env.beginJob(m_title);
    if (!painter) {
        throw preview::PrinterError("Gre{ka pri {tampanju");
    }
    m_metrics = printerMetrics(printer);
    for (int index = FromIndex; index <= ToIndex; ++index) {
        emit OnStatus(QStringLiteral("Printing page %1").arg(index + 1), index + 1, TStatusType::stPrintingPage);
        // The picture's origin is the sheet's corner; the printer's is the printable area's.
        painter->save();
        painter->translate(-m_metrics.PHYSICALOFFSETX, -m_metrics.PHYSICALOFFSETY);
        preview::playPicture(*painter, Pages(index));
        painter->restore();
        if (index < ToIndex && !printer.newPage()) {
            throw preview::PrinterError("Gre{ka pri {tampanju");
        }
    }
    painter->end();
    emit OnStatus(QStringLiteral("Print Job Complete"), -1, TStatusType::stPrintComplete);
}
