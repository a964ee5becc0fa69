// The opinions tab: the ministries, the word and the date search, and opening an opinion.

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

void TForm1::buildOpinionsTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    ComboBox1 = named<QComboBox>("ComboBox1");
    row->addWidget(ComboBox1, 1);
    Edit8 = edit("Edit8", KeyFilter::MapUpper);
    row->addWidget(Edit8, 1);
    layout->addLayout(row);
    Listbox6 = resultList("Listbox6", {"Naziv mi{ljenja", "Datum"});
    layout->addWidget(Listbox6, 1);
}
