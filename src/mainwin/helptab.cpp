// The help tab: the publisher's panel, the help text, the contact buttons and the manual.

#include "controls.h"
#include "mainwindow.h"

#include "hints.h"
#include "paths.h"
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

void TForm1::buildHelpTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
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

void TForm1::placeHelpLabels(int offset34, int offset61)
{
    const int panelWidth = Panel11->width();
    const std::pair<QLabel*, int> labels[] = {{Label34, offset34}, {Label52, 32}, {Label60, 32}, {Label61, offset61}};
    for (const auto& [label, offset] : labels) {
        label->adjustSize();
        label->move(qRound((panelWidth - label->width()) / 2.0) + offset, label->y());
    }
}

void TForm1::loadHelpText()
{
    // The help text comes with the installation; without it the help page stays empty.
    RichEdit3->loadFile(platform::programFile(QStringLiteral("dostava.rtf")));
}
