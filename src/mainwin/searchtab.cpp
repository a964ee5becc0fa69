// The search tab: the title and the title-and-text search and the recent searches.

#include "controls.h"
#include "mainwindow.h"

#include "hints.h"
#include "richedit.h"
#include "screentext.h"
#include "searchwords.h"

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

void TForm1::buildSearchTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    Edit2 = edit("Edit2", KeyFilter::MapUpper);
    row->addWidget(Edit2, 1);
    ComboBox4 = named<QComboBox>("ComboBox4");
    row->addWidget(ComboBox4);
    SpeedButton1 = named<QPushButton>("SpeedButton1");
    platform::setCaption(SpeedButton1, "Pre&tra`i");
    platform::setHint(SpeedButton1, "Po~ni pretragu");
    row->addWidget(SpeedButton1);
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

bool TForm1::nadji(const QByteArray& word, const QByteArray& text)
{
    pumpMessages();
    return searchwords::contains(text, word);
}
