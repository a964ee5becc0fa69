// The search tab: the title and the title-and-text search, its hits, and the replay of a recent
// search from the personal lists tab.

#include "controls.h"
#include "mainwindow.h"

#include "error.h"
#include "hints.h"
#include "images.h"
#include "personallists.h"
#include "prompter.h"
#include "recentsearches.h"
#include "regulationsearch.h"
#include "screentext.h"
#include "searchwords.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using controls::button;
using controls::edit;
using controls::label;
using controls::resultList;
using platform::KeyFilter;
using platform::named;
using recentsearches::Scope;

namespace {

const QByteArray kAllGazettes = "Sva glasila";
// How often a running search shows its new hits and its progress; it lets messages run at least
// this often too (pumpMessages).
constexpr int kShowEveryMs = 20;

// The gazette and number/year columns are centred, whoever fills the list.
class CentredColumn final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};

QWidget* legendRow(int image, const QByteArray& text)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel;
    icon->setPixmap(images::ImageList1(image).pixmap(16, 16));
    layout->addWidget(icon);
    auto* caption = new QLabel(platform::toScreen(text));
    layout->addWidget(caption, 1);
    return row;
}

QTreeWidgetItem* hitRow(const data::SearchHit& hit)
{
    auto* item = new QTreeWidgetItem(
        {platform::toScreen(hit.title), platform::toScreen(hit.gazette), platform::toScreen(hit.numberYear)});
    const int image = hit.archived ? images::Archived : hit.moreInfo ? images::MoreInfo : images::Document;
    item->setIcon(0, images::ImageList1(image));
    return item;
}

} // namespace

void TForm1::buildSearchTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    auto* query = new QGridLayout;
    query->addWidget(label("Label31", "Kju~ne re~i ili delovi re~i  (redosled nije va`an)"), 0, 0, 1, 2);
    Edit2 = edit("Edit2", KeyFilter::MapUpper);
    platform::setHint(Edit2, "Pretraga po klju~noj re~i");
    query->addWidget(Edit2, 1, 0);
    SpeedButton1 = button("SpeedButton1", "Pre&tra`i", "Po~ni pretragu");
    query->addWidget(SpeedButton1, 1, 1);
    auto* scope = new QHBoxLayout;
    RadioButton6 = named<QRadioButton>("RadioButton6");
    platform::setCaption(RadioButton6, "Tra`i po naslovima (brzo)");
    RadioButton6->setChecked(true);
    RadioButton5 = named<QRadioButton>("RadioButton5");
    platform::setCaption(RadioButton5, "Tra`i po naslovima i tekstovima (sporo)");
    scope->addWidget(RadioButton6);
    scope->addWidget(RadioButton5);
    scope->addStretch(1);
    query->addLayout(scope, 2, 0, 1, 2);
    auto* gazettes = new QHBoxLayout;
    gazettes->addWidget(label("Label19", "Pretraga samo po odre|enim glasilima"));
    ComboBox4 = named<QComboBox>("ComboBox4");
    ComboBox4->setMinimumWidth(360);
    controls::tipCutChoice(ComboBox4);
    gazettes->addWidget(ComboBox4);
    gazettes->addStretch(1);
    query->addLayout(gazettes, 3, 0, 1, 2);
    query->setColumnStretch(0, 1);
    top->addLayout(query, 3);

    QGroupBox* legend = controls::groupBox("GroupBox6", "Legenda (obja{njenje izgleda ikonica)");
    auto* legendLayout = new QVBoxLayout(legend);
    legendLayout->addWidget(legendRow(images::Document, "Dokument (propis ili mi{ljenje)"));
    legendLayout->addWidget(legendRow(images::MoreInfo, "Dokument sa dodatnim informacijama"));
    legendLayout->addWidget(legendRow(images::Archived, "Dokument koji se nalazi u arhivi"));
    top->addWidget(legend, 2);
    layout->addLayout(top);

    ListBox2 = resultList("ListBox2", {"Ime propisa", "Slu`beni glasnik", "Broj/Godina"});
    platform::setHint(ListBox2, "Lista propisa po zadatom kriterijumu");
    // The gazettes' names are long ("Slu`beni glasnik Socijalisti~ke Republike Srbije") and
    // must not be cut while the titles have room: the gazette and number/year columns take what
    // their texts need, the titles the rest.
    controls::shareWidthByContents(ListBox2, 0);
    auto* centred = new CentredColumn(ListBox2);
    for (int column : {1, 2}) {
        ListBox2->setItemDelegateForColumn(column, centred);
        ListBox2->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }
    layout->addWidget(ListBox2, 1);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(Edit2, &QLineEdit::returnPressed, SpeedButton1, &QPushButton::click);
    connect(ListBox2, &QTreeWidget::itemDoubleClicked, this, &TForm1::ListBox2DblClick);
    controls::onEnter(ListBox2, [this] { ListBox2DblClick(); });
}

bool TForm1::nadji(const QByteArray& word, const QByteArray& text)
{
    pumpMessages();
    return searchwords::contains(text, word);
}

void TForm1::SpeedButton1Click()
{
    const QByteArray query = platform::fromScreen(Edit2->text());
    // However the search ends, the next one is the user's own again.
    struct ReplayEnds {
        bool& replaying;
        ~ReplayEnds() { replaying = false; }
    } replayEnds{ReplayingSearch};

    if (searchwords::isShortQuery(query) && !platform::prompter().confirm(searchwords::ShortQueryQuestion)) {
        return;
    }
    const Scope scope = RadioButton5->isChecked() ? Scope::TitlesAndTexts : Scope::Titles;
    std::optional<qint64> gazette;
    if (ComboBox4->currentIndex() >= 0 && platform::fromScreen(ComboBox4->currentText()) != kAllGazettes &&
        ComboBox4->currentData().isValid()) {
        gazette = ComboBox4->currentData().toLongLong();
    }

    controls::ProgressScale progress(ProgressBar1);
    try {
        const BusyState busy(*this);
        if (!tablesReady({&Glavna, &Zakoni, &arhiva, &Glasnici})) {
            return;
        }
        clearStopRequest();
        ListBox2->clear();
        controls::PendingRows rows(ListBox2);
        QElapsedTimer sinceShown;
        sinceShown.start();
        data::SearchHooks hooks;
        hooks.started = [&](qint64 total) { progress.start(total); };
        hooks.stopRequested = [this] { return takeStopRequest(); };
        hooks.found = [&](const data::SearchHit& hit) { rows.add(hitRow(hit)); };
        hooks.tick = [&](qint64 done) {
            if (sinceShown.elapsed() >= kShowEveryMs) {
                rows.flush();
                progress.show(done);
                sinceShown.start();
            }
            pumpMessages();
        };
        m_regulationSearch.run(query, scope, gazette, hooks);
        rows.flush();
        if (!ReplayingSearch && !query.isEmpty()) {
            const QByteArray entry = recentsearches::entry(query, scope, ListBox2->topLevelItemCount());
            const auto change = personallists::appendCapped(ListBox4->count(), SpinEdit4->value());
            if (change.dropOldest) {
                delete ListBox4->takeItem(0);
            }
            ListBox4->addItem(platform::toScreen(entry));
        }
    } catch (const engine::Error& e) {
        ProgressBar1->setValue(0);
        controls::reportFailure(e);
        return;
    }
    ProgressBar1->setValue(0);
}

void TForm1::ListBox2DblClick()
{
    QTreeWidgetItem* row = ListBox2->currentItem();
    if (row == nullptr || !row->isSelected()) {
        const QList<QTreeWidgetItem*> selected = ListBox2->selectedItems();
        if (selected.isEmpty()) {
            return;
        }
        row = selected.first();
    }
    try {
        // The row's number/year is its second sub-item: the first is the gazette's name.
        openRegulation({platform::fromScreen(row->text(0)), platform::fromScreen(row->text(2))});
    } catch (const engine::Error& e) {
        controls::reportFailure(e);
    }
}

void TForm1::ListBox4DblClick()
{
    QListWidgetItem* entry = ListBox4->currentItem();
    if (entry == nullptr || !entry->isSelected()) {
        return;
    }
    ReplayingSearch = true;
    const recentsearches::Replay replay = recentsearches::parse(platform::fromScreen(entry->text()));
    platform::setFieldText(Edit2, replay.query);
    PageControl1->setCurrentIndex(mainpage::Search);
    (replay.scope == Scope::TitlesAndTexts ? RadioButton5 : RadioButton6)->setChecked(true);
    SpeedButton1->click();
    // Also when the button took no click: the flag must not swallow the user's next entry.
    ReplayingSearch = false;
}
