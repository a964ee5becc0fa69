#include "pagegeometry.h"

#include "display.h"
#include "printerenv.h"
#include "runscript.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace preview {

DeviceMetrics letterSheet(int pixelsPerInchX, int pixelsPerInchY)
{
    DeviceMetrics m;
    m.LOGPIXELSX = pixelsPerInchX;
    m.LOGPIXELSY = pixelsPerInchY;
    m.PHYSICALWIDTH = roundEven(pixelsPerInchX * 8.5);
    m.PHYSICALHEIGHT = pixelsPerInchY * 11;
    return m;
}

int roundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

double unitFactor(TUnits units)
{
    return units == TUnits::unCentimeters ? 2.54 : 1.0;
}

int unitsToPixels(double value, int pixelsPerInch, double factor)
{
    return roundEven(pixelsPerInch * value / factor);
}

TwipRect richTextTwips(const DeviceMetrics& m, const TTextOptions& o)
{
    TwipRect r;
    r.left = roundEven(1440 * o.MarginLeft);
    r.top = roundEven(1440 * o.MarginTop);
    r.right = roundEven((double(m.PHYSICALWIDTH) / m.LOGPIXELSX - o.MarginRight) * 1440);
    r.bottom = roundEven((double(m.PHYSICALHEIGHT) / m.LOGPIXELSY - o.MarginBottom) * 1440);
    return r;
}

QRectF twipsToPixels(const TwipRect& twips, const DeviceMetrics& m)
{
    const double sx = m.LOGPIXELSX / 1440.0;
    const double sy = m.LOGPIXELSY / 1440.0;
    return QRectF(QPointF(twips.left * sx, twips.top * sy), QPointF(twips.right * sx, twips.bottom * sy));
}

int alignedTextX(TAlignment alignment, int textWidth, int sheetWidth, int leftMargin, int rightMargin)
{
    switch (alignment) {
    case TAlignment::taLeftJustify: return leftMargin;
    case TAlignment::taRightJustify: return sheetWidth - rightMargin - textWidth;
    case TAlignment::taCenter: break;
    }
    return sheetWidth / 2 - textWidth / 2;
}

QString pageNumberText(const QString& text, int pageNumber)
{
    QString result = text;
    return result.replace(QLatin1String("%d"), QString::number(pageNumber));
}

QString drawnText(const QString& text, const QString& family)
{
    const std::optional<display::Script> script = richtext::yusciiScript(family);
    if (!script) {
        return text;
    }
    QString drawn = text;
    for (QChar& c : drawn) {
        // The fonts redraw only the 7-bit codes; every other character is its own letter.
        if (c.unicode() < 0x80) {
            c = display::toUnicode(char(c.unicode()), *script);
        }
    }
    return drawn;
}

std::pair<int, int> printIndexes(const platform::PrintRequest& request, int pageCount)
{
    if (request.allPages) {
        return {0, pageCount - 1};
    }
    return {std::max(request.fromPage - 1, 0), std::min(request.toPage - 1, pageCount - 1)};
}

double itemZoom(int item, double current, QSize view, int ppi, const DeviceMetrics& m)
{
    static constexpr double kFactors[kZoomItemCount] = {0, 0, 0, 0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
    double zoom = 1.0;
    if (item < 0 || item == kFitPageItem) {
        // The sheet's height fills the view's height less a 20-pixel gutter, whatever the width.
        zoom = ((view.height() - 20.0) / ppi) / (double(m.PHYSICALHEIGHT) / m.LOGPIXELSY);
    } else if (item == kFitWidthItem) {
        zoom = ((view.width() - 20.0) / ppi) / (double(m.PHYSICALWIDTH) / m.LOGPIXELSX);
    } else if (item == kCustomItem) {
        zoom = current;
    } else if (item < kZoomItemCount) {
        zoom = kFactors[item];
    }
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

PreviewGeometry previewGeometry(double zoom, QSize view, int ppi, const DeviceMetrics& m)
{
    PreviewGeometry g;
    g.panel = QSize(int(ppi * zoom * m.PHYSICALWIDTH / m.LOGPIXELSX),
                    int(ppi * zoom * m.PHYSICALHEIGHT / m.LOGPIXELSY));
    const int fieldWidth = g.panel.width() + 20;
    const int fieldHeight = g.panel.height() + 20;
    // A sheet smaller than the view is centred on a field one pixel short of the view, so no
    // scroll bar shows; a larger one sits 10 pixels from the field's edges.
    g.field = QSize(fieldWidth < view.width() ? view.width() - 1 : fieldWidth,
                    fieldHeight < view.height() ? view.height() - 1 : fieldHeight);
    g.panelPos.setY(g.field.height() > g.panel.height() + 20 ? g.field.height() / 2 - g.panel.height() / 2 : 10);
    g.panelPos.setX(fieldWidth < g.field.width() ? g.field.width() / 2 - (fieldWidth - 20) / 2 : 10);
    return g;
}

QString zoomLabelText(double zoom)
{
    return QLocale().toString(zoom * 100, 'f', 0) + QLatin1Char('%');
}

QString numberText(double value)
{
    return QLocale().toString(value, 'f', 3);
}

std::optional<double> readNumber(const QString& text)
{
    // Thousands separators are refused, so "2.500" under a comma locale is not read as 2500.
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace preview
