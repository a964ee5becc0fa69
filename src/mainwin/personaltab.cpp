// The personal lists tab: frequently opened regulations, recent searches and the quick-open list.

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
#include <QMenu>
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

void TForm1::buildPersonalTab(QWidget* page)
{
    auto* layout = new QGridLayout(page);
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

void TForm1::sredibrze()
{
    PopupMenu1->clear();
    PopupMenu1->addAction(platform::toScreen("Oznaceni propisi"))->setEnabled(false);
    PopupMenu1->addSeparator()->setEnabled(false);
    for (int i = 0; i < ListBox8->count(); ++i) {
        // The title is the caption as it stands: "&" is not an accelerator here.
        QString caption = ListBox8->item(i)->text();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = PopupMenu1->addAction(caption);
        action->setData(i);
        connect(action, &QAction::triggered, this, [this, i] { PopupMenuItemsClick(i); });
    }
}

void TForm1::PopupMenuItemsClick(int index)
{
    Q_UNUSED(index);
}

void TForm1::dodajuceste(const QByteArray& title)
{
    Q_UNUSED(title);
}
