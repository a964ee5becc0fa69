// The main window's controls: created once, named as the program and its tests know them.

#include "mainwindow.h"

#include "hints.h"
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

namespace {

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

} // namespace

void TForm1::buildControls()
{
    using platform::KeyFilter;
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

    // 0: gazettes
    {
        auto* layout = new QHBoxLayout(page[0]);
        TreeView2 = named<QTreeWidget>("TreeView2");
        TreeView2->setHeaderHidden(true);
        ListView1 = resultList("ListView1", {"Naziv propisa", "Broj/godina"});
        layout->addWidget(TreeView2, 1);
        layout->addWidget(ListView1, 3);
    }
    // 1: areas
    {
        auto* layout = new QHBoxLayout(page[1]);
        TreeView1 = named<QTreeWidget>("TreeView1");
        TreeView1->setHeaderHidden(true);
        layout->addWidget(TreeView1, 1);
        auto* right = new QVBoxLayout;
        auto* typeRow = new QHBoxLayout;
        typeRow->addWidget(label("Label7", "Izlistaj: "));
        ComboBox3 = named<QComboBox>("ComboBox3");
        typeRow->addWidget(ComboBox3, 1);
        right->addLayout(typeRow);
        ListBox3 = resultList("ListBox3", {"Naziv propisa", "Glasilo", "Broj/godina"});
        right->addWidget(ListBox3, 1);
        right->addWidget(label("Label10", "Pretraga propisa iz izabrane oblasti po naslovu (cela fraza)"));
        auto* searchRow = new QHBoxLayout;
        Edit11 = edit("Edit11", KeyFilter::MapUpper);
        searchRow->addWidget(Edit11, 1);
        auto* find = named<QPushButton>("SpeedButton17");
        platform::setCaption(find, "Pro&na|i");
        searchRow->addWidget(find);
        right->addLayout(searchRow);
        layout->addLayout(right, 3);
    }
    // 2: search
    {
        auto* layout = new QVBoxLayout(page[2]);
        auto* row = new QHBoxLayout;
        Edit2 = edit("Edit2", KeyFilter::MapUpper);
        row->addWidget(Edit2, 1);
        ComboBox4 = named<QComboBox>("ComboBox4");
        row->addWidget(ComboBox4);
        auto* search = named<QPushButton>("SpeedButton1");
        platform::setCaption(search, "Pre&tra`i");
        platform::setHint(search, "Po~ni pretragu");
        row->addWidget(search);
        layout->addLayout(row);
        auto* options = new QHBoxLayout;
        RadioButton6 = named<QRadioButton>("RadioButton6");
        platform::setCaption(RadioButton6, "Tra`i po naslovima (brzo)");
        RadioButton6->setChecked(true);
        RadioButton7 = named<QRadioButton>("RadioButton7");
        platform::setCaption(RadioButton7, "Tra`i po naslovima i tekstu");
        options->addWidget(RadioButton6);
        options->addWidget(RadioButton7);
        options->addStretch(1);
        layout->addLayout(options);
        ListBox2 = resultList("ListBox2", {"Naziv propisa", "Glasilo", "Broj/godina"});
        layout->addWidget(ListBox2, 1);
    }
    // 3: personal lists
    {
        auto* layout = new QGridLayout(page[3]);
        auto* frequent = named<QGroupBox>("GroupBox15");
        platform::setCaption(frequent, "^esto kori{}eni propisi");
        ListBox5 = named<QListWidget>("ListBox5");
        (new QVBoxLayout(frequent))->addWidget(ListBox5);
        auto* recent = named<QGroupBox>("GroupBox16");
        platform::setCaption(recent, "Poslednjih nekoliko pretraga");
        ListBox4 = named<QListWidget>("ListBox4");
        (new QVBoxLayout(recent))->addWidget(ListBox4);
        auto* quick = named<QGroupBox>("GroupBox17");
        platform::setCaption(quick, "Lista propisa obele`enih za brzo otvaranje");
        ListBox8 = named<QListWidget>("ListBox8");
        platform::setHint(ListBox8, "Lista propisa obele`enih za brzo otvaranje");
        (new QVBoxLayout(quick))->addWidget(ListBox8);
        layout->addWidget(frequent, 0, 0);
        layout->addWidget(recent, 1, 0);
        layout->addWidget(quick, 0, 1, 2, 1);
    }
    // 4: opinions
    {
        auto* layout = new QVBoxLayout(page[4]);
        auto* row = new QHBoxLayout;
        ComboBox1 = named<QComboBox>("ComboBox1");
        row->addWidget(ComboBox1, 1);
        Edit8 = edit("Edit8", KeyFilter::MapUpper);
        row->addWidget(Edit8, 1);
        layout->addLayout(row);
        Listbox6 = resultList("Listbox6", {"Naziv mi{ljenja", "Datum"});
        layout->addWidget(Listbox6, 1);
    }
    // 5: archive
    {
        auto* layout = new QVBoxLayout(page[5]);
        Edit7 = edit("Edit7", KeyFilter::MapUpper);
        layout->addWidget(Edit7);
        ListBox7 = resultList("ListBox7", {"Naziv propisa", "Broj/godina"});
        layout->addWidget(ListBox7, 1);
        Panel24 = named<QWidget>("Panel24");
        auto* versions = new QVBoxLayout(Panel24);
        versions->setContentsMargins(0, 0, 0, 0);
        Listbox9 = resultList("Listbox9", {"Naziv propisa", "Broj/godina"});
        versions->addWidget(Listbox9);
        layout->addWidget(Panel24);
        arhivacuvaj = resultList("arhivacuvaj", {"Naziv propisa", "Broj/godina"});
        arhivacuvaj->setParent(page[5]);
        arhivacuvaj->hide();
    }
    // 6: contract models, with the models' page and the user contracts' page
    {
        auto* layout = new QVBoxLayout(page[6]);
        PageControl3 = named<QTabWidget>("PageControl3");
        layout->addWidget(PageControl3);
        auto* models = named<QWidget>("TabSheet10");
        PageControl3->addTab(models, platform::toScreen("Izbor &modela tipskih ugovora"));
        auto* modelsLayout = new QGridLayout(models);
        ComboBox5 = named<QComboBox>("ComboBox5");
        modelsLayout->addWidget(ComboBox5, 0, 0, 1, 2);
        int row = 1;
        for (auto [field, name] : {std::pair{&Edit4, "Edit4"}, {&Edit5, "Edit5"}, {&Edit9, "Edit9"}, {&Edit10, "Edit10"},
                                   {&Edit12, "Edit12"}, {&Edit13, "Edit13"}, {&Edit17, "Edit17"}, {&Edit18, "Edit18"}}) {
            *field = edit(name, KeyFilter::Map);
            modelsLayout->addWidget(*field, row++, 0);
        }
        Edit6 = edit("Edit6", KeyFilter::MapUpper);
        modelsLayout->addWidget(Edit6, row, 0);
        PageControl4 = named<QTabWidget>("PageControl4");
        RichEdit2 = named<richtext::RichEdit>("RichEdit2");
        RichEdit2->setReadOnly(true);
        PageControl4->addTab(RichEdit2, platform::toScreen("Tekst ugovora"));
        modelsLayout->addWidget(PageControl4, 0, 1, row + 1, 1);
        modelsLayout->setColumnStretch(1, 1);

        auto* user = named<QWidget>("TabSheet11");
        PageControl3->addTab(user, platform::toScreen("Korisni~ki ugovori"));
        auto* userLayout = new QVBoxLayout(user);
        DBGrid13 = resultList("DBGrid13", {"NAZIV_UG", "TEKST_UG"});
        platform::setHint(DBGrid13, "Lista ugovora menjanih od strane korisnika");
        userLayout->addWidget(DBGrid13, 1);
        SpeedButton29 = named<QPushButton>("SpeedButton29");
        platform::setCaption(SpeedButton29, "O&bri{i");
        userLayout->addWidget(SpeedButton29);
    }
    // 7: settings
    {
        auto* layout = new QVBoxLayout(page[7]);
        auto* counts = new QHBoxLayout;
        counts->addWidget(label("Label25", "Broj propisa/mi{ljenja/ugovora u bazi"));
        Label27 = label("Label27", "");
        counts->addWidget(Label27, 1);
        layout->addLayout(counts);
        CheckBox5 = named<QCheckBox>("CheckBox5");
        platform::setCaption(CheckBox5, "Koristi ton za ozna~avanje kraja pretrage");
        platform::setHint(CheckBox5, "Kratak sistemski ton na kraju svake pretrage");
        CheckBox5->setChecked(true);
        layout->addWidget(CheckBox5);
        auto* level = new QHBoxLayout;
        level->addWidget(label("Label18", "Nivo kompleksnosti"));
        ComboBox2 = named<QComboBox>("ComboBox2");
        for (const char* item : {"Jednostavno", "Napredno", "Sve opcije"}) {
            ComboBox2->addItem(platform::toScreen(item));
        }
        ComboBox2->setCurrentIndex(2);
        platform::setHint(ComboBox2, "Smanjenje broja opcija programa");
        level->addWidget(ComboBox2);
        level->addStretch(1);
        layout->addLayout(level);
        connect(ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Change);

        auto* proxy = named<QGroupBox>("GroupBox1");
        platform::setCaption(proxy, "Pode{avanje proxy servera");
        platform::setHint(proxy, "Parametri za povezivanje na internet (proverite pode{avanja u Internet Exploreru)");
        auto* proxyLayout = new QGridLayout(proxy);
        CheckBox4 = named<QCheckBox>("CheckBox4");
        platform::setCaption(CheckBox4, "Koristi proxy server");
        connect(CheckBox4, &QCheckBox::clicked, this, &TForm1::CheckBox4Click);
        Label13 = label("Label13", "Proxy");
        Edit14 = edit("Edit14", KeyFilter::Map);
        platform::setHint(Edit14, "Adresa proxy servera");
        Label20 = label("Label20", "Port");
        Edit15 = edit("Edit15", KeyFilter::DigitsOnly);
        Edit15->setMaxLength(4);
        platform::setHint(Edit15, "Port proxy servera");
        proxyLayout->addWidget(CheckBox4, 0, 0, 1, 2);
        proxyLayout->addWidget(Label13, 1, 0);
        proxyLayout->addWidget(Edit14, 1, 1);
        proxyLayout->addWidget(Label20, 2, 0);
        proxyLayout->addWidget(Edit15, 2, 1);
        CheckBox4Click();
        layout->addWidget(proxy);
        layout->addStretch(1);
    }
    // 8: help
    {
        auto* layout = new QVBoxLayout(page[8]);
        Panel11 = named<QWidget>("Panel11");
        platform::setHint(Panel11, "O nama");
        Panel11->setMinimumHeight(110);
        Label52 = label("Label52", "Elektronski Korvelin");
        Label60 = label("Label60", "Dremvalo d.o.o.");
        Label61 = label("Label61", "");
        Label34 = label("Label34", "");
        int y = 8;
        for (QLabel* l : {Label52, Label60, Label61, Label34}) {
            l->setParent(Panel11);
            l->move(0, y);
            y += 24;
        }
        layout->addWidget(Panel11);
        RichEdit3 = named<richtext::RichEdit>("RichEdit3");
        RichEdit3->setReadOnly(true);
        layout->addWidget(RichEdit3, 1);
    }
}
