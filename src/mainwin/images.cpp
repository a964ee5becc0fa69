#include "images.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace images {
namespace {

QPixmap page(const QColor& paper, const QColor& ink)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(ink);
    p.setBrush(paper);
    p.drawRect(3, 1, 10, 13);
    for (int y = 4; y <= 11; y += 2) {
        p.drawLine(5, y, 11, y);
    }
    return pm;
}

std::array<QIcon, 5> make()
{
    std::array<QIcon, 5> icons;
    icons[Document] = QIcon(page(Qt::white, Qt::darkGray));
    {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(QColor(120, 80, 20));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
        icons[AreasRoot] = QIcon(pm);
    }
    {
        QPixmap pm = page(Qt::white, Qt::darkGray);
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(8, 8, 8, 8);
        p.setPen(Qt::white);
        p.drawLine(12, 11, 12, 14);
        p.drawPoint(12, 9);
        icons[MoreInfo] = QIcon(pm);
    }
    icons[Archived] = QIcon(page(QColor(220, 220, 220), QColor(150, 60, 30)));
    {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::darkGray);
        const QPoint triangle[] = {{4, 10}, {12, 10}, {8, 5}};
        p.drawPolygon(triangle, 3);
        icons[SortMarker] = QIcon(pm);
    }
    return icons;
}
} // namespace

const QIcon& ImageList1(int index)
{
    static const std::array<QIcon, 5> icons = make();
    return icons.at(static_cast<size_t>(index));
}

} // namespace images
