#pragma once

// The page printer: turns rich text (or pages drawn by the caller) into a document of page
// pictures with header, footer and page number, shows them in the preview window and prints them.
// Windows use it in two calls after the print checks of printerenv.h:
//     if (platform::printerReady(this)) { PreviewPrinter1->PrintRichEdit(edit); PreviewPrinter1->Preview(); }

#include "pagegeometry.h"
#include "textoptions.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QPicture;
class QTextEdit;
class QWidget;

namespace preview {
class PagePicture;
}

class TPreviewPrinter final : public QObject {
    Q_OBJECT
public:
    // Takes the options a window designed it with, then applies the stored page set-up defaults
    // over them.
    explicit TPreviewPrinter(QObject* owner = nullptr, const TTextOptions& design = TTextOptions());
    ~TPreviewPrinter() override;

    TPrinterOrientation Orientation() const { return m_orientation; }
    void setOrientation(TPrinterOrientation orientation) { m_orientation = orientation; }
    // The print job's name.
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    TTextOptions& TextOptions() { return m_textOptions; }
    const TTextOptions& TextOptions() const { return m_textOptions; }
    void setTextOptions(const TTextOptions& options) { m_textOptions = options; }
    TUnits Units() const { return m_units; }
    // Also sets the unit factor; lengths already given are not converted.
    void setUnits(TUnits units);
    double UnitFactor() const { return m_unitFactor; }
    // The preview window's zoom when it opens; ZoomVal is a percentage for zoCustom.
    TZoomOption ZoomOption() const { return m_zoomOption; }
    void setZoomOption(TZoomOption option) { m_zoomOption = option; }
    int ZoomVal() const { return m_zoomVal; }
    void setZoomVal(int percent) { m_zoomVal = percent; }

    // True between BeginDoc and EndDoc.
    bool Printing() const { return m_printing; }
    // The reference device of the last page recorded (or of the last print job).
    const preview::DeviceMetrics& Metrics() const { return m_metrics; }

    // Paginates the whole text of `RichEdit` into a new document of at least one page.
    void PrintRichEdit(QTextEdit* RichEdit);
    // Shows the document in the preview window, modally.
    void Preview();
    // The print dialog, then the chosen pages, each copy as a job of its own. False when the user
    // cancelled (or there is nothing to print).
    bool Print(QWidget* parent = nullptr);
    // Prints the pages FromIndex to ToIndex (from 0) as one print job.
    void PrintPages(int FromIndex, int ToIndex);

    // Drawing one's own pages: BeginDoc, then Canvas() for each page and NewPage() between pages,
    // then EndDoc. A last page that never took Canvas() is dropped.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    // The painter recording the current page, in device pixels from the sheet's corner.
    QPainter* Canvas();

    int PageCount() const { return int(m_pages.size()); }
    const QPicture& Pages(int index) const;

    int UnitsToPixelsX(double Value) const;
    int UnitsToPixelsY(double Value) const;
    double PixelsToUnits(int Pixels) const;
    // One line of text with its top at `Y`, placed by the margins; a null font draws in the
    // canvas's own.
    void DrawAlignedText(int Y, TAlignment Alignment, const QString& Text, const TFont* Font);
    void DrawHeaderFooter(int PageNumber);

signals:
    // Progress: "Kreiram stranu %d", "Printing page %d" (page numbers from 1), "Kreiranje gotovo"
    // and "Print Job Complete" (page -1).
    void OnStatus(const QString& StatMsg, int PageNum, TStatusType StatusType);

private:
    void Loaded();

    TPrinterOrientation m_orientation = TPrinterOrientation::poPortrait;
    bool m_printing = false;
    QString m_title;
    std::vector<std::unique_ptr<preview::PagePicture>> m_pages;
    std::unique_ptr<QPainter> m_canvas;
    QPaintDevice* m_reference = nullptr; // the device the current document is laid out for; null for the screen
    preview::DeviceMetrics m_metrics;
    bool m_canvasUsed = false;
    TTextOptions m_textOptions;
    TUnits m_units = TUnits::unInches;
    double m_unitFactor = 1.0;
    TZoomOption m_zoomOption = TZoomOption::zoFitToPage;
    int m_zoomVal = 100;
};
