// The main window's frame: the progress bar, the pages, the status bar and the pop-up menu; each
// page's controls are built by its tab's own file.

#include "controls.h"
#include "mainwindow.h"

#include "hints.h"
#include "images.h"
#include "prevprinter.h"
#include "richedit.h"
#include "screentext.h"
#include "statusbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

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

QLabel* label(const char* name, const QByteArray& caption)
{
    auto* l = named<QLabel>(name);
    platform::setCaption(l, caption);
    return l;
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

} // namespace controls

void TForm1::buildControls()
{
    setWindowTitle(platform::toScreen("Elektronski Korvelin"));

    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    ProgressBar1 = named<QProgressBar>("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(10);
    centralLayout->addWidget(ProgressBar1);
    PageControl1 = named<QTabWidget>("PageControl1");
    centralLayout->addWidget(PageControl1, 1);
    setCentralWidget(central);

    StatusBar1 = new platform::PanelStatusBar({220, 160, 200}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(0, "Propisa/Mi{ljenja/Ugovora");
    StatusBar1->setPanelText(2, "Priprema baze u toku, sa~ekajte...");
    setStatusBar(StatusBar1);

    PopupMenu1 = named<QMenu>("PopupMenu1", this);
    PreviewPrinter1 = new TPreviewPrinter(this, mainWindowTextOptions());
    PreviewPrinter1->setObjectName(QStringLiteral("PreviewPrinter1"));
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });

    const struct {
        const char* name;
        QByteArray caption;
        QByteArray hint;
    } pages[] = {
        {"TabSheet1", "Izbor &glasila", "Izbor i pretraga glasila"},
        {"TabSheet2", "&Oblasti", "Zakonske oblasti"},
        {"TabSheet3", "&Pretraga", "Napredna pretraga"},
        {"TabSheet4", "^&esto kori{}eni propisi", "Naj~e{}e kori{}eni propisi i pretrage"},
        {"TabSheet5", "M&i{ljenja", "Mi{ljenja"},
        {"TabSheet6", "&Arhiva", "Arhiva propisa"},
        {"TabSheet7", "Tipski &ugovori", "Tipski i ugovori menjani od strane korisnika"},
        {"TabSheet8", "Pode{a&vanja", "Pode{avanja parametara rada programa"},
        {"TabSheet9", "Po&mo}", "Kratak pregled opcija"},
    };
    QList<QWidget*> page;
    for (const auto& p : pages) {
        auto* w = named<QWidget>(p.name);
        platform::setHint(w, p.hint);
        const int index = PageControl1->addTab(w, platform::toScreen(p.caption));
        PageControl1->setTabToolTip(index, platform::toScreen(p.hint));
        page << w;
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);

    buildGazettesTab(page[0]);
    buildAreasTab(page[1]);
    buildSearchTab(page[2]);
    buildPersonalTab(page[3]);
    buildOpinionsTab(page[4]);
    buildArchiveTab(page[5]);
    buildContractsTab(page[6]);
    buildSettingsTab(page[7]);
    buildHelpTab(page[8]);
}
