// The archive tab: regulations with versions, the archive search and the version chain.

#include "controls.h"
#include "mainwindow.h"

#include "error.h"
#include "hints.h"
#include "images.h"
#include "screentext.h"
#include "titlesearch.h"
#include "versionchain.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

using controls::button;
using controls::chosenRow;
using controls::edit;
using controls::label;
using controls::reportFailure;
using controls::resultList;
using controls::rowText;
using platform::KeyFilter;
using platform::named;

namespace {

// A bar between the two halves of the tab: dragging it changes the height of the panel above it,
// which the window otherwise sets to half the tab on every resize.
class SplitterBar final : public QFrame {
public:
    explicit SplitterBar(QWidget* above) : m_above(above)
    {
        setFrameShape(QFrame::HLine);
        setFrameShadow(QFrame::Sunken);
        setFixedHeight(6);
        setCursor(Qt::SplitVCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_startY = event->globalPosition().y();
        m_startHeight = m_above->height();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!(event->buttons() & Qt::LeftButton)) {
            return;
        }
        // The lower half keeps room for a few rows.
        const int room = parentWidget() != nullptr ? parentWidget()->height() - 80 : m_startHeight;
        const int height = m_startHeight + int(event->globalPosition().y() - m_startY);
        m_above->setFixedHeight(std::clamp(height, 40, std::max(40, room)));
    }

private:
    QWidget* m_above;
    double m_startY = 0;
    int m_startHeight = 0;
};

// Keeps the upper panel at half the tab less 45 pixels whenever the tab itself is resized: the
// window's own resize comes before its pages have their new size.
class HalfOfThePage final : public QObject {
public:
    HalfOfThePage(QWidget* page, QWidget* panel) : QObject(page), m_page(page), m_panel(panel)
    {
        page->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_page && event->type() == QEvent::Resize) {
            m_panel->setFixedHeight(std::max(0, qRound(m_page->height() / 2.0) - 45));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_page;
    QWidget* m_panel;
};

// Centres the number/year column of every row, however the row was made.
class CentredNumberYear final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == 1) {
            option->displayAlignment = Qt::AlignCenter;
        }
    }
};

QTreeWidget* versionList(const char* name)
{
    QTreeWidget* list = resultList(name, {"Naziv propisa", "Broj/Godina"});
    list->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    list->setItemDelegate(new CentredNumberYear(list));
    list->setColumnWidth(0, 350);
    // The number/year column, the last, takes what the title column leaves (150 at design):
    // a fixed width would push the list past its right edge once the title column follows the
    // window's width.
    list->header()->setMinimumSectionSize(90);
    return list;
}

QGroupBox* group(const char* name, const QByteArray& caption, const QByteArray& hint, QWidget* content)
{
    QGroupBox* box = controls::groupBox(name, caption, hint);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(content);
    return box;
}

} // namespace

void TForm1::buildArchiveTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    // Narrow margins: the lists' title columns take all of the window's width but 200 pixels.
    layout->setContentsMargins(4, 4, 4, 4);
    Panel24 = named<QWidget>("Panel24");
    auto* top = new QVBoxLayout(Panel24);
    top->setContentsMargins(0, 0, 0, 0);
    const QByteArray searchHint = "Unesite naziv ili deo naziva propisa koji `elite da prona|ete";
    Label40 = label("Label40", "Naziv ili deo naziva propisa za pretragu", searchHint);
    top->addWidget(Label40);
    auto* searchRow = new QHBoxLayout;
    Edit7 = edit("Edit7", KeyFilter::MapUpper);
    platform::setHint(Edit7, searchHint);
    controls::fill(Edit7);
    searchRow->addWidget(Edit7, 1);
    SpeedButton22 = button("SpeedButton22", "Pretra`i", "Po~ni pretragu");
    SpeedButton22->setFlat(true);
    searchRow->addWidget(SpeedButton22);
    top->addLayout(searchRow);
    ListBox7 = versionList("ListBox7");
    GroupBox17 = group("GroupBox17", "Izbor propisa koji imaju stariju ili noviju verziju ",
                       "Spirak propisa koji imaju stariju ili noviju verziju prikazan po zadatoj pretrazi", ListBox7);
    top->addWidget(GroupBox17, 1);
    layout->addWidget(Panel24);
    new HalfOfThePage(page, Panel24);

    layout->addWidget(new SplitterBar(Panel24));

    Listbox9 = versionList("Listbox9");
    GroupBox14 = group("GroupBox14", "Aktuelni propis sa prethodnim verzijama izabranog propisa ",
                       "Aktuelni propis sa prethodnim verzijama izabranog propisa ", Listbox9);
    layout->addWidget(GroupBox14, 1);

    arhivacuvaj = versionList("arhivacuvaj");
    arhivacuvaj->setParent(page);
    arhivacuvaj->hide();

    connect(SpeedButton22, &QPushButton::clicked, this, &TForm1::SpeedButton22Click);
    connect(Edit7, &QLineEdit::returnPressed, SpeedButton22, &QPushButton::click);
    connect(ListBox7, &QTreeWidget::itemSelectionChanged, this, &TForm1::ListBox7SelectItem);
    connect(ListBox7, &QTreeWidget::itemDoubleClicked, this, &TForm1::ListBox7DblClick);
    controls::onEnter(ListBox7, [this] { ListBox7DblClick(); });
    connect(Listbox9, &QTreeWidget::itemDoubleClicked, this, &TForm1::ListBox9DblClick);
}

void TForm1::SpeedButton22Click()
{
    // The list searched was filled from these at start; without them it is empty.
    if (!tablesReady({&Glavna, &Zakoni, &arhiva})) {
        return;
    }
    try {
        BusyState busy(*this);
        Listbox9->clear();
        Zakoni.setFilter({});
        const QByteArray piece = platform::fromScreen(Edit7->text());
        QList<QTreeWidgetItem*> rows;
        for (int i = 0; i < arhivacuvaj->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = arhivacuvaj->topLevelItem(i);
            if (!piece.isEmpty()) {
                pumpMessages();
                if (!titlesearch::contains(rowText(row, 0), piece)) {
                    continue;
                }
            }
            rows.append(row->clone());
        }
        ListBox7->clear();
        ListBox7->addTopLevelItems(rows);
        if (ListBox7->topLevelItemCount() > 0) {
            // Choosing the first row lists its versions.
            ListBox7->setCurrentItem(ListBox7->topLevelItem(0));
        }
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void TForm1::searchArchiveFor(const QByteArray& title)
{
    PageControl1->setCurrentIndex(mainpage::Archive);
    platform::setFieldText(Edit7, title);
    QCoreApplication::processEvents();
    SpeedButton22->click();
}

void TForm1::ListBox7SelectItem()
{
    if (chosenRow(ListBox7) == nullptr) {
        return;
    }
    try {
        arhivskiklik();
        zbudziarhivu();
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void TForm1::arhivskiklik()
{
    const QTreeWidgetItem* row = chosenRow(ListBox7);
    if (row == nullptr || row->text(0).isEmpty()) {
        return;
    }
    Listbox9->clear();
    Glavna.setFilter({});
    Zakoni.setFiltered(true);
    Zakoni.setMasterFields({});
    arhiva.setMasterSource(&Zakoni);
    arhiva.setMasterFields("ID_BROJA");
    arhiva.setFiltered(true);
}

void TForm1::zbudziarhivu()
{
    const QTreeWidgetItem* row = chosenRow(ListBox7);
    if (row == nullptr || row->text(0).isEmpty()) {
        return;
    }
    Listbox9->clear();
    QList<QTreeWidgetItem*> rows;
    for (const versionchain::Version& v : versionchain::listVersions(*this, rowText(row, 0), rowText(row, 1))) {
        auto* item = new QTreeWidgetItem;
        item->setIcon(0, images::ImageList1(v.archived ? images::Archived : images::Document));
        item->setText(0, platform::toScreen(v.title));
        item->setText(1, platform::toScreen(v.numberYear));
        rows.append(item);
    }
    Listbox9->addTopLevelItems(rows);
}

namespace {

// Both lists open the chosen version by title and number/year; unlike the other lists, opening a
// version neither refreshes the tabs nor adds to the frequently used list.
void openChosenVersion(TForm1& form, const QTreeWidget* list)
{
    if (const QTreeWidgetItem* row = chosenRow(list)) {
        controls::reported([&] { form.openRegulation({rowText(row, 0), rowText(row, 1), false, false, false}); });
    }
}

} // namespace

void TForm1::ListBox7DblClick()
{
    openChosenVersion(*this, ListBox7);
}

void TForm1::ListBox9DblClick()
{
    openChosenVersion(*this, Listbox9);
}

bool TForm1::jelarhivski(const QByteArray& title)
{
    return versionchain::linksByTitle(Zakoni, arhiva, title).later != 0;
}

int TForm1::imastari(int n)
{
    const qint64 earlier = versionchain::linksByKey(Zakoni, arhiva, n).earlier;
    return earlier != 0 ? int(earlier) : -1;
}

int TForm1::imanovi(int n)
{
    const qint64 later = versionchain::linksByKey(Zakoni, arhiva, n).later;
    return later != 0 ? int(later) : -1;
}

void TForm1::SrediArhivu()
{
    versionchain::makeTwoWay(*this);
}

void TForm1::Arhiviraj(int number, int which, int value)
{
    versionchain::writeLink(*this, number, which == 0 ? 1 : 2, value);
}
