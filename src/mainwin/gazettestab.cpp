// The gazettes tab: the tree of gazettes, years of print and issues, and the regulations of the chosen node.

#include "controls.h"
#include "mainwindow.h"

#include "citation.h"
#include "error.h"
#include "gazettetree.h"
#include "images.h"
#include "lookup.h"
#include "screentext.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScopeGuard>
#include <QTreeWidget>
#include <utility>

using controls::reportFailure;
using controls::resultList;
using platform::named;

namespace {

// A node that can have children holds one of these while it is collapsed, so that it shows an
// expand button; expanding replaces it by the children read from the tables.
QTreeWidgetItem* addPlaceholder(QTreeWidgetItem* node)
{
    return new QTreeWidgetItem(node, {QString()});
}

QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QByteArray& text)
{
    auto* node = new QTreeWidgetItem(parent, {platform::toScreen(text)});
    node->setIcon(0, images::ImageList1(images::Document));
    return node;
}

QByteArray nodeText(const QTreeWidgetItem* node)
{
    return platform::fromScreen(node->text(0));
}

int levelOf(const QTreeWidgetItem* node)
{
    int level = 0;
    for (const QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent()) {
        ++level;
    }
    return level;
}

bool isBelow(const QTreeWidgetItem* item, const QTreeWidgetItem* node)
{
    for (const QTreeWidgetItem* p = item != nullptr ? item->parent() : nullptr; p != nullptr; p = p->parent()) {
        if (p == node) {
            return true;
        }
    }
    return false;
}

// The tree repaints at once, but typed keys and clicks wait until the handler has returned: a
// second expansion must not start inside the first.
void letPaintRun()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void TForm1::buildGazettesTab(QWidget* page)
{
    auto* layout = new QHBoxLayout(page);
    TreeView2 = named<QTreeWidget>("TreeView2");
    TreeView2->setHeaderHidden(true);
    // Nodes are looked up by their text, so the user does not edit them, and they keep the order
    // they were added in.
    TreeView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView2->setSortingEnabled(false);
    TreeView2->setFixedWidth(332);
    // Long gazette names scroll sideways rather than being cut.
    TreeView2->header()->setStretchLastSection(false);
    TreeView2->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListView1 = resultList("ListView1", {"Naziv propisa", "Broj/godina"});
    // The titles take what the number/year column leaves, at any window size.
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->setColumnWidth(1, 150);
    ListView1->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    layout->addWidget(TreeView2);
    layout->addWidget(ListView1, 1);

    connect(TreeView2, &QTreeWidget::itemExpanded, this, &TForm1::TreeView2Expanded);
    connect(TreeView2, &QTreeWidget::itemCollapsed, this, &TForm1::TreeView2Collapsed);
    connect(TreeView2, &QTreeWidget::itemClicked, this, [this] { TreeView2Click(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { ListView1DblClick(); });
    controls::onEnter(ListView1, [this] { ListView1DblClick(); });
}

void TForm1::attachTreeView2Change()
{
    detachTreeView2Change();
    m_treeView2Change = connect(TreeView2, &QTreeWidget::currentItemChanged, this,
                                [this](QTreeWidgetItem* current) { TreeView2Change(current); });
    m_treeView2Attached = true;
}

void TForm1::detachTreeView2Change()
{
    disconnect(m_treeView2Change);
    m_treeView2Attached = false;
}

void TForm1::ubacipoglasnicima()
{
    // Selecting each new gazette lists nothing: a listing would move the gazettes table under
    // this walk. At the first activation the handler is not attached yet anyway.
    const bool attached = m_treeView2Attached;
    detachTreeView2Change();
    const auto reattach = qScopeGuard([&] {
        if (attached) {
            attachTreeView2Change();
        }
    });
    Zakoni.setFilter({});
    TreeView2->clear();
    Glasnici.first();
    QTreeWidgetItem* node = nullptr;
    for (int i = 0, n = Glasnici.recordCount(); i < n; ++i) {
        node = addNode(TreeView2->invisibleRootItem(), Glasnici.fieldByName("Naziv_glasnika").asString());
        TreeView2->setCurrentItem(node);
        addPlaceholder(node);
        Glasnici.next();
    }
}

void TForm1::TreeView2Expanded(QTreeWidgetItem* node)
{
    if (!tablesReady({&Glasnici, &Glavna})) {
        node->setExpanded(false);
        return;
    }
    detachTreeView2Change();
    try {
        Zakoni.setFilter({});
        switch (levelOf(node)) {
        case gazettetree::GazetteLevel:
            ubacipogodinama(node);
            break;
        case gazettetree::YearLevel:
            ubacipobrojevima(node);
            break;
        default:
            break;
        }
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
    attachTreeView2Change();
    TreeView2->viewport()->update();
    letPaintRun();
}

void TForm1::ubacipogodinama(QTreeWidgetItem* gazette)
{
    Zakoni.setFilter({});
    engine::LinkLookup restore({&Glasnici});
    engine::LinkLookup::unlink(Glasnici);
    Glasnici.setFilter(gazettetree::gazetteFilter(nodeText(gazette)));
    Glasnici.setFiltered(true);
    Glasnici.first();
    qDeleteAll(gazette->takeChildren());
    Glavna.setFilter(gazettetree::yearsFilter(Glasnici.fieldByName("ID_GLASNIKA").asString()));
    Glavna.setFiltered(true);
    QByteArrayList years = gazettetree::distinctValues(Glavna, "GODINA_stampanja");
    gazettetree::sortYears(years);
    for (const QByteArray& year : years) {
        QTreeWidgetItem* node = addNode(gazette, year);
        TreeView2->setCurrentItem(node);
        addPlaceholder(node);
    }
}

void TForm1::ubacipobrojevima(QTreeWidgetItem* year)
{
    Zakoni.setFilter({});
    engine::LinkLookup restore({&Glasnici});
    engine::LinkLookup::unlink(Glasnici);
    Glasnici.setFilter(gazettetree::gazetteFilter(nodeText(year->parent())));
    Glasnici.setFiltered(true);
    Glasnici.first();
    qDeleteAll(year->takeChildren());
    Glavna.setFilter(gazettetree::issuesFilter(Glasnici.fieldByName("ID_GLASNIKA").asString(), nodeText(year)));
    Glavna.setFiltered(true);
    QByteArrayList numbers = gazettetree::distinctValues(Glavna, "BROJ");
    gazettetree::sortIssueNumbers(numbers);
    for (const QByteArray& number : numbers) {
        addNode(year, number);
    }
}

void TForm1::TreeView2Collapsed(QTreeWidgetItem* node)
{
    // A selected node inside the closed branch hands the selection to the node that closed, which
    // then lists its regulations.
    const bool selectedInside = isBelow(TreeView2->currentItem(), node);
    qDeleteAll(node->takeChildren());
    addPlaceholder(node);
    if (selectedInside) {
        TreeView2->setCurrentItem(node);
    }
    letPaintRun();
}

void TForm1::TreeView2Change(QTreeWidgetItem* node)
{
    if (node == nullptr) {
        return;
    }
    if (!tablesReady({&Glasnici, &Glavna, &Zakoni, &arhiva})) {
        m_gazetteListRefused = true;
        return;
    }
    try {
        engine::LinkLookup restore({&Glasnici});
        engine::LinkLookup::unlink(Glasnici);
        Glavna.setFiltered(true);

        QByteArrayList below;
        const QTreeWidgetItem* gazette = node;
        for (; gazette->parent() != nullptr; gazette = gazette->parent()) {
            below.prepend(nodeText(gazette));
        }
        ListView1->clear();
        Glasnici.setFilter(gazettetree::gazetteFilter(nodeText(gazette)));
        Glasnici.setFiltered(true);
        Glasnici.first();
        Glavna.setFilter(
            gazettetree::publicationsFilter(Glasnici.fieldByName("ID_GLASNIKA").asString(), below.mid(0, 2)));

        const engine::Field title = Zakoni.fieldByName("Naziv_zakona");
        const engine::Field numberYear = Zakoni.fieldByName("BG");
        const engine::Field note = Zakoni.field(8);
        const engine::Field later = arhiva.field(2);
        QList<QTreeWidgetItem*> entries;
        Glavna.first();
        for (int i = 0, n = Glavna.recordCount(); i < n; ++i) {
            int image = data::hasAdditionalInfo(note.asBytes()) ? images::MoreInfo : images::Document;
            if (later.asInteger() != 0) {
                image = images::Archived;
            }
            auto* entry =
                new QTreeWidgetItem({platform::toScreen(title.asString()), platform::toScreen(numberYear.asString())});
            entry->setIcon(0, images::ImageList1(image));
            entry->setTextAlignment(1, Qt::AlignCenter);
            entries << entry;
            Glavna.next();
        }
        ListView1->addTopLevelItems(entries);
    } catch (const engine::Error& e) {
        m_gazetteListRefused = true;
        reportFailure(e);
    }
}

void TForm1::TreeView2Click()
{
    // A listing that failed for this click has told its table already: the click does not try it,
    // nor tell it, again.
    bool refused = std::exchange(m_gazetteListRefused, false);
    if (!refused) {
        refused = !controls::reported([this] { Zakoni.setFilter({}); });
    }
    // Clicking the node that is already selected fills a list left empty, as after start-up.
    QTreeWidgetItem* node = TreeView2->currentItem();
    if (node != nullptr && ListView1->topLevelItemCount() == 0 && m_treeView2Attached && !refused) {
        TreeView2Change(node);
    }
    m_gazetteListRefused = false;
    letPaintRun();
}

void TForm1::ListView1DblClick()
{
    QTreeWidgetItem* entry = ListView1->currentItem();
    if (entry == nullptr || !entry->isSelected()) {
        return;
    }
    try {
        openRegulation({platform::fromScreen(entry->text(0)), platform::fromScreen(entry->text(1))});
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

QByteArray TForm1::nadjiglasnik(const QByteArray& title)
{
    return citation::gazetteOfTitle(*this, title);
}

QByteArray TForm1::nadjibroj(const QByteArray& title, bool withGazette)
{
    return citation::numberOfTitle(*this, title, withGazette);
}
