// The opinions tab: the ministries, the word and the date search, and opening an opinion.

#include "controls.h"
#include "images.h"
#include "mainwindow.h"

#include "error.h"
#include "filter.h"
#include "hints.h"
#include "opiniondates.h"
#include "prompter.h"
#include "screentext.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "searchwords.h"
#include "yuscii.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

using controls::button;
using controls::edit;
using controls::groupBox;
using controls::label;
using controls::reportFailure;
using controls::resultList;
using opiniondates::DateParts;
using opiniondates::End;
using opiniondates::Part;
using platform::KeyFilter;
using platform::named;

namespace {

// The title column is never narrower than this.
constexpr int kTitleColumnWidth = 400;

QSpinBox* dateSpin(const char* name, int minimum, int maximum, int value)
{
    auto* spin = named<QSpinBox>(name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    // Only the arrows (and the arrow keys) change the value; its text cannot be typed.
    if (auto* text = spin->findChild<QLineEdit*>()) {
        text->setReadOnly(true);
    }
    spin->setEnabled(false);
    return spin;
}

DateParts datesOf(const QSpinBox* day, const QSpinBox* month, const QSpinBox* year)
{
    return {day->value(), month->value(), year->value()};
}

void showDate(const DateParts& d, QSpinBox* day, QSpinBox* month, QSpinBox* year)
{
    // Written back quietly: the change handlers only need to run for the user's own change.
    const QSignalBlocker b1(day), b2(month), b3(year);
    day->setValue(d.day);
    month->setValue(d.month);
    year->setValue(d.year);
}

// The row of the opinions table's current record: its title and its date.
QTreeWidgetItem* opinionRow(const engine::Table& opinions)
{
    auto* item = new QTreeWidgetItem;
    item->setIcon(0, images::ImageList1(images::Document));
    item->setText(0, platform::toScreen(opinions.field(2).asString()));
    item->setText(1, platform::toScreen(opiniondates::opinionDate(opinions)));
    item->setTextAlignment(1, Qt::AlignCenter);
    return item;
}

} // namespace

void TForm1::buildOpinionsTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    // Narrow margins leave the list the whole width its columns are sized to.
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;

    QGroupBox* ministries = groupBox("GroupBox12", "Izbor po ministarstvima", "Izbor mi{ljenja po ministarstvima");
    auto* ministriesLayout = new QVBoxLayout(ministries);
    ComboBox1 = named<QComboBox>("ComboBox1");
    controls::tipCutChoice(ComboBox1);
    ministriesLayout->addWidget(ComboBox1);
    ministriesLayout->addStretch(1);
    top->addWidget(ministries, 3);

    QGroupBox* words = groupBox("GroupBox10", "Pretraga mi{ljenja", "Op{ti parametri pretrage mi{ljenja");
    auto* wordsLayout = new QVBoxLayout(words);
    QGroupBox* scope = groupBox("RadioGroup2", "Opseg pretrage", "Opseg tekstualne pretrage");
    auto* scopeLayout = new QVBoxLayout(scope);
    RadioButton3 = named<QRadioButton>("RadioButton3");
    platform::setCaption(RadioButton3, "Pretraga mi{ljenja po naslovima i tekstovima (sporo)");
    RadioButton4 = named<QRadioButton>("RadioButton4");
    platform::setCaption(RadioButton4, "Pretraga mi{ljenja po naslovima (brzo)");
    RadioButton4->setChecked(true);
    scopeLayout->addWidget(RadioButton3);
    scopeLayout->addWidget(RadioButton4);
    wordsLayout->addWidget(scope);
    auto* query = new QHBoxLayout;
    query->addWidget(label("Label57", "Klju~na re~ za pretragu"));
    Edit8 = edit("Edit8", KeyFilter::MapUpper);
    platform::setHint(Edit8, "Unesite re~ ili deo re~i za pretragu");
    query->addWidget(Edit8, 1);
    SpeedButton14 = button("SpeedButton14", "Pr&etra`i", "Po~ni pretragu");
    query->addWidget(SpeedButton14);
    wordsLayout->addLayout(query);
    top->addWidget(words, 4);

    const QDate today = QDate::currentDate();
    const int latest = opiniondates::latestYear(today);
    const DateParts from = opiniondates::defaultFrom();
    const DateParts to = opiniondates::defaultTo(today);
    QGroupBox* dates = groupBox("GroupBox9", "Pretraga mi{ljenja po datumu");
    auto* grid = new QGridLayout(dates);
    const auto text = [](const QByteArray& caption) { return new QLabel(platform::toScreen(caption)); };
    grid->addWidget(text("Dan"), 0, 1, Qt::AlignCenter);
    grid->addWidget(text("Mesec"), 0, 2, Qt::AlignCenter);
    grid->addWidget(text("Godina"), 0, 3, Qt::AlignCenter);
    grid->addWidget(text("Od: "), 1, 0);
    grid->addWidget(text("Do: "), 2, 0);
    SpinEdit5 = dateSpin("SpinEdit5", 1, 31, from.day);
    SpinEdit6 = dateSpin("SpinEdit6", 0, 12, from.month);
    SpinEdit13 = dateSpin("SpinEdit13", 1900, latest, from.year);
    SpinEdit14 = dateSpin("SpinEdit14", 1, 31, to.day);
    SpinEdit15 = dateSpin("SpinEdit15", 0, 12, to.month);
    SpinEdit16 = dateSpin("SpinEdit16", 1900, latest, to.year);
    grid->addWidget(SpinEdit5, 1, 1);
    grid->addWidget(SpinEdit6, 1, 2);
    grid->addWidget(SpinEdit13, 1, 3);
    grid->addWidget(SpinEdit14, 2, 1);
    grid->addWidget(SpinEdit15, 2, 2);
    grid->addWidget(SpinEdit16, 2, 3);
    SviDatumi = named<QCheckBox>("SviDatumi");
    platform::setCaption(SviDatumi, "Sve");
    SviDatumi->setChecked(true);
    grid->addWidget(SviDatumi, 3, 1);
    SpeedButton13 = button("SpeedButton13", "Pretra`i");
    SpeedButton13->setEnabled(false);
    grid->addWidget(SpeedButton13, 3, 2, 1, 2);
    Label59 = label("Label59", "Pretraga po datumima vr{i se nezavisno");
    Label59->setEnabled(false);
    grid->addWidget(Label59, 4, 0, 1, 4);
    top->addWidget(dates, 3);
    layout->addLayout(top);

    Listbox6 = resultList("Listbox6", {"Naziv mi{ljenja", "Datum objavljivanja"});
    platform::setHint(Listbox6, "Lista mi{ljenja po zadatom kriterijumu");
    Listbox6->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    // The date column takes what its caption and dates need, the titles the rest, also when the
    // rows bring a scroll bar; the list is kept wide enough for the titles' least width.
    controls::shareWidthByContents(Listbox6, 0);
    Listbox6->setMinimumWidth(kTitleColumnWidth + Listbox6->header()->sectionSizeHint(1) +
                              Listbox6->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * Listbox6->frameWidth());
    layout->addWidget(Listbox6, 1);

    connect(ComboBox1, &QComboBox::activated, this, [this] { izbormistara(); });
    connect(Edit8, &QLineEdit::returnPressed, SpeedButton14, &QPushButton::click);
    connect(SpeedButton14, &QPushButton::clicked, this, [this] { SpeedButton14Click(); });
    connect(SpeedButton13, &QPushButton::clicked, this, [this] { SpeedButton13Click(); });
    connect(SviDatumi, &QCheckBox::toggled, this, [this] { SviDatumiClick(); });
    const std::pair<QSpinBox*, void (TForm1::*)()> spins[] = {
        {SpinEdit5, &TForm1::SpinEdit5Change},   {SpinEdit6, &TForm1::SpinEdit6Change},
        {SpinEdit13, &TForm1::SpinEdit13Change}, {SpinEdit14, &TForm1::SpinEdit14Change},
        {SpinEdit15, &TForm1::SpinEdit15Change}, {SpinEdit16, &TForm1::SpinEdit16Change},
    };
    for (const auto& [spin, handler] : spins) {
        connect(spin, &QSpinBox::valueChanged, this, handler);
    }
    connect(Listbox6, &QTreeWidget::itemDoubleClicked, this, [this] { ListBox6DblClick(); });
    controls::onEnter(Listbox6, [this] { ListBox6DblClick(); });
}

void TForm1::izbormistara()
{
    Edit8->clear();
    if (!tablesReady({&ministarstva})) {
        return;
    }
    try {
        // Item 0 is "Sve", all ministries.
        if (ComboBox1->currentIndex() > 0) {
            misljenja.setMasterFields("MINISTARSTVO");
            ministarstva.setFilter("IME_MINISTARSTVA= " +
                                   engine::quoted(platform::fromScreen(ComboBox1->currentText())));
            ministarstva.setFiltered(true);
        } else {
            misljenja.setMasterFields({});
            ministarstva.setFilter({});
            ministarstva.setFiltered(false);
        }
        ministarstva.first();
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void TForm1::SpeedButton14Click()
{
    if (!tablesReady({&misljenja})) {
        return;
    }
    // The rows found go into the list however the scan ends.
    controls::PendingRows found(Listbox6);
    try {
        misljenja.setFilter({});
        const QByteArray query = platform::fromScreen(Edit8->text());
        if (searchwords::isShortQuery(query) && !platform::prompter().confirm(searchwords::ShortQueryQuestion)) {
            return;
        }
        const BusyState busy(*this);
        Listbox6->clear();
        const QByteArray upperQuery = yuscii::yupperW(query);
        QByteArrayList words;
        for (int i = 1, n = searchwords::WordCount(upperQuery); i <= n; ++i) {
            words.append(searchwords::ExtractWord(i, upperQuery));
        }
        misljenja.setMasterFields(ComboBox1->currentIndex() > 0 ? QByteArray("MINISTARSTVO") : QByteArray());

        // The texts are read from their search copies: plain and upper-cased already, so a text
        // is neither parsed nor case-folded here, and is held only while it is compared.
        std::optional<engine::SearchCopyReader> texts;
        if (RadioButton3->isChecked()) {
            texts.emplace(misljenja, data::SearchedField);
        }
        const engine::Field key = misljenja.field(0);
        const engine::Field title = misljenja.field(2);
        misljenja.first();
        const int count = misljenja.recordCount();
        controls::ProgressScale progress(ProgressBar1);
        progress.start(qint64(count) * words.size());
        QList<const QByteArray*> inText;
        for (int n = 0; n < count; ++n) {
            pumpMessages();
            const QByteArray upperTitle = yuscii::yupperW(title.asString());
            // The words the title lacks are looked for in the text: read once, and only then.
            inText.clear();
            for (const QByteArray& word : words) {
                if (!nadji(word, upperTitle)) {
                    inText.append(&word);
                    if (!texts) {
                        break;
                    }
                }
            }
            bool all = inText.isEmpty();
            if (!all && texts) {
                texts->read(key.value(), [&](QByteArrayView text) {
                    all = std::all_of(inText.begin(), inText.end(),
                                      [&](const QByteArray* word) { return searchwords::contains(text, *word); });
                });
            }
            progress.show(qint64(n + 1) * words.size());
            if (all) {
                found.add(opinionRow(misljenja));
            }
            misljenja.next();
        }
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
    found.flush();
    ProgressBar1->setValue(0);
}

void TForm1::SpeedButton13Click()
{
    if (!tablesReady({&misljenja})) {
        return;
    }
    try {
        const BusyState busy(*this);
        const QByteArray filter = SviDatumi->isChecked()
                                      ? QByteArray()
                                      : opiniondates::rangeFilter(datesOf(SpinEdit5, SpinEdit6, SpinEdit13),
                                                                  datesOf(SpinEdit14, SpinEdit15, SpinEdit16));
        misljenja.setFilter(filter);
        misljenja.setFiltered(true);
        sredimisljenja();
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void TForm1::sredimisljenja()
{
    Listbox6->clear();
    misljenja.first();
    // The rows read go into the list also when a read fails.
    controls::PendingRows rows(Listbox6);
    for (int n = 0, count = misljenja.recordCount(); n < count; ++n) {
        pumpMessages();
        rows.add(opinionRow(misljenja));
        misljenja.next();
    }
}

namespace {

void keepDatesInOrder(TForm1& f, End end, Part part)
{
    DateParts from = datesOf(f.SpinEdit5, f.SpinEdit6, f.SpinEdit13);
    DateParts to = datesOf(f.SpinEdit14, f.SpinEdit15, f.SpinEdit16);
    opiniondates::keepInOrder(from, to, end, part);
    showDate(from, f.SpinEdit5, f.SpinEdit6, f.SpinEdit13);
    showDate(to, f.SpinEdit14, f.SpinEdit15, f.SpinEdit16);
}

} // namespace

void TForm1::SpinEdit5Change()
{
    keepDatesInOrder(*this, End::From, Part::Day);
}

void TForm1::SpinEdit6Change()
{
    keepDatesInOrder(*this, End::From, Part::Month);
}

void TForm1::SpinEdit13Change()
{
    keepDatesInOrder(*this, End::From, Part::Year);
}

void TForm1::SpinEdit14Change()
{
    keepDatesInOrder(*this, End::To, Part::Day);
}

void TForm1::SpinEdit15Change()
{
    keepDatesInOrder(*this, End::To, Part::Month);
}

void TForm1::SpinEdit16Change()
{
    keepDatesInOrder(*this, End::To, Part::Year);
}

void TForm1::SviDatumiClick()
{
    const bool ranged = !SviDatumi->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{SpinEdit5, SpinEdit6, SpinEdit13, SpinEdit14, SpinEdit15,
                                                      SpinEdit16, Label59, SpeedButton13}) {
        w->setEnabled(ranged);
    }
}

void TForm1::ListBox6DblClick()
{
    const QTreeWidgetItem* row = controls::chosenRow(Listbox6);
    if (row == nullptr) {
        return;
    }
    const QByteArray title = controls::rowText(row, 0);
    const QByteArray date = controls::rowText(row, 1);
    // The title and the date name the opinion; the list may hold rows of another ministry than
    // the one chosen since, so the ministry link is off while the opinion is shown.
    const QByteArray ministryLink = misljenja.masterFields();
    try {
        misljenja.setMasterFields({});
        openOpinion(title, date);
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
    try {
        misljenja.setFilter({});
        misljenja.setMasterFields(ministryLink);
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}
