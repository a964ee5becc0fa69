// The gazettes tab: the tree of gazettes, years of print and issues, and the regulations of the chosen node.

#include "controls.h"
#include "mainwindow.h"

#include "hints.h"
#include "images.h"
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

void TForm1::buildGazettesTab(QWidget* page)
{
    auto* layout = new QHBoxLayout(page);
    TreeView2 = named<QTreeWidget>("TreeView2");
    TreeView2->setHeaderHidden(true);
    ListView1 = resultList("ListView1", {"Naziv propisa", "Broj/godina"});
    layout->addWidget(TreeView2, 1);
    layout->addWidget(ListView1, 3);
}

void TForm1::ubacipoglasnicima()
{
    Zakoni.setFilter({});
    TreeView2->clear();
    Glasnici.first();
    const int count = Glasnici.recordCount();
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < count; ++i) {
        node = new QTreeWidgetItem(TreeView2, {platform::toScreen(Glasnici.fieldByName("Naziv_glasnika").asString())});
        node->setIcon(0, images::ImageList1(images::Document));
        new QTreeWidgetItem(node, {QString()});
        Glasnici.next();
    }
    if (node != nullptr) {
        TreeView2->setCurrentItem(node);
    }
}
