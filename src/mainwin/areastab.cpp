// The areas tab: the areas tree, the type selector, the listing and the phrase search over it.

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

void TForm1::buildAreasTab(QWidget* page)
{
    auto* layout = new QHBoxLayout(page);
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
