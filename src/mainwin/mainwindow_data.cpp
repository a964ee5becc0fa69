// The main window's work on the tables: the first activation, the lists it fills, the counts and
// the refresh on a tab change.

#include "controls.h"
#include "images.h"
#include "mainwindow.h"

#include "appvalues.h"
#include "error.h"
#include "prompter.h"
#include "richedit.h"
#include "screentext.h"
#include "statusbar.h"

#include <algorithm>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// Controls that show the user-interface font; the window's other controls inherit it anyway.
const char* const kUiFontControls[] = {
    "SpeedButton8",  "Label52",       "Label59",       "StatusBar1",    "PageControl1",  "SpeedButton17",
    "SpeedButton1",  "SpeedButton28", "SpeedButton21", "SpeedButton24", "SpeedButton25", "SpeedButton13",
    "SpeedButton14", "SpeedButton22", "SpeedButton9",  "SpeedButton18", "SpeedButton19", "SpeedButton3",
    "SpeedButton11", "SpeedButton12", "SpeedButton15", "SpeedButton29", "Label17",       "ComboBox5",
    "ComboBox1",     "Edit4",         "Edit5",         "Edit9",         "Edit7",         "Edit8",
    "Edit10",        "Edit12",        "Edit13",        "Edit2",         "Edit11",        "TreeView1",
    "ListBox3",      "ListBox7",      "Listbox9",      "ListBox5",      "ListBox4",      "ListBox2",
    "ListBox8",      "Listbox6",      "Edit6",
};

QTreeWidgetItem* addRow(QTreeWidget* list, int image, const QList<QByteArray>& columns)
{
    auto* item = new QTreeWidgetItem(list);
    item->setIcon(0, images::ImageList1(image));
    for (int i = 0; i < columns.size(); ++i) {
        item->setText(i, platform::toScreen(columns[i]));
    }
    return item;
}

} // namespace

void TForm1::firstActivation()
{
    const QFont uiFont(appvalues::UIFontName);
    for (const char* name : kUiFontControls) {
        if (auto* w = findChild<QWidget*>(QLatin1String(name))) {
            w->setFont(uiFont);
        }
    }
    RichEdit2->setFont(QFont(appvalues::LatinFontName));

    // A table that cannot be opened takes only what needs it out of use: every other table is
    // opened and every list whose tables opened is filled. The user is told of them all at once
    // when the window is ready.
    QList<data::OpenFailure> failures = openEach();
    m_fillFailures.clear();
    QCoreApplication::processEvents();
    fillStep({&Glasnici}, [this] { ubacipoglasnicima(); });
    poubacuj();
    // Only now: filling the tree selected its nodes, and that must not list anything. The lists'
    // headers start sorting at the same time, as nothing can be clicked while the window is busy.
    attachTreeView2Change();
    connectResultLists();
    if (m_startup != nullptr) {
        m_startup->hideStartup();
    }
    ComboBox4->setCurrentIndex(0);
    searching(false);
    StatusBar1->setPanelText(2, "Inicijalizacija zavr{ena");
    if (TreeView1->topLevelItemCount() > 0) {
        TreeView1->topLevelItem(0)->setExpanded(true);
        TreeView1->expandAll();
    }
    DBGrid13->setColumnHidden(1, true);
    DBGrid13->headerItem()->setText(0, platform::toScreen("Naziv ugovora"));
    if (m_startup != nullptr) {
        m_startup->stopSplashTimer();
    }
    // The attachments window opened its table as it was made; the user hears of it here, with the rest.
    if (const data::AttachmentTables* attachments = data::attachmentTables()) {
        if (const data::OpenFailure* failed = attachments->openFailure()) {
            failures.append(*failed);
        }
    }
    for (const engine::Error& e : std::as_const(m_fillFailures)) {
        failures.append({nullptr, e});
    }
    m_fillFailures.clear();
    if (!failures.isEmpty()) {
        platform::prompter().error(data::openFailuresMessage(failures));
    }
}

void TForm1::fillStep(std::initializer_list<const engine::Table*> tables, const std::function<void()>& step)
{
    if (!std::all_of(tables.begin(), tables.end(), [](const engine::Table* t) { return t->isActive(); })) {
        return;
    }
    try {
        step();
    } catch (const engine::Error& e) {
        m_fillFailures.append(e);
    }
}

bool TForm1::tablesReady(std::initializer_list<const engine::Table*> tables)
{
    for (const engine::Table* t : tables) {
        if (!t->isActive()) {
            platform::prompter().error(data::closedTableMessage(*t, openFailure(*t)));
            return false;
        }
    }
    return true;
}

void TForm1::poubacuj()
{
    ProgressBar1->setMaximum(vrstezakona.recordCount() + oblasti.recordCount() + ministarstva.recordCount() +
                             Glasnici.recordCount() + Glavna.recordCount());
    ProgressBar1->setValue(5);
    auto step = [this] { ProgressBar1->setValue(ProgressBar1->value() + 1); };

    fillStep({&ugovori}, [this] { sredicombo5(); });

    ComboBox3->clear();
    fillStep({&vrstezakona}, [&] {
        vrstezakona.first();
        for (int i = 0, n = vrstezakona.recordCount(); i < n; ++i) {
            ComboBox3->addItem(platform::toScreen(vrstezakona.field(1).asString()));
            step();
            vrstezakona.next();
        }
    });
    ComboBox3->setCurrentIndex(ComboBox3->count() > 0 ? 0 : -1);

    TreeView1->clear();
    fillStep({&oblasti}, [&] {
        oblasti.first();
        QTreeWidgetItem* root = nullptr;
        for (int i = 0, n = oblasti.recordCount(); i < n; ++i) {
            const QString name = platform::toScreen(oblasti.field(1).asString());
            if (root == nullptr) {
                root = new QTreeWidgetItem(TreeView1, {name});
                root->setIcon(0, images::ImageList1(images::AreasRoot));
            } else {
                new QTreeWidgetItem(root, {name});
                root->child(root->childCount() - 1)->setIcon(0, images::ImageList1(images::Document));
                step();
            }
            oblasti.next();
        }
    });

    fillStep({&ministarstva}, [&] {
        ministarstva.first();
        for (int i = 0, n = ministarstva.recordCount(); i < n; ++i) {
            ComboBox1->addItem(platform::toScreen(ministarstva.field(1).asString()));
            step();
            ministarstva.next();
        }
    });
    ComboBox1->setCurrentIndex(0);

    misljenja.setMasterFields({});

    ComboBox4->clear();
    ComboBox4->addItem(platform::toScreen("Sva glasila"));
    fillStep({&Glasnici}, [&] {
        for (int i = 0, n = Glasnici.recordCount(); i < n; ++i) {
            QCoreApplication::processEvents();
            Glasnici.first();
            Glasnici.moveBy(i);
            // Each gazette keeps its key: the search restricts by it, not by the item's position.
            ComboBox4->addItem(platform::toScreen(Glasnici.field(1).asString()), Glasnici.field(0).asInteger());
            step();
        }
    });

    Glasnici.setMasterFields("ID_GLASNIKA");

    ListBox2->clear();
    ListBox7->clear();
    // The search list needs the gazettes too; the archive list does without them.
    const bool gazettes = Glasnici.isActive();
    fillStep({&Glavna, &Zakoni, &arhiva}, [&] {
        Glavna.first();
        for (int i = 0, n = Glavna.recordCount(); i < n; ++i) {
            const QByteArray title = Zakoni.field(5).asString();
            const QByteArray numberYear = Zakoni.field(10).asString();
            const qint64 later = arhiva.field(2).asInteger();
            const qint64 earlier = arhiva.field(1).asInteger();
            int image = data::hasAdditionalInfo(Zakoni.field(8).asBytes()) ? images::MoreInfo : images::Document;
            if (later != 0) {
                image = images::Archived;
            }
            if (gazettes) {
                addRow(ListBox2, image, {title, Glasnici.field(1).asString(), numberYear});
            }
            if (later > 0 && earlier >= 0) {
                addRow(ListBox7, images::Archived, {title, numberYear});
            } else if (later == 0 && earlier > 0) {
                addRow(ListBox7, images::Document, {title, numberYear});
            }
            step();
            Glavna.next();
        }
    });

    fillStep({&Glavna}, [this] {
        Glavna.setFilter({});
        Glavna.first();
    });
    // The archive search narrows the list shown from this full copy; it is taken only here, where
    // the list is whole (a recount after a search would otherwise keep the narrowed list).
    arhivacuvaj->clear();
    for (int i = 0; i < ListBox7->topLevelItemCount(); ++i) {
        arhivacuvaj->addTopLevelItem(ListBox7->topLevelItem(i)->clone());
    }
    proveripropise();
    ProgressBar1->setValue(0);
}

void TForm1::proveripropise()
{
    const QByteArray savedFilter = Glavna.filter();
    Glavna.setFilter({});
    const int regulations = Glavna.recordCount();
    Glavna.setFilter(savedFilter);

    ugovori.setFiltered(false);
    const QByteArray opinionsMaster = misljenja.masterFields();
    misljenja.setMasterFields({});
    const int opinions = misljenja.recordCount();
    const int contracts = ugovori.recordCount();

    const QByteArray counts =
        QByteArray::number(regulations) + '/' + QByteArray::number(opinions) + '/' + QByteArray::number(contracts);
    StatusBar1->setPanelText(0, "Propisa/Mi{ljenja/Ugovora: " + counts);
    platform::setCaption(Label27, counts);

    ugovori.setFiltered(true);
    misljenja.setMasterFields(opinionsMaster);
}

void TForm1::osvezi()
{
    // A tab change reaches the tables too: a table that fails is told, and the tab shows anyway.
    switch (PageControl1->currentIndex()) {
    case mainpage::Gazettes:
        ComboBox3->setEnabled(false);
        controls::reported([this] {
            Zakoni.setMasterFields("ID_BROJA");
            Zakoni.setFilter({});
            Zakoni.setFiltered(true);
            Zakoni.setIndexFieldNames("ID_ZAKONA");
        });
        break;
    case mainpage::Search:
        ComboBox3->setEnabled(false);
        controls::reported([this] { Zakoni.setMasterFields({}); });
        RadioButton6->setChecked(true);
        break;
    case mainpage::Contracts: {
        bool third = false;
        if (controls::reported([&] { third = modelHasThirdParty(); })) {
            showThirdPartyFields(third);
        }
        break;
    }
    default:
        break;
    }
}
