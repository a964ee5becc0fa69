// The settings tab: printer set-up, updates, repair, the interface level, the proxy and the tone.

#include "controls.h"
#include "mainwindow.h"

#include "hints.h"
#include "richedit.h"
#include "screentext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using controls::edit;
using controls::label;
using controls::resultList;
using platform::KeyFilter;
using platform::named;

void TForm1::buildSettingsTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
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
    layout->addWidget(contractColorRow());
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

void TForm1::ComboBox2Change()
{
    // Pages shown at each interface level; the others are hidden.
    static const QList<QList<int>> shown = {{0, 1, 6, 7, 8}, {0, 1, 2, 4, 6, 7, 8}, {0, 1, 2, 3, 4, 5, 6, 7, 8}};
    const int level = ComboBox2->currentIndex();
    if (level < 0 || level >= shown.size()) {
        return;
    }
    for (int page = 0; page < PageControl1->count(); ++page) {
        PageControl1->setTabVisible(page, shown[level].contains(page));
    }
}

void TForm1::CheckBox4Click()
{
    const bool on = CheckBox4->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(Label13), static_cast<QWidget*>(Label20), static_cast<QWidget*>(Edit14),
                       static_cast<QWidget*>(Edit15)}) {
        w->setEnabled(on);
    }
}
