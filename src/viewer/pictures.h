#pragma once

// Pictures of the attachments table: the hidden data-aware picture control that reads one picture
// field of the current record, and the control that shows a picture.

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QWidget>

namespace engine {
class Table;
}

namespace viewer {

// The picture stored in a field; a null image when the field is empty or its bytes cannot be
// decoded (a cut or foreign picture shows as no picture, it is not an error).
QImage decodePicture(const QByteArray& bytes);

// A hidden control over one picture field of a table's current record. The field is switched to
// read one picture at a time; the picture is read and decoded when asked for, once for each field
// and record.
class TDBImage final : public QWidget {
    Q_OBJECT
public:
    explicit TDBImage(QWidget* parent = nullptr);

    void setDataSource(engine::Table* table);
    void setDataField(const QByteArray& field);
    QByteArray dataField() const { return m_field; }

    // The field's picture in the current record; null when there is none.
    const QImage& picture() const;

private:
    QPointer<engine::Table> m_table;
    QByteArray m_field;
    mutable QImage m_picture;
    mutable bool m_loaded = false;
};

// Shows a picture centred in its area, scaled to fit with its proportions kept.
class TImage final : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace viewer
