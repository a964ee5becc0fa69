// The contract models tab: the models with their fields, and the user's own contracts.

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

void TForm1::buildContractsTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    PageControl3 = named<QTabWidget>("PageControl3");
    layout->addWidget(PageControl3);
    auto* models = named<QWidget>("TabSheet10");
    PageControl3->addTab(models, platform::toScreen("Izbor &modela tipskih ugovora"));
    auto* modelsLayout = new QGridLayout(models);
    ComboBox5 = named<QComboBox>("ComboBox5");
    modelsLayout->addWidget(ComboBox5, 0, 0, 1, 2);
    int row = 1;
    for (auto [field, name] : {std::pair{&Edit4, "Edit4"},
                               {&Edit5, "Edit5"},
                               {&Edit9, "Edit9"},
                               {&Edit10, "Edit10"},
                               {&Edit12, "Edit12"},
                               {&Edit13, "Edit13"},
                               {&Edit17, "Edit17"},
                               {&Edit18, "Edit18"}}) {
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

void TForm1::sredicombo5()
{
    ComboBox5->clear();
    ugovori.setFilter({});
    ugovori.first();
    const int count = ugovori.recordCount();
    for (int i = 0; i < count; ++i) {
        ComboBox5->addItem(platform::toScreen(ugovori.field(0).asString()));
        ugovori.next();
    }
    if (ComboBox5->count() > 0) {
        ComboBox5->setCurrentIndex(0);
    }
}
