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
