#include "selectionlist.h"

#include "appvalues.h"
#include "controls.h"
#include "documentwindows.h"
#include "error.h"
#include "hints.h"
#include "mainwindow.h"
#include "prompter.h"
#include "screentext.h"
#include "titlesearch.h"
#include "versionchain.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using controls::reportFailure;
using controls::rowText;
using platform::named;

Tselekt* selekt = nullptr;

namespace {

enum Column { TitleColumn = 0, GazetteColumn = 1, NumberYearColumn = 2 };

QPushButton* button(const char* name, const QByteArray& caption)
{
    auto* b = named<QPushButton>(name);
    platform::setCaption(b, caption);
    // Enter belongs to the find field and the list, never to a default button of the dialog.
    b->setAutoDefault(false);
    return b;
}

} // namespace

Tselekt::Tselekt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("selekt"));
    platform::setCaption(this, "Lista propisa po zadatom kriterijumu");
    setWindowState(Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* details = new QHBoxLayout;
    Memo1 = named<QPlainTextEdit>("Memo1");
    // Read-only, but readable: the details are what the user looks at, not a disabled control.
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setFixedHeight(60);
    details->addWidget(Memo1, 1);
    SpeedButton3 = button("SpeedButton3", "Arhiva za ovaj propis");
    details->addWidget(SpeedButton3, 0, Qt::AlignTop);
    layout->addLayout(details);

    Listbox1 = controls::resultList("Listbox1", {"Naziv propisa", "Slu`beni glasnik", "Broj propisa"});
    Listbox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Listbox1->headerItem()->setTextAlignment(GazetteColumn, Qt::AlignCenter);
    Listbox1->headerItem()->setTextAlignment(NumberYearColumn, Qt::AlignCenter);
    // The gazette and number columns take what their texts need, the titles the rest.
    controls::shareWidthByContents(Listbox1, TitleColumn);
    Listbox1->header()->setSectionsClickable(true);
    layout->addWidget(Listbox1, 1);

    auto* bottom = new QHBoxLayout;
    Edit1 = controls::edit("Edit1", platform::KeyFilter::MapUpper);
    bottom->addWidget(Edit1, 1);
    SpeedButton1 = button("SpeedButton1", "&Selektuj");
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    SpeedButton2 = button("SpeedButton2", "Pret&hodna strana");
    platform::setHint(SpeedButton2, "Povratak u glavni meni");
    bottom->addWidget(SpeedButton2);
    layout->addLayout(bottom);

    const QFont uiFont(appvalues::UIFontName);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Edit1), static_cast<QWidget*>(SpeedButton1),
                       static_cast<QWidget*>(Listbox1)}) {
        w->setFont(uiFont);
    }

    connect(SpeedButton1, &QPushButton::clicked, this, &Tselekt::SpeedButton1Click);
    connect(Edit1, &QLineEdit::returnPressed, SpeedButton1, &QPushButton::click);
    connect(SpeedButton2, &QPushButton::clicked, this, &QDialog::close);
    connect(SpeedButton3, &QPushButton::clicked, this, &Tselekt::SpeedButton3Click);
    connect(Listbox1, &QTreeWidget::itemDoubleClicked, this, &Tselekt::Listbox1DblClick);
    controls::onEnter(Listbox1, [this] { Listbox1DblClick(); });
    connect(Listbox1->header(), &QHeaderView::sectionClicked, this, &Tselekt::Listbox1ColumnClick);
    connect(Listbox1, &QTreeWidget::itemSelectionChanged, this, &Tselekt::change);
    connect(Listbox1, &QTreeWidget::currentItemChanged, this, &Tselekt::change);

    selekt = this;
}

Tselekt::~Tselekt()
{
    if (selekt == this) {
        selekt = nullptr;
    }
}

void Tselekt::showRows(const QList<mainwin::SelectionRow>& rows)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const mainwin::SelectionRow& r : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(TitleColumn, platform::toScreen(r.title));
        item->setText(GazetteColumn, platform::toScreen(r.gazette));
        item->setText(NumberYearColumn, platform::toScreen(r.numberYear));
        item->setTextAlignment(GazetteColumn, Qt::AlignCenter);
        item->setTextAlignment(NumberYearColumn, Qt::AlignCenter);
        items.append(item);
    }
    Listbox1->addTopLevelItems(items);
    // Without a window manager a maximised window keeps its size; give it the screen first.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }
    exec();
}

// ---- The window's life ------------------------------------------------------------------------

void Tselekt::FormActivate()
{
    // An activation reported after the window was hidden again belongs to no showing.
    if (!ReloadFlag || !isVisible()) {
        return;
    }
    Edit1->clear();
    if (Listbox1->topLevelItemCount() > 0) {
        Listbox1->setCurrentItem(Listbox1->topLevelItem(0));
    }
    ReloadFlag = false;
}

void Tselekt::FormClose()
{
    ReloadFlag = true;
    if (Form1 != nullptr) {
        Form1->ProgressBar1->setValue(0);
    }
    Listbox1->clear();
    controls::clearSortMarker(Listbox1);
    m_tested = false;
}

bool Tselekt::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QDialog::event(event);
}

void Tselekt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Showing the window is its activation, also where the platform reports none.
    FormActivate();
}

void Tselekt::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void Tselekt::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::ControlModifier) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        return; // the window closes by its button, Ctrl+F4 or its close box only
    }
    QDialog::keyPressEvent(event);
}

void Tselekt::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        minimiseProgram(this);
    }
}

// ---- Rows ---------------------------------------------------------------------------------------

QTreeWidgetItem* Tselekt::chosenRow() const
{
    const QModelIndexList rows = Listbox1->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return nullptr;
    }
    int first = rows.first().row();
    for (const QModelIndex& index : rows) {
        first = std::min(first, index.row());
    }
    return Listbox1->topLevelItem(first);
}

void Tselekt::SpeedButton1Click()
{
    if (Listbox1->topLevelItemCount() == 0) {
        return;
    }
    QAbstractItemModel* model = Listbox1->model();
    Listbox1->selectionModel()->setCurrentIndex(model->index(0, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QByteArray piece = platform::fromScreen(Edit1->text());
    if (piece.isEmpty()) {
        return;
    }
    QByteArrayList titles;
    titles.reserve(Listbox1->topLevelItemCount());
    for (int i = 0; i < Listbox1->topLevelItemCount(); ++i) {
        titles.append(rowText(Listbox1->topLevelItem(i), TitleColumn));
    }
    // One selection for all rows, given at once: the details pane then runs once, not once for
    // every row whose state changes.
    QItemSelection selection;
    const QList<int> found = titlesearch::matching(titles, piece);
    for (int k = 0; k < found.size();) {
        int end = k;
        while (end + 1 < found.size() && found[end + 1] == found[end] + 1) {
            ++end;
        }
        selection.select(model->index(found[k], 0), model->index(found[end], 0));
        k = end + 1;
    }
    Listbox1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (found.isEmpty()) {
        platform::prompter().message("Nije pronadjen nijedan propis sa zadatim tekstom u naslovu");
        return;
    }
    Listbox1->scrollToItem(Listbox1->topLevelItem(found.first()));
    Listbox1->setFocus();
}

void Tselekt::Listbox1ColumnClick(int column)
{
    // Sorting takes the rows out and puts them back in order; the rows selected before (a find
    // may have selected many) are selected again, in one selection.
    const QList<QTreeWidgetItem*> selected = Listbox1->selectedItems();
    controls::sortByColumn(Listbox1, sortrules::Rule::ThreeColumnRegulations, column);
    SortColumn = column;
    QItemSelection selection;
    for (QTreeWidgetItem* item : selected) {
        const QModelIndex index = Listbox1->model()->index(Listbox1->indexOfTopLevelItem(item), 0);
        selection.select(index, index);
    }
    Listbox1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Tselekt::change()
{
    const QTreeWidgetItem* row = Listbox1->topLevelItemCount() > 0 ? chosenRow() : nullptr;
    if (row == nullptr) {
        return;
    }
    const QByteArray title = rowText(row, TitleColumn);
    Memo1->setPlainText(platform::toScreen(title) + QLatin1Char('\n') +
                        platform::toScreen(rowText(row, GazetteColumn) + " (" + rowText(row, NumberYearColumn) + ")"));
    Memo1->moveCursor(QTextCursor::Start);
    if (title.isEmpty()) {
        return;
    }
    if (!m_tested || m_testedTitle != title) {
        try {
            m_testedAnswer = jelimastariji(title);
            m_testedTitle = title;
            m_tested = true;
        } catch (const engine::Error& e) {
            m_tested = false;
            SpeedButton3->setEnabled(false);
            // The pane runs for every change of the selection, several times in one click or find:
            // the failure is told once for the user's action.
            if (!m_failureTold) {
                m_failureTold = true;
                QTimer::singleShot(0, this, [this] { m_failureTold = false; });
                reportFailure(e);
            }
            return;
        }
    }
    SpeedButton3->setEnabled(m_testedAnswer);
}

void Tselekt::Listbox1DblClick()
{
    const QTreeWidgetItem* row = chosenRow();
    if (row == nullptr || Form1 == nullptr) {
        return;
    }
    try {
        Form1->openRegulation({rowText(row, TitleColumn), rowText(row, NumberYearColumn), false, true, true});
    } catch (const engine::Error& e) {
        reportFailure(e);
    }
}

void Tselekt::SpeedButton3Click()
{
    const QTreeWidgetItem* row = chosenRow();
    if (row == nullptr || Form1 == nullptr) {
        return;
    }
    Form1->searchArchiveFor(rowText(row, TitleColumn));
    close();
}

// ---- Version tests ------------------------------------------------------------------------------

bool Tselekt::jelimastariji(const QByteArray& title)
{
    // Without the regulations or their version records no version is known.
    if (Form1 == nullptr || !Form1->Zakoni.isActive() || !Form1->arhiva.isActive()) {
        return false;
    }
    const versionchain::Links links = versionchain::linksByTitle(Form1->Zakoni, Form1->arhiva, title);
    return links.earlier != 0 || links.later != 0;
}

int Tselekt::stariji(const QByteArray& title)
{
    if (Form1 == nullptr) {
        return -1;
    }
    const qint64 earlier = versionchain::linksByTitle(Form1->Zakoni, Form1->arhiva, title).earlier;
    return earlier != 0 ? int(earlier) : -1;
}
