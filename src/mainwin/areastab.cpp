// The areas tab: the areas tree, the type selector, the listing and the phrase search over it.

#include "controls.h"
#include "mainwindow.h"

#include "arealisting.h"
#include "error.h"
#include "filter.h"
#include "hints.h"
#include "images.h"
#include "prompter.h"
#include "screentext.h"
#include "titlesearch.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

using controls::button;
using controls::edit;
using controls::label;
using controls::reportFailure;
using controls::resultList;
using platform::KeyFilter;
using platform::named;

namespace {

// A node's position in tree order over every level, the top-level node being 0.
int absoluteIndex(QTreeWidget* tree, const QTreeWidgetItem* node)
{
    int index = 0;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it, ++index) {
        if (*it == node) {
            return index;
        }
    }
    return -1;
}

QTreeWidgetItem* listRow(int image, const QByteArray& title, const QByteArray& numberYear)
{
    auto* item = new QTreeWidgetItem;
    item->setIcon(0, images::ImageList1(image));
    item->setText(0, platform::toScreen(title));
    item->setText(1, platform::toScreen(numberYear));
    item->setTextAlignment(1, Qt::AlignCenter);
    return item;
}

} // namespace

void TForm1::buildAreasTab(QWidget* page)
{
    auto* layout = new QHBoxLayout(page);
    TreeView1 = named<QTreeWidget>("TreeView1");
    TreeView1->setHeaderHidden(true);
    platform::setHint(TreeView1, "Izbor propisa po oblastima - jednom kliknite za otvaranje liste propisa");
    // The tree keeps its width; the list takes the rest, which its title column follows.
    TreeView1->setFixedWidth(320);
    layout->addWidget(TreeView1);

    auto* right = new QVBoxLayout;
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(label("Label7", "Izlistaj: ", "Filter za prikaz zakona"));
    ComboBox3 = named<QComboBox>("ComboBox3");
    platform::setHint(ComboBox3, "Filter za prikaz zakona");
    controls::fill(ComboBox3);
    typeRow->addWidget(ComboBox3, 1);
    right->addLayout(typeRow);

    ListBox3 = resultList("ListBox3", {"Naziv propisa", "Broj/godina"});
    ListBox3->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    ListBox3->setColumnWidth(0, 200);
    ListBox3->setColumnWidth(1, 100);
    platform::setHint(ListBox3, "Lista propisa po zadatom kriterijumu");
    right->addWidget(ListBox3, 1);

    right->addWidget(label("Label10", "Pretraga propisa iz izabrane oblasti po naslovu (cela fraza)",
                           "Pretraga liste po klju~noj re~i"));
    auto* searchRow = new QHBoxLayout;
    Edit11 = edit("Edit11", KeyFilter::MapUpper);
    platform::setHint(Edit11, "Pretraga liste po klju~noj re~i");
    controls::fill(Edit11);
    searchRow->addWidget(Edit11, 1);
    SpeedButton17 = button("SpeedButton17", "Pro&na|i", "Po~ni pretragu");
    searchRow->addWidget(SpeedButton17);
    right->addLayout(searchRow);
    layout->addLayout(right, 1);

    // A selection, by click or by keys, lists at once; the current node alone (as focus gives it)
    // does not.
    connect(TreeView1, &QTreeWidget::itemSelectionChanged, this, &TForm1::TreeView1Change);
    // Only the user's choice relists: refilling the type list at start chooses nothing.
    connect(ComboBox3, &QComboBox::activated, this, &TForm1::ComboBox3Change);
    connect(SpeedButton17, &QPushButton::clicked, this, &TForm1::SpeedButton17Click);
    connect(Edit11, &QLineEdit::returnPressed, SpeedButton17, &QPushButton::click);
    connect(ListBox3, &QTreeWidget::itemDoubleClicked, this, &TForm1::ListBox3DblClick);
    controls::onEnter(ListBox3, [this] { ListBox3DblClick(); });
}

void TForm1::TreeView1Change()
{
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QTreeWidgetItem* node = selected.first();
    // The version records tell which regulations are archived: those are not listed.
    if (!tablesReady({&Zakoni, &arhiva})) {
        return;
    }
    try {
        BusyState busy(*this);
        Zakoni.setMasterFields({});
        arealisting::Choice choice;
        choice.topLevel = node->parent() == nullptr;
        choice.area = absoluteIndex(TreeView1, node) + 1;
        choice.allTypes = platform::fromScreen(ComboBox3->currentText()) == arealisting::AllTypes;
        choice.type = ComboBox3->currentIndex();
        Zakoni.setFilter(arealisting::filter(choice));
        Zakoni.setFiltered(true);
        Zakoni.setIndexFieldNames({});
        ubacipooblastima();
        proveripropise();
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void TForm1::ubacipooblastima()
{
    clearStopRequest();
    ListBox3->clear();
    oblastcuvaj.clear();
    // Also when a record cannot be read: the bar is emptied and the regulations are left
    // unfiltered, as after every listing.
    controls::thenRestore(
        [&] {
            const int count = Zakoni.recordCount();
            if (count == 0) {
                platform::prompter().message("Nije pronadjen nijedan propis po ovom kriterijumu pretrage");
            } else {
                Zakoni.first();
                ProgressBar1->setRange(0, count);
                ProgressBar1->setValue(0);
                // The list shows the listing grow, a batch at a time.
                controls::PendingRows pending(ListBox3);
                QByteArray lastKey;
                for (int i = 0; i < count; ++i) {
                    if (takeStopRequest()) {
                        break;
                    }
                    if (pending.size() >= 256) {
                        pending.flush();
                    }
                    pumpMessages();
                    ProgressBar1->setValue(i + 1);
                    if (const QByteArray key = Zakoni.field(0).asString(); !key.isEmpty()) {
                        lastKey = key;
                    }
                    if (const auto entry = arealisting::currentEntry(Zakoni, arhiva)) {
                        pending.add(listRow(entry->moreInfo ? images::MoreInfo : images::Document, entry->title,
                                            entry->numberYear));
                        oblastcuvaj.append({entry->title, entry->numberYear});
                    }
                    Zakoni.next();
                }
                pending.flush();
                // The publication of the last regulation walked stays current, as its row was read last.
                if (!lastKey.isEmpty() && Glavna.isActive()) {
                    Glavna.setFilter("ID_BROJA=" + engine::quoted(lastKey));
                    Glavna.first();
                }
                ComboBox3->setEnabled(true);
            }
        },
        [this] {
            ProgressBar1->setValue(0);
            Zakoni.setFilter({});
        });
}

void TForm1::ComboBox3Change()
{
    if (TreeView1->selectedItems().isEmpty()) {
        return;
    }
    BusyState busy(*this);
    TreeView1Change();
}

void TForm1::SpeedButton17Click()
{
    BusyState busy(*this);
    QByteArrayList titles;
    titles.reserve(oblastcuvaj.size());
    for (const AreaEntry& e : oblastcuvaj) {
        titles.append(e.title);
    }
    QList<QTreeWidgetItem*> rows;
    for (int i : titlesearch::matching(titles, platform::fromScreen(Edit11->text()))) {
        rows.append(listRow(images::Document, oblastcuvaj[i].title, oblastcuvaj[i].numberYear));
    }
    ListBox3->clear();
    ListBox3->addTopLevelItems(rows);
}

void TForm1::ListBox3DblClick()
{
    const QTreeWidgetItem* row = controls::chosenRow(ListBox3);
    if (row == nullptr) {
        return;
    }
    const QByteArray title = controls::rowText(row, 0);
    if (title.isEmpty()) {
        return;
    }
    try {
        openRegulation({title, controls::rowText(row, 1)});
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}
