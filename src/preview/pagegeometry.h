#pragma once

// The arithmetic of pages: device metrics, units, the rich-text rectangle, where header and footer
// lines fall, page-number text, print ranges, the preview's zoom and the text forms of numbers.

#include "textoptions.h"

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>
#include <utility>

namespace platform {
struct PrintRequest;
}

namespace preview {

// The reference device as pages are recorded against it: pixels per inch, the physical sheet and
// the printable area's distance from the sheet's corner, all in device pixels.
struct DeviceMetrics {
    int LOGPIXELSX = 0;
    int LOGPIXELSY = 0;
    int PHYSICALWIDTH = 0;
    int PHYSICALHEIGHT = 0;
    int PHYSICALOFFSETX = 0;
    int PHYSICALOFFSETY = 0;
};

// A device without a sheet (the screen) is taken to hold a US Letter sheet at its resolution.
DeviceMetrics letterSheet(int pixelsPerInchX, int pixelsPerInchY);

// To the nearest integer, halves to the even neighbour.
int roundEven(double value);

// Units per inch: 1.0 for inches, 2.54 for centimetres.
double unitFactor(TUnits units);
int unitsToPixels(double value, int pixelsPerInch, double factor);

// The rich-text layout rectangle in twips (1440 to the inch) from the sheet's corner, given by its
// edges. Every margin is read as inches.
struct TwipRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
TwipRect richTextTwips(const DeviceMetrics& metrics, const TTextOptions& options);
// The same rectangle in device pixels.
QRectF twipsToPixels(const TwipRect& twips, const DeviceMetrics& metrics);

// The left edge of a line of text `textWidth` wide; `leftMargin` and `rightMargin` in pixels.
int alignedTextX(TAlignment alignment, int textWidth, int sheetWidth, int leftMargin, int rightMargin);

// The page number put in place of every "%d"; the rest of the text is kept as written, so a
// stored text with other format characters cannot upset it.
QString pageNumberText(const QString& text, int pageNumber);

// What a line in `family` shows, as letters. The program's own fonts draw YUSCII: the Latin ones
// draw the ten codes ("[" and "{" as Š and š), the Cyrillic one also every ASCII letter as its
// Cyrillic twin ("Strana" as "Страна"). Text given to them is drawn as those letters, so that the
// text a printed file holds is what its page shows; a letter already given as itself, and any text
// in another font, is kept.
QString drawnText(const QString& text, const QString& family);

// The page indexes (from 0, both included) that a print request asks for, kept within the
// document.
std::pair<int, int> printIndexes(const platform::PrintRequest& request, int pageCount);

// Preview zoom. Items of the zoom list: 0 fit to page, 1 fit to width, 2 the current zoom,
// 3..11 fixed percentages.
inline constexpr int kZoomItemCount = 12;
inline constexpr int kFitPageItem = 0;
inline constexpr int kFitWidthItem = 1;
inline constexpr int kCustomItem = 2;
inline constexpr int kZoom400Item = 11;
inline constexpr double kMinZoom = 0.15;
inline constexpr double kMaxZoom = 20.0;
// The zoom an item gives in a view of `view` pixels at `ppi` screen pixels per inch, clamped.
double itemZoom(int item, double current, QSize view, int ppi, const DeviceMetrics& metrics);

// Where the sheet lies on the grey field of the preview.
struct PreviewGeometry {
    QSize panel; // the sheet
    QSize field; // the grey field holding it
    QPoint panelPos;
};
PreviewGeometry previewGeometry(double zoom, QSize view, int ppi, const DeviceMetrics& metrics);

// "2.000%" or "2,000%", by the user's thousands separator.
QString zoomLabelText(double zoom);

// Three decimals with the user's separators, as margins are shown and stored.
QString numberText(double value);
// A number written with the user's decimal separator; nullopt when the text is no number.
std::optional<double> readNumber(const QString& text);

} // namespace preview
