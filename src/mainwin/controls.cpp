#include "controls.h"

#include "hints.h"
#include "images.h"
#include "prompter.h"
#include "usermessages.h"

#include <algorithm>
#include <climits>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QToolTip>
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
    tipCutTexts(list);
    return list;
}

namespace {

class CutTextTips final : public QObject {
public:
    explicit CutTextTips(QAbstractItemView* list) : QObject(list), m_list(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A list that wraps its texts shows them whole already.
        if (event->type() != QEvent::ToolTip || watched != m_list->viewport() ||
            m_list->property("wordWrap").toBool()) {
            return false;
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_list->indexAt(help->pos());
        if (!index.isValid()) {
            return false;
        }
        const QRect cell = m_list->visualRect(index);
        if (m_list->sizeHintForIndex(index).width() <= cell.width()) {
            return false;
        }
        QToolTip::showText(help->globalPos(), tipText(index.data(Qt::DisplayRole).toString()), m_list->viewport(),
                           cell);
        return true;
    }

private:
    // One line while it fits well within the screen; a longer text wraps at that width.
    QString tipText(const QString& text) const
    {
        const QScreen* screen = m_list->screen();
        const int room = screen != nullptr ? screen->availableGeometry().width() * 3 / 5 : 600;
        if (QFontMetrics(QToolTip::font()).horizontalAdvance(text) <= room && !Qt::mightBeRichText(text)) {
            return text;
        }
        return QStringLiteral("<table width=\"%1\"><tr><td>%2</td></tr></table>").arg(room).arg(text.toHtmlEscaped());
    }

    QAbstractItemView* m_list;
};

class CutChoiceTip final : public QObject {
public:
    explicit CutChoiceTip(QComboBox* box) : QObject(box), m_box(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip || watched != m_box) {
            return false;
        }
        QStyleOptionComboBox option;
        option.initFrom(m_box);
        option.editable = m_box->isEditable();
        const QRect room =
            m_box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, m_box);
        const QString text = m_box->currentText();
        if (m_box->fontMetrics().horizontalAdvance(text) <= room.width()) {
            return false;
        }
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, m_box);
        return true;
    }

private:
    QComboBox* m_box;
};

class ContentWidths final : public QObject {
public:
    // Owned by the header: it goes before the model, whose end resets it, and takes the
    // connections along.
    ContentWidths(QTreeWidget* list, int stretchColumn)
        : QObject(list->header()), m_list(list), m_viewport(list->viewport()), m_stretch(stretchColumn)
    {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        for (int c = 0; c < list->columnCount(); ++c) {
            header->setSectionResizeMode(c, c == stretchColumn ? QHeaderView::Stretch : QHeaderView::Interactive);
        }
        // Rows are measured as they are shown (painted), not as they come: the search list is
        // filled at start with every regulation, which measuring every row would slow by a tenth,
        // and a list not shown needs no widths. Emptied for a new content (clear), the columns start
        // again from their captions.
        connect(list->model(), &QAbstractItemModel::modelReset, this, &ContentWidths::restart);
        connect(header, &QHeaderView::sectionCountChanged, this, &ContentWidths::restart);
        // The captions change (the relations window names its columns by what it lists) and
        // the sort image widens one.
        connect(list->model(), &QAbstractItemModel::headerDataChanged, this, &ContentWidths::apply);
        list->installEventFilter(this);
        m_viewport->installEventFilter(this);
        restart();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_list && event->type() == QEvent::FontChange) {
            restart();
        } else if (watched == m_viewport && event->type() == QEvent::Resize) {
            apply();
        } else if (watched == m_viewport && event->type() == QEvent::Paint && measureShown()) {
            // Before the rows are drawn, so a text that widens its column is never drawn cut.
            apply();
        }
        return false;
    }

private:
    void restart()
    {
        m_widest = QList<int>(m_list->columnCount(), 0);
        m_seen = QList<QSet<QString>>(m_list->columnCount());
        apply();
    }

    // Measures the rows the viewport shows; true when a column's widest text grew. The widths only
    // grow until the content is replaced: scrolling back past narrower texts keeps a column's edge.
    bool measureShown()
    {
        const int count = m_list->topLevelItemCount();
        const QModelIndex top = m_list->indexAt(QPoint(0, 0));
        if (count == 0 || !top.isValid()) {
            return false;
        }
        const QModelIndex bottom = m_list->indexAt(QPoint(0, m_viewport->height() - 1));
        const int last = bottom.isValid() ? bottom.row() : count - 1;
        bool grew = false;
        const QFontMetrics metrics = m_list->fontMetrics();
        for (int row = top.row(); row <= last; ++row) {
            const QTreeWidgetItem* item = m_list->topLevelItem(row);
            for (int c = 0; item != nullptr && c < m_widest.size(); ++c) {
                if (c == m_stretch) {
                    continue;
                }
                // Columns of this kind repeat their texts (gazettes, dates): each is measured once.
                const QString text = item->text(c);
                if (text.isEmpty() || m_seen[c].contains(text)) {
                    continue;
                }
                m_seen[c].insert(text);
                if (const int width = metrics.horizontalAdvance(text); width > m_widest[c]) {
                    m_widest[c] = width;
                    grew = true;
                }
            }
        }
        return grew;
    }

    void apply()
    {
        QHeaderView* header = m_list->header();
        const int room = m_list->viewport()->width();
        const int margin = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
        constexpr int kGap = 12; // centred texts of two columns do not touch
        for (int c = 0; c < std::min<int>(m_widest.size(), header->count()); ++c) {
            if (c == m_stretch) {
                continue;
            }
            const int wanted = std::max(m_widest[c] + margin + kGap, header->sectionSizeHint(c));
            const int width = std::min(wanted, std::max(header->minimumSectionSize(), room / 2));
            if (header->sectionSize(c) != width) {
                header->resizeSection(c, width);
            }
        }
    }

    QTreeWidget* m_list;
    // Compared by address only: the filter still sees events while the list is being destroyed,
    // when it can no longer be asked for its viewport.
    QWidget* m_viewport;
    int m_stretch;
    QList<int> m_widest;
    QList<QSet<QString>> m_seen;
};

} // namespace

void tipCutTexts(QAbstractItemView* list)
{
    list->viewport()->installEventFilter(new CutTextTips(list));
}

void tipCutChoice(QComboBox* box)
{
    box->installEventFilter(new CutChoiceTip(box));
}

void shareWidthByContents(QTreeWidget* list, int stretchColumn)
{
    new ContentWidths(list, stretchColumn);
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
