// The personal lists tab: frequently opened regulations, recent searches, the quick-open list with
// its menu, and the newest regulations of the last update.

#include "controls.h"
#include "mainwindow.h"
#include "upperwindows.h"

#include "error.h"
#include "filter.h"
#include "hints.h"
#include "lookup.h"
#include "personallists.h"
#include "prompter.h"
#include "screentext.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

using controls::button;
using controls::groupBox;
using controls::label;
using controls::reported;
using platform::named;

namespace {

constexpr int kDefaultCapacity = 12;
constexpr int kMaxCapacity = 24;

QByteArrayList lines(const QListWidget* list)
{
    QByteArrayList out;
    for (int i = 0; i < list->count(); ++i) {
        out << platform::fromScreen(list->item(i)->text());
    }
    return out;
}

// The chosen entry of a list box, or nothing.
QListWidgetItem* chosen(const QListWidget* list)
{
    QListWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? item : nullptr;
}

QSpinBox* capacity(const char* name, const QByteArray& hint)
{
    auto* spin = named<QSpinBox>(name);
    spin->setRange(1, kMaxCapacity);
    spin->setValue(kDefaultCapacity);
    platform::setHint(spin, hint);
    return spin;
}

} // namespace

void TForm1::buildPersonalTab(QWidget* page)
{
    auto* layout = new QHBoxLayout(page);

    auto* left = named<QSplitter>("Splitter1", Qt::Vertical);
    QGroupBox* frequent = groupBox("GroupBox15", "^esto kori{}eni propisi");
    ListBox5 = named<QListWidget>("ListBox5");
    platform::setHint(ListBox5, "Poslednjih nekoliko otvaranih propisa  - dupli klik otvara propis");
    (new QVBoxLayout(frequent))->addWidget(ListBox5);
    QGroupBox* recent = groupBox("GroupBox16", "Poslednjih nekoliko pretraga");
    ListBox4 = named<QListWidget>("ListBox4");
    platform::setHint(ListBox4, "Poslednjih nekoliko pretraga - dupli klik rekreira pretragu");
    (new QVBoxLayout(recent))->addWidget(ListBox4);
    left->addWidget(frequent);
    left->addWidget(recent);
    layout->addWidget(left, 1);

    auto* right = new QVBoxLayout;
    QGroupBox* newest = groupBox("GroupBox7", "Propisi dobijeni poslednjim a`uriranjem ");
    SpeedButton10 =
        button("SpeedButton10", "Lista najnovijih propisa", "Prikaz liste propisa iz poslednjeg a`uriranja");
    (new QVBoxLayout(newest))->addWidget(SpeedButton10);
    right->addWidget(newest);

    QGroupBox* settings = groupBox("GroupBox8", "Pode{avanja za pam}enje poslednjih pretraga",
                                   "Izaberite koli~inu skoro kori{}enih propisa koji se pamte");
    auto* grid = new QGridLayout(settings);
    const QByteArray frequentHint = "Izaberite koli~inu skoro kori{}enih propisa koji se pamte";
    QLabel* label53 = label("Label53", "Koliko poslednjih ~esto kori{}enih propisa se pamti", frequentHint);
    SpinEdit2 = capacity("SpinEdit2", frequentHint);
    SpeedButton24 = button("SpeedButton24", "Obri{i list&u", "Obri{i listu");
    grid->addWidget(label53, 0, 0);
    grid->addWidget(SpinEdit2, 0, 1);
    grid->addWidget(SpeedButton24, 0, 2);
    SpinEdit4 = capacity("SpinEdit4", "Izaberite koli~inu pretraga koje se pamte");
    SpeedButton25 = button("SpeedButton25", "Obri{i &listu", "Obri{i listu");
    grid->addWidget(label("Label4", "Koliko poslednjih pretraga se pamti"), 1, 0);
    grid->addWidget(SpinEdit4, 1, 1);
    grid->addWidget(SpeedButton25, 1, 2);
    grid->setColumnStretch(0, 1);
    right->addWidget(settings);

    right->addWidget(label("Label51", "Propisi ozna~eni za brzo otvaranje"));
    ListBox8 = named<QListWidget>("ListBox8");
    platform::setHint(ListBox8, "Lista propisa obele`enih za brzo otvaranje");
    right->addWidget(ListBox8, 1);
    SpeedButton21 = button("SpeedButton21", "O&bri{i", "Bri{e izabrani propis sa liste za brzo otvaranje");
    auto* remove = new QHBoxLayout;
    remove->addStretch(1);
    remove->addWidget(SpeedButton21);
    right->addLayout(remove);
    layout->addLayout(right, 1);

    connect(ListBox5, &QListWidget::itemDoubleClicked, this, &TForm1::ListBox5DblClick);
    controls::onEnter(ListBox5, [this] { ListBox5DblClick(); });
    connect(ListBox8, &QListWidget::itemDoubleClicked, this, &TForm1::ListBox8DblClick);
    connect(ListBox4, &QListWidget::itemDoubleClicked, this, &TForm1::ListBox4DblClick);
    controls::onEnter(ListBox4, [this] { ListBox4DblClick(); });
    connect(SpeedButton10, &QPushButton::clicked, this, &TForm1::SpeedButton10Click);
    connect(SpeedButton21, &QPushButton::clicked, this, &TForm1::SpeedButton21Click);
    connect(SpeedButton24, &QPushButton::clicked, this, &TForm1::SpeedButton24Click);
    connect(SpeedButton25, &QPushButton::clicked, this, &TForm1::SpeedButton25Click);
}

void TForm1::sredibrze()
{
    PopupMenu1->clear();
    PopupMenu1->addAction(platform::toScreen("Oznaceni propisi"))->setEnabled(false);
    PopupMenu1->addSeparator()->setEnabled(false);
    for (int i = 0; i < ListBox8->count(); ++i) {
        // The title is the caption as it stands: "&" is not an accelerator here.
        QString caption = ListBox8->item(i)->text();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = PopupMenu1->addAction(caption);
        action->setData(i);
        connect(action, &QAction::triggered, this, [this, i] { PopupMenuItemsClick(i); });
    }
}

void TForm1::PopupMenuItemsClick(int index)
{
    QByteArray title;
    for (const QAction* action : PopupMenu1->actions()) {
        if (action->isEnabled() && action->data().isValid() && action->data().toInt() == index) {
            title = platform::fromScreen(action->text().replace(QLatin1String("&&"), QLatin1String("&")));
        }
    }
    if (title.isEmpty()) {
        return;
    }
    // An opinion's title opens nothing and says nothing here; the list's own command explains.
    reported([&] { openRegulation({title, {}, true, false, false}); });
}

void TForm1::dodajuceste(const QByteArray& title)
{
    const auto change = personallists::addFrequent(lines(ListBox5), title, SpinEdit2->value());
    if (change.dropOldest) {
        delete ListBox5->takeItem(0);
    }
    if (change.append) {
        ListBox5->addItem(platform::toScreen(title));
    }
}

void TForm1::addToQuickOpen(const QByteArray& title)
{
    switch (personallists::addQuickOpen(lines(ListBox8), title)) {
    case personallists::QuickAdd::Full:
        platform::prompter().message("Lista propisa oznacenih za brzo otvaranje je puna");
        break;
    case personallists::QuickAdd::Added:
        ListBox8->addItem(platform::toScreen(title));
        break;
    case personallists::QuickAdd::AlreadyThere:
        break;
    }
    sredibrze();
}

void TForm1::ListBox5DblClick()
{
    const QListWidgetItem* entry = chosen(ListBox5);
    if (entry == nullptr || entry->text().isEmpty()) {
        return;
    }
    const QByteArray title = platform::fromScreen(entry->text());
    reported([&] { openRegulation({title, {}, false, false, false}); });
}

void TForm1::ListBox8DblClick()
{
    const QListWidgetItem* entry = chosen(ListBox8);
    // Without the regulations no title can be told from an opinion's: the entry stays.
    if (entry == nullptr || !tablesReady({&Zakoni})) {
        return;
    }
    const QByteArray title = platform::fromScreen(entry->text());
    reported([&] {
        if (!openRegulation({title, {}, true, false, false})) {
            platform::prompter().message("Za pristup misljenjima koristite deo Misljenja");
            const QList<QListWidgetItem*> same = ListBox8->findItems(platform::toScreen(title), Qt::MatchExactly);
            if (!same.isEmpty()) {
                delete ListBox8->takeItem(ListBox8->row(same.first()));
            }
        }
    });
    sredibrze();
}

void TForm1::SpeedButton21Click()
{
    if (QListWidgetItem* entry = chosen(ListBox8)) {
        delete ListBox8->takeItem(ListBox8->row(entry));
        sredibrze();
    }
}

void TForm1::SpeedButton24Click()
{
    ListBox5->clear();
}

void TForm1::SpeedButton25Click()
{
    ListBox4->clear();
}

void TForm1::SpeedButton10Click()
{
    if (najnoviji.isEmpty()) {
        platform::prompter().message("Ne postoji ni jedan propis u listi najnovijih.\n\r"
                                     "Ovu listu mozete koristit tek nakon prvog azuriranja.");
        return;
    }
    if (!tablesReady({&lookzakoni, &lookbrojevi, &lookglasnici})) {
        return;
    }
    QList<mainwin::SelectionRow> rows;
    reported([&] {
        // For each title, the gazette and number/year of the first regulation with that title,
        // through the lookup chain regulation -> publication -> gazette.
        const engine::LinkLookup restored({&lookzakoni, &lookglasnici});
        lookzakoni.setFiltered(true);
        lookglasnici.setFiltered(true);
        for (const QByteArray& title : std::as_const(najnoviji)) {
            lookzakoni.setFilter("Naziv_zakona= " + engine::quoted(title));
            lookzakoni.first();
            lookglasnici.first();
            rows.append({title, lookglasnici.field(1).asString(), lookzakoni.field(10).asString()});
        }
    });
    if (rows.size() != najnoviji.size()) {
        return;
    }
    if (auto* windows = mainwin::documentWindows()) {
        windows->showSelectionList(rows);
    }
}
