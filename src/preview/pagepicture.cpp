#include "pagepicture.h"

#include <QPainter>

namespace preview {

PagePicture::PagePicture(int pixelsPerInchX, int pixelsPerInchY) : m_dpiX(pixelsPerInchX), m_dpiY(pixelsPerInchY)
{
}

int PagePicture::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmDpiX:
    case PdmPhysicalDpiX: return m_dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY: return m_dpiY;
    default: return QPicture::metric(metric);
    }
}

void playPicture(QPainter& painter, const QPicture& picture)
{
    // A plain picture reports the resolution that replay scales from.
    static const QPicture screenPicture;
    const QPaintDevice* target = painter.device();
    painter.save();
    painter.scale(double(screenPicture.logicalDpiX()) / target->logicalDpiX(),
                  double(screenPicture.logicalDpiY()) / target->logicalDpiY());
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

} // namespace preview
