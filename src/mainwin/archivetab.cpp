// The archive tab: regulations with versions, the archive search and the version chain.

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

void TForm1::buildArchiveTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    auto* searchRow = new QHBoxLayout;
    Edit7 = edit("Edit7", KeyFilter::MapUpper);
    searchRow->addWidget(Edit7, 1);
    SpeedButton22 = named<QPushButton>("SpeedButton22");
    platform::setCaption(SpeedButton22, "Tra`i");
    searchRow->addWidget(SpeedButton22);
    layout->addLayout(searchRow);
    ListBox7 = resultList("ListBox7", {"Naziv propisa", "Broj/godina"});
    layout->addWidget(ListBox7, 1);
    Panel24 = named<QWidget>("Panel24");
    auto* versions = new QVBoxLayout(Panel24);
    versions->setContentsMargins(0, 0, 0, 0);
    Listbox9 = resultList("Listbox9", {"Naziv propisa", "Broj/godina"});
    versions->addWidget(Listbox9);
    layout->addWidget(Panel24);
    arhivacuvaj = resultList("arhivacuvaj", {"Naziv propisa", "Broj/godina"});
    arhivacuvaj->setParent(page);
    arhivacuvaj->hide();
}
