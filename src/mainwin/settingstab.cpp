// The settings tab: printer set-up, updates, repair, the interface level, the proxy and the tone.

#include "controls.h"
#include "mainwindow.h"
#include "upperwindows.h"

#include "hints.h"
#include "printerenv.h"
#include "prompter.h"
#include "repair.h"
#include "screentext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using controls::button;
using controls::edit;
using controls::label;
using platform::KeyFilter;
using platform::named;

namespace {

QFrame* panel(const char* name, const QByteArray& hint)
{
    auto* frame = named<QFrame>(name);
    frame->setFrameShape(QFrame::StyledPanel);
    platform::setHint(frame, hint);
    return frame;
}

} // namespace

void TForm1::buildSettingsTab(QWidget* page)
{
    auto* layout = new QGridLayout(page);

    auto* printer = panel("Panel5", "Izbor vrste {tampaca, veli~ine papira i orijentacije");
    SpeedButton26 = button("SpeedButton26", "Pode{avanje {tampa~a", "Parametri rada {tampa~a");
    connect(SpeedButton26, &QPushButton::clicked, this, &TForm1::SpeedButton26Click);
    auto* printerLayout = new QHBoxLayout(printer);
    printerLayout->addWidget(SpeedButton26);
    printerLayout->addStretch(1);

    auto* letters = panel("Panel7", "Izbor vrste i velicine slova za program");
    Panel28 = panel("Panel28", "Opcije vezane za prikaz slova");
    auto* lettersLayout = new QVBoxLayout(letters);
    lettersLayout->addWidget(Panel28);
    (new QHBoxLayout(Panel28))->addWidget(contractColorRow());

    auto* update = panel("Panel9", "Verzija i izbor na~ina a`uriranja baze zakona");
    SpeedButton2 = button("SpeedButton2", "A`uriranje", "Otvara nov prozor sa parametrima a`uriranja");
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    SpeedButton27 = button("SpeedButton27", "Popravka", "Automatska provera i popravka baze");
    connect(SpeedButton27, &QPushButton::clicked, this, &TForm1::SpeedButton27Click);
    Label27 = label("Label27", "");
    auto* updateLayout = new QGridLayout(update);
    updateLayout->addWidget(SpeedButton2, 0, 0);
    updateLayout->addWidget(SpeedButton27, 0, 1);
    updateLayout->addWidget(label("Label25", "Broj propisa/mi{ljenja/ugovora u bazi"), 1, 0, 1, 2);
    updateLayout->addWidget(Label27, 2, 0, 1, 2);
    updateLayout->setColumnStretch(2, 1);

    auto* options = panel("Panel3", "Razne opcije");
    CheckBox5 = named<QCheckBox>("CheckBox5");
    platform::setCaption(CheckBox5, "Koristi ton za ozna~avanje kraja pretrage");
    platform::setHint(CheckBox5, "Kratak sistemski ton na kraju svake pretrage");
    CheckBox5->setChecked(true);
    ComboBox2 = named<QComboBox>("ComboBox2");
    for (const char* item : {"Jednostavno", "Napredno", "Sve opcije"}) {
        ComboBox2->addItem(platform::toScreen(item));
    }
    ComboBox2->setCurrentIndex(2);
    platform::setHint(ComboBox2, "Smanjenje broja opcija programa");
    connect(ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Change);
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(CheckBox5, 0, 0, 1, 3);
    optionsLayout->addWidget(label("Label18", "Nivo kompleksnosti"), 1, 0);
    optionsLayout->addWidget(ComboBox2, 1, 1);
    optionsLayout->setColumnStretch(2, 1);

    QGroupBox* proxy =
        controls::groupBox("GroupBox1", "Pode{avanje proxy servera",
                           "Parametri za povezivanje na internet (proverite pode{avanja u Internet Exploreru)");
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
    Edit14->setMinimumWidth(300);
    Edit15->setFixedWidth(80);
    proxyLayout->setColumnStretch(2, 1);
    CheckBox4Click();

    layout->addWidget(printer, 0, 0);
    layout->addWidget(update, 0, 1);
    layout->addWidget(letters, 1, 0);
    layout->addWidget(options, 1, 1);
    layout->addWidget(proxy, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
}

void TForm1::SpeedButton26Click()
{
    if (platform::checkDefaultPrinter()) {
        platform::printerEnvironment().choosePrinter(this);
    }
}

void TForm1::SpeedButton2Click()
{
    if (auto* window = mainwin::updateWindow()) {
        window->showUpdater();
    }
}

void TForm1::SpeedButton27Click()
{
    // Busy: no list may walk a table while its file is replaced, and Escape stops nothing here.
    BusyState busy(*this);
    // The steps are percentages; the bar may still hold the range of an earlier operation.
    ProgressBar1->setRange(0, 100);
    const data::AttachmentTables* attachments = data::attachmentTables();
    const repair::Outcome outcome = repair::run(*this, attachments != nullptr ? &attachments->Table1 : nullptr,
                                                [this](int progress) { ProgressBar1->setValue(progress); });
    platform::prompter().message(repair::message(outcome));
    ProgressBar1->setValue(0);
    takeStopRequest(); // an Escape pressed meanwhile is not left to stop the next search
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
