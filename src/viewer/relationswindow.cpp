#include "relationswindow.h"

#include "appvalues.h"
#include "controls.h"
#include "error.h"
#include "images.h"
#include "mainwindow.h"
#include "prompter.h"
#include "relations.h"
#include "screentext.h"
#include "viewerwindow.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using platform::named;

Trelacije* relacije = nullptr;

namespace {

// Rows as high as their titles need at the width their column has: a tree view asks its delegate
// for a row's height without the column's width, so a wrapped title would keep one line.
class WrappedTitles final : public QStyledItemDelegate {
public:
    explicit WrappedTitles(QTreeView* list) : QStyledItemDelegate(list), m_list(list)
    {
        connect(list->header(), &QHeaderView::sectionResized, list, [list] { list->doItemsLayout(); });
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem sized = option;
        sized.rect = QRect(0, 0, m_list->columnWidth(index.column()), 1);
        return QStyledItemDelegate::sizeHint(sized, index);
    }

private:
    QTreeView* m_list;
};

} // namespace

Trelacije::Trelacije(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("relacije"));
    platform::setCaption(this, "Relacije");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(690, 391);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    GroupBox1 = named<QGroupBox>("GroupBox1");
    platform::setCaption(GroupBox1, "Relevantni dokumenti u bazi ");
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    ListView1 = named<QTreeWidget>("ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setHeaderLabels(
        {platform::toScreen("Naziv propisa/slu`benog mi{ljenja"), platform::toScreen("Broj/Datum")});
    ListView1->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    // The window keeps its size and the titles are long: the date or number/year takes what it
    // needs, and a title that does not fit the rest goes on over more lines of its row.
    controls::shareWidthByContents(ListView1, 0);
    ListView1->setWordWrap(true);
    ListView1->setTextElideMode(Qt::ElideNone);
    ListView1->setItemDelegate(new WrappedTitles(ListView1));
    groupLayout->addWidget(ListView1);
    layout->addWidget(GroupBox1, 1);

    auto* panel = named<QFrame>("Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedHeight(35);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(4, 1, 4, 1);
    SpeedButton1 = named<QPushButton>("SpeedButton1");
    platform::setCaption(SpeedButton1, "&Na|i dokument");
    SpeedButton1->setFlat(true);
    SpeedButton1->setFixedSize(133, 25);
    SpeedButton1->setFont(QFont(appvalues::UIFontName));
    SpeedButton1->setAutoDefault(false);
    Label1 = named<QLabel>("Label1");
    // The button's name is quoted with its access-key mark, which a label shows as the
    // underline of the letter it marks, not as a character.
    const QByteArray note = "Napomena: Kada kliknete na \"&Na|i dokument\" sa ovog listinga dobi}ete njegov naziv u "
                            "polju za pretragu";
    Label1->setText(platform::toScreen(note).replace(QStringLiteral("&N"), QStringLiteral("<u>N</u>")));
    Label1->setTextFormat(Qt::RichText);
    Label1->setWordWrap(true);
    panelLayout->addWidget(SpeedButton1);
    panelLayout->addWidget(Label1, 1);
    layout->addWidget(panel);

    connect(SpeedButton1, &QPushButton::clicked, this, &Trelacije::SpeedButton1Click);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &Trelacije::ListView1DblClick);
    relacije = this;
}

Trelacije::~Trelacije()
{
    if (relacije == this) {
        relacije = nullptr;
    }
}

void Trelacije::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    FormActivate();
}

void Trelacije::FormActivate()
{
    setFont(QFont(appvalues::UIFontName));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(palette);
}

int Trelacije::fill(bool opinionShown)
{
    ListView1->clear();
    m_listsOpinions = !opinionShown;
    QList<relations::Row> rows;
    if (m_listsOpinions) {
        ListView1->setHeaderLabels({platform::toScreen("Naziv slu`benog mi{ljenja"), platform::toScreen("Datum")});
        rows = relations::relatedOpinions(*Form1, Form1->Zakoni.field(0).asString());
    } else {
        ListView1->setHeaderLabels({platform::toScreen("Naziv propisa"), platform::toScreen("Broj/godina")});
        rows = relations::relatedRegulations(*Form1, Form1->misljenja.field(0).asString());
    }
    QList<QTreeWidgetItem*> items;
    for (const relations::Row& row : rows) {
        auto* item = new QTreeWidgetItem;
        item->setIcon(0, images::ImageList1(images::Document));
        item->setText(0, platform::toScreen(row.title));
        item->setText(1, platform::toScreen(row.second));
        item->setTextAlignment(1, Qt::AlignCenter);
        items.append(item);
    }
    ListView1->addTopLevelItems(items);
    return int(rows.size());
}

void Trelacije::showForViewerDocument()
{
    const bool opinionShown = Form3 != nullptr && Form3->showsOpinion();
    if (!Form1->tablesReady(opinionShown
                                ? std::initializer_list<const engine::Table*>{&Form1->link, &Form1->lookzakoni}
                                : std::initializer_list<const engine::Table*>{&Form1->link, &Form1->misljenja})) {
        return;
    }
    int rows = 0;
    try {
        rows = fill(opinionShown);
    } catch (const engine::Error& e) {
        controls::reportFailure(e);
        return;
    }
    if (rows == 0) {
        platform::prompter().message("Nema relacionih dokumenta vezanih za ovo misljenje ili propis.");
        return;
    }
    setFont(QFont(appvalues::UIFontName));
    exec();
}

void Trelacije::SpeedButton1Click()
{
    findDocument(true);
}

void Trelacije::ListView1DblClick()
{
    findDocument(false);
}

void Trelacije::findDocument(bool fromButton)
{
    const QTreeWidgetItem* row = controls::chosenRow(ListView1);
    if (row == nullptr) {
        if (fromButton) {
            platform::prompter().message("Morate izabrati dokument sa liste!");
        }
        return;
    }
    const QByteArray title = controls::rowText(row, 0);
    if (m_listsOpinions) {
        platform::setFieldText(Form1->Edit8, title);
        Form1->PageControl1->setCurrentIndex(mainpage::Opinions);
        QCoreApplication::processEvents();
        Form1->show();
        Form1->SpeedButton14->click();
    } else {
        platform::setFieldText(Form1->Edit2, title);
        Form1->PageControl1->setCurrentIndex(mainpage::Search);
        Form1->show();
        QCoreApplication::processEvents();
        // The search runs as its button runs it, with the scope the search tab shows.
        Form1->SpeedButton1->click();
    }
    accept();
    if (Form3 != nullptr) {
        Form3->close();
    }
}
