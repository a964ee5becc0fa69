#include "controls.h"

#include "hints.h"
#include "images.h"
#include "prompter.h"
#include "usermessages.h"

#include <algorithm>
#include <climits>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

using platform::named;

namespace controls {

QTreeWidget* resultList(const char* name, const QList<QByteArray>& columns)
{
    auto* list = named<QTreeWidget>(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    QStringList headers;
    for (const QByteArray& c : columns) {
        headers << platform::toScreen(c);
    }
    list->setHeaderLabels(headers);
    return list;
}

QLineEdit* edit(const char* name, platform::KeyFilter filter)
{
    auto* e = named<QLineEdit>(name);
    platform::installKeyFilter(e, filter);
    return e;
}

namespace {

template <typename T> T* captioned(const char* name, const QByteArray& caption, const QByteArray& hint)
{
    auto* w = named<T>(name);
    platform::setCaption(w, caption);
    if (!hint.isEmpty()) {
        platform::setHint(w, hint);
    }
    return w;
}

} // namespace

QLabel* label(const char* name, const QByteArray& caption, const QByteArray& hint)
{
    return captioned<QLabel>(name, caption, hint);
}

QPushButton* button(const char* name, const QByteArray& caption, const QByteArray& hint)
{
    return captioned<QPushButton>(name, caption, hint);
}

QGroupBox* groupBox(const char* name, const QByteArray& caption, const QByteArray& hint)
{
    return captioned<QGroupBox>(name, caption, hint);
}

QTreeWidgetItem* chosenRow(const QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QByteArray rowText(const QTreeWidgetItem* row, int column)
{
    return platform::fromScreen(row->text(column));
}

void fill(QWidget* field, const QColor& colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    field->setPalette(palette);
}

namespace {

class EnterFilter final : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> handler) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_handler();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

QList<QByteArray> rowTexts(const QTreeWidgetItem* item, int columns)
{
    QList<QByteArray> texts;
    for (int i = 0; i < columns; ++i) {
        texts << platform::fromScreen(item->text(i));
    }
    return texts;
}

} // namespace

void onEnter(QAbstractItemView* list, std::function<void()> handler)
{
    list->installEventFilter(new EnterFilter(list, std::move(handler)));
}

void clearSortMarker(QTreeWidget* list)
{
    QTreeWidgetItem* header = list->headerItem();
    for (int i = 0; i < list->columnCount(); ++i) {
        header->setIcon(i, QIcon());
    }
}

void sortByColumn(QTreeWidget* list, sortrules::Rule rule, int column)
{
    clearSortMarker(list);
    list->headerItem()->setIcon(column, images::ImageList1(images::SortMarker));
    const int columns = list->columnCount();
    struct Row {
        QList<QByteArray> texts;
        QTreeWidgetItem* item;
    };
    QTreeWidgetItem* current = list->currentItem();
    const QList<QTreeWidgetItem*> taken = list->invisibleRootItem()->takeChildren();
    std::vector<Row> rows;
    rows.reserve(taken.size());
    for (QTreeWidgetItem* item : taken) {
        rows.push_back({rowTexts(item, columns), item});
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        return sortrules::compareRows(rule, column, a.texts, b.texts) < 0;
    });
    QList<QTreeWidgetItem*> items;
    items.reserve(int(rows.size()));
    for (const Row& row : rows) {
        items << row.item;
    }
    list->addTopLevelItems(items);
    if (current != nullptr) {
        list->setCurrentItem(current);
    }
}

void reportFailure(const engine::Error& e)
{
    platform::prompter().error(data::userMessage(e));
}

void PendingRows::flush()
{
    if (!m_waiting.isEmpty()) {
        m_list->addTopLevelItems(m_waiting);
        m_waiting.clear();
    }
}

void ProgressScale::start(qint64 total)
{
    total = std::max<qint64>(total, 0);
    m_divisor = total / INT_MAX + 1;
    m_maximum = std::max<qint64>(1, total / m_divisor);
    m_stride = std::max<qint64>(1, m_maximum / 200);
    m_shown = 0;
    m_bar->setRange(0, int(m_maximum));
    m_bar->setValue(0);
}

void ProgressScale::show(qint64 done)
{
    const qint64 value = std::clamp<qint64>(done / m_divisor, 0, m_maximum);
    if (value - m_shown >= m_stride || (value == m_maximum && value != m_shown)) {
        m_bar->setValue(int(value));
        m_shown = value;
    }
}

} // namespace controls
