// The contract models tab: a model filled in with the parties' data, searched, printed and
// copied; and the user's own contracts, listed, renamed, edited, printed and deleted.

#include "contractfill.h"
#include "controls.h"
#include "mainwindow.h"

#include "appvalues.h"
#include "error.h"
#include "filter.h"
#include "hints.h"
#include "plaintext.h"
#include "prevprinter.h"
#include "printerenv.h"
#include "prompter.h"
#include "richedit.h"
#include "screentext.h"
#include "usermessages.h"
#include "yusciicursor.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using controls::button;
using controls::edit;
using controls::label;
using controls::resultList;
using platform::KeyFilter;
using platform::named;

namespace {

constexpr int kUserContractsPage = 1;
// Added to the table's message when the window closes with edits that could not be saved.
const QByteArray kContractNotSavedOnClosing = "Izmena korisni~kog ugovora nije sa~uvana.";
// Entry fields: 250 pixels wide on the tabs' pale yellow.
constexpr int kFieldWidth = 250;

QToolButton* navigatorButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(b->style()->standardIcon(icon));
    b->setAutoRaise(false);
    return b;
}

QToolButton* navigatorButton(const QWidget* navigator, const char* name)
{
    return navigator->findChild<QToolButton*>(QLatin1String(name));
}

// The colours of the colour box: the standard sixteen, then the system's, each by its name.
struct NamedColour {
    const char* name;
    QColor colour;
};

QList<NamedColour> colourBoxColours()
{
    const QPalette p = QApplication::palette();
    return {
        {"Black", QColor(0, 0, 0)},
        {"Maroon", QColor(128, 0, 0)},
        {"Green", QColor(0, 128, 0)},
        {"Olive", QColor(128, 128, 0)},
        {"Navy", QColor(0, 0, 128)},
        {"Purple", QColor(128, 0, 128)},
        {"Teal", QColor(0, 128, 128)},
        {"Gray", QColor(128, 128, 128)},
        {"Silver", QColor(192, 192, 192)},
        {"Red", QColor(255, 0, 0)},
        {"Lime", QColor(0, 255, 0)},
        {"Yellow", QColor(255, 255, 0)},
        {"Blue", QColor(0, 0, 255)},
        {"Fuchsia", QColor(255, 0, 255)},
        {"Aqua", QColor(0, 255, 255)},
        {"White", QColor(255, 255, 255)},
        {"ScrollBar", p.color(QPalette::Button)},
        {"Background", p.color(QPalette::Window)},
        {"ActiveCaption", p.color(QPalette::Active, QPalette::Highlight)},
        {"InactiveCaption", p.color(QPalette::Inactive, QPalette::Highlight)},
        {"Menu", p.color(QPalette::Window)},
        {"Window", p.color(QPalette::Base)},
        {"WindowFrame", p.color(QPalette::Shadow)},
        {"MenuText", p.color(QPalette::WindowText)},
        {"WindowText", p.color(QPalette::Text)},
        {"CaptionText", p.color(QPalette::Active, QPalette::HighlightedText)},
        {"ActiveBorder", p.color(QPalette::Window)},
        {"InactiveBorder", p.color(QPalette::Window)},
        {"AppWorkSpace", p.color(QPalette::Dark)},
        {"Highlight", p.color(QPalette::Highlight)},
        {"HighlightText", p.color(QPalette::HighlightedText)},
        {"BtnFace", p.color(QPalette::Button)},
        {"BtnShadow", p.color(QPalette::Dark)},
        {"GrayText", p.color(QPalette::Disabled, QPalette::Text)},
        {"BtnText", p.color(QPalette::ButtonText)},
        {"InactiveCaptionText", p.color(QPalette::Disabled, QPalette::WindowText)},
        {"BtnHighlight", p.color(QPalette::Light)},
        {"3DDkShadow", p.color(QPalette::Shadow)},
        {"3DLight", p.color(QPalette::Midlight)},
        {"InfoText", p.color(QPalette::ToolTipText)},
        {"InfoBk", p.color(QPalette::ToolTipBase)},
    };
}

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

QString latinFamily()
{
    return appvalues::LatinFontName.isEmpty() ? richtext::DefaultFamily : appvalues::LatinFontName;
}

} // namespace

// ---- Building the tab --------------------------------------------------------------------------

void TForm1::buildContractsTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    Panel32 = label("Panel32", "Modele tipskih ugovora morate prilagoditi sopstvenim potrebama pre upotrebe");
    Panel32->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel32->setAlignment(Qt::AlignCenter);
    Panel32->setMargin(4);
    QFont bannerFont = Panel32->font();
    bannerFont.setBold(true);
    Panel32->setFont(bannerFont);
    layout->addWidget(Panel32);

    PageControl3 = named<QTabWidget>("PageControl3");
    layout->addWidget(PageControl3, 1);
    auto* models = named<QWidget>("TabSheet10");
    PageControl3->addTab(models, platform::toScreen("Izbor &modela tipskih ugovora"));
    auto* user = named<QWidget>("TabSheet11");
    PageControl3->addTab(user, platform::toScreen("Ugovori menjani od strane &korisnika"));
    buildModelsPage(models);
    buildUserContractsPage(user);
    connect(PageControl3, &QTabWidget::currentChanged, this, &TForm1::PageControl3Change);

    // The user's edits are saved when the user leaves the tab, as when leaving the page.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_onContractsTab && index != mainpage::Contracts) {
            saveUserContract();
        }
        m_onContractsTab = index == mainpage::Contracts;
    });
    // The list and the edit fields follow the table, whoever moves or changes it; while the
    // user's edits wait for their save, the table stays on the contract they were made to (a
    // refill would take it back to the same row, which may hold another contract once another
    // program has changed the file).
    connect(&KorisnickiUgovori, &engine::Table::recordSetChanged, this, [this] {
        if (!m_savingUserContract && !userContractEdited()) {
            fillUserContractsGrid();
        }
    });
    connect(&KorisnickiUgovori, &engine::Table::currentChanged, this, [this] {
        if (m_savingUserContract || userContractEdited()) {
            return;
        }
        const int rows = KorisnickiUgovori.isActive() ? KorisnickiUgovori.recordCount() : 0;
        if (DBGrid13->topLevelItemCount() != rows) {
            fillUserContractsGrid();
        }
        showUserContract();
    });
}

void TForm1::buildModelsPage(QWidget* page)
{
    auto* row = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    left->addWidget(label("ModelLabel", "Izbor tipskog ugovora"));
    ComboBox5 = named<QComboBox>("ComboBox5");
    ComboBox5->setFixedWidth(kFieldWidth + 20);
    platform::setHint(ComboBox5, "Izbor modela tipskog ugovora");
    connect(ComboBox5, &QComboBox::activated, this, &TForm1::ComboBox5Change);
    left->addWidget(ComboBox5);
    left->addSpacing(8);

    QGroupBox* group = controls::groupBox("FieldsGroup", "Potrebni podaci",
                                          "Neophodni podaci, mo`ete ih ostaviti praznim za tipsku varijantu");
    auto* fields = new QVBoxLayout(group);
    fields->setSpacing(2);
    const struct {
        QLineEdit** field;
        const char* name;
        const char* caption;
    } entries[] = {
        {&Edit4, "Edit4", "Mesto"},
        {&Edit5, "Edit5", "Datum"},
        {&Edit9, "Edit9", "Naziv prve ugovorne strane"},
        {&Edit12, "Edit12", "Mesto i adresa prve ugovorne strane"},
        {&Edit10, "Edit10", "Naziv druge ugovorne strane"},
        {&Edit13, "Edit13", "Mesto i adresa druge ugovorne strane"},
        {&Edit17, "Edit17", "Naziv tre}e ugovorne strane"},
        {&Edit18, "Edit18", "Mesto i adresa tre}e ugovorne strane"},
    };
    for (const auto& e : entries) {
        auto* caption = label((QByteArray(e.name) + "Label").constData(), e.caption);
        *e.field = edit(e.name, KeyFilter::Map);
        (*e.field)->setFixedWidth(kFieldWidth);
        controls::fill(*e.field);
        caption->setBuddy(*e.field);
        fields->addWidget(caption);
        fields->addWidget(*e.field);
        fields->addSpacing(4);
    }
    left->addWidget(group);
    auto* note = label("RefreshNote", "Za osve`avanje prikaza teksta kliknite na Popuni");
    note->setWordWrap(true);
    note->setMaximumWidth(kFieldWidth + 20);
    left->addWidget(note);
    left->addStretch(1);
    row->addLayout(left);

    PageControl4 = named<QTabWidget>("PageControl4");
    auto* textPage = named<QWidget>("ModelTextPage");
    auto* textLayout = new QVBoxLayout(textPage);
    auto* buttons = new QHBoxLayout;
    SpeedButton9 = button("SpeedButton9", "Pop&uni", "Generisanje dokumenta");
    SpeedButton18 = button("SpeedButton18", "Preba&ci u korisni~ke ugovore", "Izmena generisanog dokumenta");
    SpeedButton28 = button("SpeedButton28", "[tam&pa", "Prikaz {tampe dokumenta");
    for (QPushButton* b : {SpeedButton9, SpeedButton18, SpeedButton28}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    textLayout->addLayout(buttons);
    RichEdit2 = named<richtext::RichEdit>("RichEdit2");
    RichEdit2->setReadOnly(true);
    RichEdit2->setFont(QFont(QStringLiteral("MS Sans Serif")));
    RichEdit2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    platform::setHint(RichEdit2, "Tekst ugovora");
    textLayout->addWidget(RichEdit2, 1);
    auto* search = new QHBoxLayout;
    Edit6 = edit("Edit6", KeyFilter::MapUpper);
    Edit6->setFixedWidth(kFieldWidth);
    platform::setHint(Edit6, "Unesite re~ ili deo re~i za pretragu");
    SpeedButton19 = button("SpeedButton19", "&Tra`i", "Po~ni pretragu");
    search->addWidget(Edit6);
    search->addWidget(SpeedButton19);
    search->addStretch(1);
    textLayout->addLayout(search);
    PageControl4->addTab(textPage, platform::toScreen("Tekst &modela ugovora"));

    DBRichEdit5 = named<richtext::RichEdit>("DBRichEdit5");
    DBRichEdit5->setReadOnly(true);
    platform::setHint(DBRichEdit5, "Napomena za izabrani tipski model ugovora");
    DBRichEdit5->bindTo(&ugovori, &engine::Table::currentChanged, [this] {
        return ugovori.isActive() ? ugovori.fieldByName("Napomena").asBytes() : QByteArray();
    });
    PageControl4->addTab(DBRichEdit5, platform::toScreen("N&apomena za izabrani model ugovora"));
    row->addWidget(PageControl4, 1);

    connect(SpeedButton9, &QPushButton::clicked, this, &TForm1::SpeedButton9Click);
    connect(SpeedButton18, &QPushButton::clicked, this, &TForm1::SpeedButton18Click);
    connect(SpeedButton28, &QPushButton::clicked, this, &TForm1::SpeedButton28Click);
    connect(SpeedButton19, &QPushButton::clicked, this, &TForm1::SpeedButton19Click);
    connect(Edit6, &QLineEdit::returnPressed, SpeedButton19, &QPushButton::click);
}

void TForm1::buildUserContractsPage(QWidget* page)
{
    // Lies under the list's panel: only its accelerator reaches it.
    SpeedButton29 = button("SpeedButton29", "O&bri{i");
    SpeedButton29->setParent(page);
    QFont boldFont = SpeedButton29->font();
    boldFont.setBold(true);
    SpeedButton29->setFont(boldFont);
    SpeedButton29->move(60, 24);
    SpeedButton29->show();
    connect(SpeedButton29, &QPushButton::clicked, this, &TForm1::SpeedButton29Click);

    auto* row = new QHBoxLayout(page);
    auto* listPanel = named<QWidget>("UserContractsPanel");
    listPanel->setAutoFillBackground(true);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    DBGrid13 = resultList("DBGrid13", {"NAZIV_UG", "TEKST_UG"});
    platform::setHint(DBGrid13, "Lista ugovora menjanih od strane korisnika");
    listLayout->addWidget(DBGrid13, 1);
    auto* listButtons = new QHBoxLayout;
    SpeedButton4 = button("SpeedButton4", "Obri{i", "Brisanje izabranog korisni~kog propisa iz liste");
    SpeedButton16 = button("SpeedButton16", "[tampa", "Prikaz {tampe izabranog korisni~kog dokumenta");
    listButtons->addWidget(SpeedButton4);
    listButtons->addWidget(SpeedButton16);
    listButtons->addStretch(1);
    listLayout->addLayout(listButtons);
    listPanel->setFixedWidth(340);
    row->addWidget(listPanel);
    listPanel->raise();

    auto* right = new QVBoxLayout;
    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = label("DBEdit1Label", "Naziv ugovora");
    DBEdit1 = edit("DBEdit1", KeyFilter::Map);
    platform::setHint(DBEdit1, "Izmena naziva izabranog korisni~kog ugovora");
    nameLabel->setBuddy(DBEdit1);
    DBNavigator1 = named<QWidget>("DBNavigator1");
    auto* navigatorLayout = new QHBoxLayout(DBNavigator1);
    navigatorLayout->setContentsMargins(0, 0, 0, 0);
    navigatorLayout->setSpacing(0);
    QToolButton* post = navigatorButton(DBNavigator1, "nbPost", QStyle::SP_DialogApplyButton);
    QToolButton* cancel = navigatorButton(DBNavigator1, "nbCancel", QStyle::SP_DialogCancelButton);
    navigatorLayout->addWidget(post);
    navigatorLayout->addWidget(cancel);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(DBEdit1, 1);
    nameRow->addWidget(DBNavigator1);
    right->addLayout(nameRow);
    DBRichEdit4 = named<richtext::RichEdit>("DBRichEdit4");
    DBRichEdit4->setFont(QFont(latinFamily()));
    DBRichEdit4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    platform::setHint(DBRichEdit4, "Izmena teksta korisnickog ugovora - snimanje je autormatsko");
    right->addWidget(DBRichEdit4, 1);
    row->addLayout(right, 1);

    const auto updateNavigator = [this] {
        const bool edited = userContractEdited();
        for (const char* name : {"nbPost", "nbCancel"}) {
            navigatorButton(DBNavigator1, name)->setEnabled(edited);
        }
    };
    connect(DBEdit1, &QLineEdit::textEdited, this, updateNavigator);
    connect(DBRichEdit4->document(), &QTextDocument::modificationChanged, this, updateNavigator);
    connect(post, &QToolButton::clicked, this, &TForm1::saveUserContract);
    connect(cancel, &QToolButton::clicked, this, &TForm1::cancelUserContract);
    connect(DBGrid13, &QTreeWidget::currentItemChanged, this, &TForm1::DBGrid13Change);
    connect(SpeedButton4, &QPushButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(SpeedButton16, &QPushButton::clicked, this, &TForm1::SpeedButton16Click);
    updateNavigator();
}

QWidget* TForm1::contractColorRow()
{
    auto* row = named<QWidget>("ContractColorRow");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label("Label16", "Boja generisanog teksta za ugovore:"));
    ColorBox1 = named<QComboBox>("ColorBox1");
    for (const NamedColour& c : colourBoxColours()) {
        ColorBox1->addItem(swatch(c.colour), QString::fromLatin1(c.name), c.colour);
    }
    ColorBox1->setCurrentIndex(ColorBox1->findText(QStringLiteral("Navy")));
    platform::setHint(ColorBox1, "Izbor boje za generisani deo teksta u kreaciji korisni~kih ugovora");
    connect(ColorBox1, &QComboBox::activated, this, &TForm1::ColorBox1Change);
    layout->addWidget(ColorBox1);
    layout->addStretch(1);
    return row;
}

void TForm1::ColorBox1Change()
{
    ContractColor = ColorBox1->currentData().value<QColor>();
}

// ---- The models page ---------------------------------------------------------------------------

void TForm1::sredicombo5()
{
    ComboBox5->clear();
    ugovori.setFilter({});
    ugovori.first();
    const int count = ugovori.recordCount();
    for (int i = 0; i < count; ++i) {
        ComboBox5->addItem(platform::toScreen(ugovori.field(0).asString()));
        ugovori.next();
    }
    if (ComboBox5->count() > 0) {
        ComboBox5->setCurrentIndex(0);
        ComboBox5Change();
    }
}

void TForm1::ComboBox5Change()
{
    if (ComboBox5->currentIndex() < 0) {
        return;
    }
    richtext::RepaintPause pause(*RichEdit2);
    bool third = false;
    const bool read = controls::reported([&] {
        ugovori.setFilter("NAZIV_UGOVORA= " + engine::quoted(platform::fromScreen(ComboBox5->currentText())));
        ugovori.first();
        m_contractModel = richtext::plainText(ugovori.fieldByName("TEXT_UGOVORA").asBytes(), latinFamily());
        third = modelHasThirdParty();
    });
    if (!read) {
        return;
    }
    RichEdit2->setRtf(m_contractModel);
    showThirdPartyFields(third);
    SpeedButton9Click();
}

bool TForm1::modelHasThirdParty() const
{
    return ugovori.isActive() && !ugovori.isEmpty() && ugovori.field(3).asInteger() == 3;
}

void TForm1::showThirdPartyFields(bool third)
{
    const QPalette palette = QApplication::palette();
    for (QLineEdit* e : {Edit17, Edit18}) {
        e->setEnabled(third);
        controls::fill(e, palette.color(third ? QPalette::Base : QPalette::Button));
    }
}

void TForm1::SpeedButton9Click()
{
    // A model this short holds nothing to fill.
    constexpr int kShortestModel = 10;
    if (RichEdit2->textLength() <= kShortestModel) {
        return;
    }
    contracttext::Values values;
    const QLineEdit* const fields[] = {Edit9, Edit12, Edit10, Edit13, Edit17, Edit18, Edit5, Edit4};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = platform::fromScreen(fields[i]->text());
    }
    contractfill::fill(*RichEdit2, m_contractModel, values, ContractColor);
}

void TForm1::ubaciclanove1()
{
    contractfill::formatHeadings(*RichEdit2);
}

void TForm1::sredikorisnicki()
{
    QTextCursor all(DBRichEdit4->document());
    all.select(QTextCursor::Document);
    richtext::setParagraphIndents(all, contractfill::FirstLineIndent, 0, contractfill::RightIndent);
    richtext::setFontFamily(all, latinFamily());
    contractfill::formatHeadings(*DBRichEdit4);
    DBRichEdit4->select(0, 0);
}

void TForm1::SpeedButton19Click()
{
    nadjitekstugovora(platform::fromScreen(Edit6->text()));
}

void TForm1::nadjitekstugovora(const QByteArray& word)
{
    QByteArray term = word;
    int from = RichEdit2->selectionLength() > 0 ? RichEdit2->selectionStart() + RichEdit2->selectionLength() : 0;
    for (;;) {
        const int at = RichEdit2->findText(term, from);
        if (at >= 0) {
            RichEdit2->setFocus();
            RichEdit2->select(at, int(term.size()));
            return;
        }
        if (!platform::prompter().confirm("Trazena rec nije pronadjena.\r\n"
                                          "Zelite li da ponovite pretragu od pocetka teksta?")) {
            return;
        }
        RichEdit2->select(0, 0);
        term = platform::fromScreen(Edit6->text());
        from = 0;
    }
}

void TForm1::SpeedButton18Click()
{
    if (!tablesReady({&KorisnickiUgovori})) {
        return;
    }
    DBRichEdit4->setEnabled(true);
    DBEdit1->setEnabled(true);
    const QByteArray model = platform::fromScreen(ComboBox5->currentText());
    QByteArray name = contracttext::userContractName(model);
    if (RichEdit2->textLength() == 0 || !saveUserContract()) {
        return;
    }
    bool stored = false;
    {
        m_savingUserContract = true;
        const auto done = qScopeGuard([this] { m_savingUserContract = false; });
        stored = controls::reported([&] {
            bool taken = false;
            {
                // The name test moves the table behind the list's back; the list is refilled after.
                const QSignalBlocker quiet(&KorisnickiUgovori);
                withUserContractsFiltered("NAZIV_UG=" + engine::quoted(name),
                                          [&] { taken = KorisnickiUgovori.recordCount() > 0; });
            }
            if (taken) {
                const QByteArray proposal = contracttext::proposedName(
                    model, QDate::currentDate().toString(appvalues::ShortDateFormat).toLatin1());
                const std::optional<QByteArray> typed =
                    platform::prompter().input("Ugovor sa ovim imenom postoji u bazi!",
                                               "Predlazemo da koristite naziv slican ovom:\r\n" + proposal, proposal);
                if (typed) {
                    name = *typed;
                }
            }
            KorisnickiUgovori.append();
            KorisnickiUgovori.field(0).setAsString(name);
            DBRichEdit4->setRtf(RichEdit2->yusciiText());
            sredikorisnicki();
            KorisnickiUgovori.field(1).setAsString(DBRichEdit4->toRtf());
            KorisnickiUgovori.post();
        });
        if (!stored) {
            dropUnpostedUserContract();
        }
    }
    // After a failure the list and the editor show what the table holds, not the copy that was
    // not stored; the failure was told, and a second read of the same table is not told again.
    showUserContracts(stored ? Told::Now : Told::Already);
    if (stored) {
        PageControl3->setCurrentIndex(kUserContractsPage);
    }
}

void TForm1::dropUnpostedUserContract()
{
    try {
        if (KorisnickiUgovori.isActive() && KorisnickiUgovori.state() != engine::Table::State::Browse) {
            KorisnickiUgovori.cancel();
        }
    } catch (const engine::Error&) {
        // The record was never written; what failed was told by the step that left it.
    }
}

template <typename Step> void TForm1::withUserContractsFiltered(const QByteArray& filter, Step&& step)
{
    KorisnickiUgovori.setFilter(filter);
    KorisnickiUgovori.setFiltered(true);
    controls::thenRestore(std::forward<Step>(step), [this] {
        KorisnickiUgovori.setFiltered(false);
        KorisnickiUgovori.setFilter({});
    });
}

void TForm1::SpeedButton28Click()
{
    printContract(RichEdit2);
}

void TForm1::printContract(richtext::RichEdit* edit)
{
    if (platform::printerReady(this)) {
        PreviewPrinter1->PrintRichEdit(edit);
        PreviewPrinter1->Preview();
    }
}

// ---- The user contracts page -------------------------------------------------------------------

void TForm1::PageControl3Change()
{
    const int previous = m_contractsPage;
    m_contractsPage = PageControl3->currentIndex();
    if (previous == kUserContractsPage && m_contractsPage != kUserContractsPage) {
        saveUserContract();
    }
    if (m_contractsPage == kUserContractsPage) {
        // A page left empty because the user's contracts could not be opened says why.
        tablesReady({&KorisnickiUgovori});
        bool any = false;
        controls::reported([&] {
            // A list emptied when the table could not be read (or filled before another program
            // changed the file) is filled again; edits waiting for their save keep their record.
            if (KorisnickiUgovori.isActive() && !userContractEdited() &&
                !(KorisnickiUgovori.fileVersion() == m_userContractsListed)) {
                fillUserContractsGrid();
                showUserContract();
            }
            any = KorisnickiUgovori.isActive() && !KorisnickiUgovori.isEmpty();
        });
        DBRichEdit4->setEnabled(any);
        DBEdit1->setEnabled(any);
    }
}

bool TForm1::userContractEdited() const
{
    return DBEdit1->isModified() || DBRichEdit4->document()->isModified();
}

std::optional<engine::Error> TForm1::writeUserContract()
{
    m_savingUserContract = true;
    const auto done = qScopeGuard([this] { m_savingUserContract = false; });
    try {
        KorisnickiUgovori.edit();
        if (DBEdit1->isModified()) {
            KorisnickiUgovori.field(0).setAsString(platform::fromScreen(DBEdit1->text()));
        }
        if (DBRichEdit4->document()->isModified()) {
            KorisnickiUgovori.field(1).setAsString(DBRichEdit4->toRtf());
        }
        KorisnickiUgovori.post();
    } catch (const engine::Error& e) {
        dropUnpostedUserContract();
        return e;
    }
    forgetUserContractEdits();
    return std::nullopt;
}

void TForm1::forgetUserContractEdits()
{
    DBEdit1->setModified(false);
    DBRichEdit4->document()->setModified(false);
}

bool TForm1::saveUserContract()
{
    if (!userContractEdited()) {
        return true;
    }
    if (const std::optional<engine::Error> failed = writeUserContract()) {
        controls::reportFailure(*failed);
        if (failed->kind() == engine::Error::Kind::Replaced) {
            // The edits were made to a contract of a file another program has replaced: kept,
            // they could only go into whichever contract of the new file stands in its place.
            // The message said they were not written; the list shows what the new file holds.
            forgetUserContractEdits();
            showUserContracts(Told::Already);
        }
        return false;
    }
    controls::reported([this] { fillUserContractsGrid(); });
    return true;
}

void TForm1::saveUserContractOnClosing()
{
    if (!userContractEdited()) {
        return;
    }
    if (const std::optional<engine::Error> failed = writeUserContract()) {
        // Kept, the edits would keep the program from closing for as long as the table fails
        // (a file another program replaced fails for good). The user is told they are lost.
        platform::prompter().error(data::userMessage(*failed) + "\r\n" + kContractNotSavedOnClosing);
        forgetUserContractEdits();
    }
}

void TForm1::cancelUserContract()
{
    forgetUserContractEdits();
    showUserContracts(Told::Now);
}

bool TForm1::showUserContracts(Told told)
{
    try {
        fillUserContractsGrid();
        showUserContract();
        return true;
    } catch (const engine::Error& e) {
        if (told == Told::Now) {
            controls::reportFailure(e);
        }
    }
    // Nothing the editor still holds may pass for a stored contract: it is emptied until the
    // table can be read again.
    {
        const QSignalBlocker quiet(DBGrid13);
        DBGrid13->clear();
    }
    m_userContractRow = -1;
    m_userContractsListed = engine::FileVersion();
    platform::setFieldText(DBEdit1, {});
    DBRichEdit4->setRtf({});
    forgetUserContractEdits();
    DBRichEdit4->setEnabled(false);
    DBEdit1->setEnabled(false);
    return false;
}

void TForm1::showUserContract()
{
    const bool any = KorisnickiUgovori.isActive() && !KorisnickiUgovori.isEmpty();
    platform::setFieldText(DBEdit1, any ? KorisnickiUgovori.field(0).asString() : QByteArray());
    DBRichEdit4->setRtf(any ? KorisnickiUgovori.field(1).asBytes() : QByteArray());
    forgetUserContractEdits();
    if (any) {
        highlightUserContract();
    }
}

void TForm1::highlightUserContract()
{
    if (!KorisnickiUgovori.isActive()) {
        return;
    }
    int current = m_userContractRow;
    try {
        current = KorisnickiUgovori.recNo();
        m_userContractRow = current;
    } catch (const engine::Error&) {
        // The step that reads the table for the user tells why it cannot; the list shows the
        // contract the fields hold, whose position was read when it was shown.
    }
    if (QTreeWidgetItem* row = DBGrid13->topLevelItem(current)) {
        // Made current, the row is also the only one selected.
        const QSignalBlocker quiet(DBGrid13);
        DBGrid13->setCurrentItem(row);
    }
}

void TForm1::fillUserContractsGrid()
{
    const QSignalBlocker quietGrid(DBGrid13);
    DBGrid13->clear();
    m_userContractRow = -1;
    if (!KorisnickiUgovori.isActive()) {
        return;
    }
    // Walking the table to list it is not a move the window should follow.
    const QSignalBlocker quietTable(&KorisnickiUgovori);
    const int current = KorisnickiUgovori.recNo();
    QList<QTreeWidgetItem*> rows;
    KorisnickiUgovori.first();
    for (int i = 0, n = KorisnickiUgovori.recordCount(); i < n; ++i) {
        rows << new QTreeWidgetItem(QStringList{platform::toScreen(KorisnickiUgovori.field(0).asString())});
        KorisnickiUgovori.next();
    }
    DBGrid13->addTopLevelItems(rows);
    KorisnickiUgovori.first();
    KorisnickiUgovori.moveBy(std::max(current, 0));
    m_userContractRow = KorisnickiUgovori.recNo();
    DBGrid13->setCurrentItem(DBGrid13->topLevelItem(m_userContractRow));
    m_userContractsListed = KorisnickiUgovori.fileVersion();
}

void TForm1::DBGrid13Change()
{
    const int row = DBGrid13->indexOfTopLevelItem(DBGrid13->currentItem());
    if (row < 0 || !KorisnickiUgovori.isActive()) {
        return;
    }
    try {
        // The first read of the user's action: it finds what other programs did to the file.
        if (row == KorisnickiUgovori.recNo()) {
            return;
        }
        // The list was filled before another program changed the file (or put another in its
        // place): its rows name other contracts now. It is filled again and the click is not
        // taken, so the user picks from the list as it is. Edits waiting for their save stay with
        // their record; the save says whether they can still be written.
        if (!userContractEdited() && !(KorisnickiUgovori.fileVersion() == m_userContractsListed)) {
            fillUserContractsGrid();
            showUserContract();
            QTimer::singleShot(0, this, [this] { highlightUserContract(); });
            return;
        }
    } catch (const engine::Error& e) {
        controls::reportFailure(e);
        // The click is not taken: the list goes back to the contract the editor shows.
        highlightUserContract();
        QTimer::singleShot(0, this, [this] { highlightUserContract(); });
        return;
    }
    // Moving to another contract saves the one left; when that fails the list goes back to it, so
    // the highlighted row is the contract that the editor shows and that "Obri{i" deletes. A
    // click is still under way here and goes on to highlight the row it hit once this returns:
    // the list is put back again when the click is done.
    if (!saveUserContract()) {
        highlightUserContract();
        QTimer::singleShot(0, this, [this] { highlightUserContract(); });
        return;
    }
    controls::reported([&] {
        {
            const QSignalBlocker quiet(&KorisnickiUgovori);
            KorisnickiUgovori.first();
            KorisnickiUgovori.moveBy(row);
        }
        showUserContract();
    });
}

void TForm1::SpeedButton4Click()
{
    bool any = false;
    if (!controls::reported([&] { any = KorisnickiUgovori.isActive() && !KorisnickiUgovori.isEmpty(); })) {
        return;
    }
    if (any) {
        // The chosen contract goes, and its unsaved edits with it; they stay when it cannot go.
        const bool nameEdited = DBEdit1->isModified();
        const bool textEdited = DBRichEdit4->document()->isModified();
        forgetUserContractEdits();
        const bool deleted = controls::reported([&] {
            KorisnickiUgovori.deleteRecord();
            // With the last one gone there is nothing left to edit.
            if (KorisnickiUgovori.isEmpty()) {
                DBRichEdit4->setEnabled(false);
            }
        });
        if (!deleted) {
            DBEdit1->setModified(nameEdited);
            DBRichEdit4->document()->setModified(textEdited);
        }
    } else {
        DBRichEdit4->setEnabled(false);
    }
    DBEdit1->setEnabled(DBRichEdit4->isEnabled());
}

void TForm1::SpeedButton29Click()
{
    if (!tablesReady({&ugovori, &KorisnickiUgovori})) {
        return;
    }
    if (!saveUserContract()) {
        return;
    }
    const QByteArray model = platform::fromScreen(ComboBox5->currentText());
    controls::reported([&] {
        withUserContractsFiltered("NAZIV_UG= " + engine::quoted(model), [&] {
            KorisnickiUgovori.first();
            if (KorisnickiUgovori.isEmpty()) {
                platform::prompter().message("Ne postoji nijedan korisnicki menjan ugovor");
            } else if (platform::prompter().confirm("Jeste li sigurni da zelite da obrisete ugovor:\r\n" + model)) {
                KorisnickiUgovori.deleteRecord();
            }
        });
    });
    controls::reported([this] { sredicombo5(); });
}

void TForm1::SpeedButton16Click()
{
    bool any = false;
    if (controls::reported([&] { any = KorisnickiUgovori.isActive() && !KorisnickiUgovori.isEmpty(); }) && any) {
        printContract(DBRichEdit4);
    }
}
