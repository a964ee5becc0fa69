#include "pictures.h"

#include "table.h"

#include <QPainter>

namespace viewer {

QImage decodePicture(const QByteArray& bytes)
{
    QImage image;
    if (!bytes.isEmpty() && !image.loadFromData(bytes)) {
        image = QImage();
    }
    return image;
}

TDBImage::TDBImage(QWidget* parent) : QWidget(parent)
{
    hide();
}

void TDBImage::setDataSource(engine::Table* table)
{
    if (m_table != nullptr) {
        disconnect(m_table, nullptr, this, nullptr);
    }
    m_table = table;
    m_loaded = false;
    if (table != nullptr) {
        // Another record (a move of the table or of its master) holds other pictures.
        connect(table, &engine::Table::currentChanged, this, [this] { m_loaded = false; });
    }
}

void TDBImage::setDataField(const QByteArray& field)
{
    if (field != m_field) {
        m_field = field;
        m_loaded = false;
    }
}

const QImage& TDBImage::picture() const
{
    if (!m_loaded) {
        m_loaded = true;
        m_picture = QImage();
        if (m_table != nullptr && m_table->isActive() && !m_field.isEmpty()) {
            m_picture = decodePicture(m_table->fieldByName(m_field).asBytes());
        }
    }
    return m_picture;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull()) {
        return;
    }
    const QSize size = m_picture.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

} // namespace viewer
