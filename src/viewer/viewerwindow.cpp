// The viewer's controls and life cycle: creation, activation (which loads the document), closing
// (which resets the window for the next opening), keys and minimising. Find, articles, script,
// copy, print and the jumps are in viewertext.cpp.

#include "viewerwindow.h"

#include "appvalues.h"
#include "documentwindows.h"
#include "filter.h"
#include "findfield.h"
#include "hints.h"
#include "lookup.h"
#include "mainwindow.h"
#include "pictures.h"
#include "prevprinter.h"
#include "prompter.h"
#include "richedit.h"
#include "screentext.h"
#include "statusbar.h"
#include "table.h"
#include "usermessages.h"
#include "windows.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

using platform::named;
using platform::toScreen;

TForm3* Form3 = nullptr;

namespace {

// A field of the current record of `table`, read when the control loads; a table not yet open
// (the viewer is created before the main window opens its tables) reads as empty.
std::function<QByteArray()> fieldReader(engine::Table* table, const QByteArray& field)
{
    return [table = QPointer<engine::Table>(table), field] {
        if (table == nullptr || !table->isActive() || field.isEmpty()) {
            return QByteArray();
        }
        return table->fieldByName(field).asBytes();
    };
}

QAction* menuItem(QMenu* menu, const char* name, const QByteArray& caption, const QByteArray& hint = {})
{
    QAction* action = menu->addAction(toScreen(caption));
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        action->setStatusTip(toScreen(hint));
        action->setToolTip(toScreen(hint));
    }
    return action;
}

void disabledSeparator(QMenu* menu)
{
    menu->addSeparator()->setEnabled(false);
}

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    buildControls();
    Form3 = this;
    registerDocumentWindows(true);
    if (Form1 != nullptr) {
        Form1->setViewerHintPanel(StatusBar1);
    }
    FormCreate();
}

TForm3::~TForm3()
{
    if (Form3 == this) {
        Form3 = nullptr;
        registerDocumentWindows(false);
    }
}

QPushButton* TForm3::button(const char* name, const QByteArray& caption, const QByteArray& hint)
{
    auto* b = named<QPushButton>(name);
    platform::setCaption(b, caption);
    if (!hint.isEmpty()) {
        platform::setHint(b, hint);
    }
    // Enter belongs to the find field; no button of this window is a default button.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

void TForm3::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    MainMenu1 = named<QMenuBar>("MainMenu1", this);
    layout->setMenuBar(MainMenu1);
    QMenu* text = MainMenu1->addMenu(toScreen("&Tekst"));
    Stampaj1 = menuItem(text, "Stampaj1", " &Stampaj", "Stampa teksta");
    Stampaj1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Kopiraj1 = menuItem(text, "Kopiraj1", " &Kopiraj*");
    Kopiraj1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    disabledSeparator(text);
    Zatvori1 = menuItem(text, "Zatvori1", " &Zatvori", "Zatvaranje ovog prozora");
    Zatvori1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* relations = MainMenu1->addMenu(toScreen("&Relacije"));
    Prikazirelacije1 = menuItem(relations, "Prikazirelacije1", "&Prikazi relacije");

    prikazpopup = named<QMenu>("prikazpopup", this);
    Kopirajselekciju1 =
        menuItem(prikazpopup, "Kopirajselekciju1", "Kopiraj selekciju", "Kopira selektovani deo teksta");
    selektOznacizabrzootvaranje1 =
        menuItem(prikazpopup, "selektOznacizabrzootvaranje1", "Oznaci", "Oznacava propis za brzo otvaranje");
    disabledSeparator(prikazpopup);
    Nazad1 = menuItem(prikazpopup, "Nazad1", "Nazad", "Povratak na prethodnu stranu");

    SpeedButton1 = button("SpeedButton1", "T&ra`i", "Po~etak pretrage po zadatoj re~i");
    SpeedButton2 = button("SpeedButton2", "Lista ~anova", "Prikaz liste automatski generisane liste ~lanova");
    SpeedButton3 = button("SpeedButton3", "Pret&hodna strana", "Povratak na izbor propisa");
    SpeedButton4 = button("SpeedButton4", "&Dodatne informacije", "Napomene za ovaj propis");
    SpeedButton5 = button("SpeedButton5", "]irili&ca / Latinica", "Izbor izme|u }irili~nog ili latini~nog pisma");
    SpeedButton6 = button("SpeedButton6", "[tam&pa", "Prikaz {tampe");
    SpeedButton7 = button("SpeedButton7", "&Kopiraj text", "Kopira izabrani tekst");
    SpeedButton8 = button("SpeedButton8", "&Prilozi", "Grafi~ki prilozi (skenirani obrasci i sl.)");
    SpeedButton9 = button("SpeedButton9", "&Arhiva", "Skok na Arhivu sa pretragom po nazivu za ovaj propis");
    SpeedButton10 = button("SpeedButton10", "Relacije", {});
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 2, 4, 2);
    for (QPushButton* b : {SpeedButton3, SpeedButton2, SpeedButton5, SpeedButton4, SpeedButton8, SpeedButton10,
                           SpeedButton9, SpeedButton7, SpeedButton6}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    DBRichEdit1 = named<richtext::RichEdit>("DBRichEdit1");
    DBRichEdit1->setReadOnly(true);
    DBRichEdit1->setAutoLoad(false);
    DBRichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBRichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The find's shadow copy follows the text; any change of the text makes it stale.
    connect(DBRichEdit1->document(), &QTextDocument::contentsChanged, this, [this] { m_upperTextValid = false; });
    Panel6 = named<QWidget>("Panel6");
    auto* panel = new QVBoxLayout(Panel6);
    panel->setContentsMargins(0, 0, 0, 0);
    clanovi = named<QListWidget>("clanovi");
    platform::setHint(clanovi, "Automatski generisana lista ~lanova");
    panel->addWidget(clanovi);
    Panel6->setFixedWidth(PanelCollapsed);
    auto* centre = new QWidget;
    auto* centreLayout = new QHBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    centreLayout->addWidget(DBRichEdit1, 1);
    centreLayout->addWidget(Panel6);

    DBRichEdit2 = named<richtext::RichEdit>("DBRichEdit2");
    DBRichEdit2->setReadOnly(true);
    DBRichEdit2->setAutoLoad(false);
    DBRichEdit2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    platform::setHint(DBRichEdit2, "Umanjeni prikaz dodatnih informacija za ovaj propis");
    Splitter1 = named<QSplitter>("Splitter1", Qt::Vertical);
    Splitter1->addWidget(centre);
    Splitter1->addWidget(DBRichEdit2);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setCollapsible(0, false);
    layout->addWidget(Splitter1, 1);

    auto* findRow = new QHBoxLayout;
    findRow->setContentsMargins(4, 2, 4, 2);
    Edit1 = named<viewer::FindField>("Edit1");
    platform::setHint(Edit1, "Unesite re~ za pretragu");
    findRow->addWidget(Edit1, 1);
    findRow->addWidget(SpeedButton1);
    layout->addLayout(findRow);

    StatusBar1 = new platform::PanelStatusBar({200, 100, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(0, "Du`ina teksta:");
    StatusBar1->setPanelText(2, "Status");
    layout->addWidget(StatusBar1);

    PreviewPrinter1 = new TPreviewPrinter(this, viewerTextOptions());
    PreviewPrinter1->setObjectName(QStringLiteral("PreviewPrinter1"));

    if (Form1 != nullptr) {
        DBRichEdit2->bindTo(&Form1->Zakoni, &engine::Table::currentChanged, fieldReader(&Form1->Zakoni, "Napomena"));
    }
    bindText();
    setNotesHeight(0);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm3::nadjitekst);
    connect(Edit1, &QLineEdit::returnPressed, SpeedButton1, &QPushButton::click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm3::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm3::close);
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { showOver([] { Form5->exec(); }); });
    connect(SpeedButton5, &QPushButton::clicked, this, &TForm3::konverzija);
    connect(SpeedButton6, &QPushButton::clicked, this, &TForm3::SpeedButton6Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TForm3::SpeedButton7Click);
    connect(SpeedButton8, &QPushButton::clicked, this, [this] { showOver([] { dokumenti->exec(); }); });
    connect(SpeedButton9, &QPushButton::clicked, this, &TForm3::SpeedButton9Click);
    connect(SpeedButton10, &QPushButton::clicked, this, &TForm3::Prikazirelacije1Click);
    connect(clanovi, &QListWidget::itemDoubleClicked, this, &TForm3::clanoviDblClick);
    connect(Stampaj1, &QAction::triggered, SpeedButton6, &QPushButton::click);
    connect(Kopiraj1, &QAction::triggered, this, &TForm3::Kopiraj1Click);
    connect(Zatvori1, &QAction::triggered, this, &TForm3::close);
    connect(Prikazirelacije1, &QAction::triggered, this, &TForm3::Prikazirelacije1Click);
    connect(Kopirajselekciju1, &QAction::triggered, this, &TForm3::SpeedButton7Click);
    connect(selektOznacizabrzootvaranje1, &QAction::triggered, this, &TForm3::selektOznacizabrzootvaranje1Click);
    connect(Nazad1, &QAction::triggered, this, &TForm3::close);
    setContextMenuPolicy(Qt::CustomContextMenu);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(DBRichEdit1)}) {
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& pos) { prikazpopup->popup(w->mapToGlobal(pos)); });
    }
}

void TForm3::showModal()
{
    // Without a window manager a maximised window keeps its size; give it the screen first.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
}

void TForm3::setTextSource(DocumentSource source)
{
    m_source = source;
    bindText();
}

void TForm3::setTextField(const QByteArray& field)
{
    m_field = field;
    if (field.isEmpty()) {
        DBRichEdit1->clear();
    }
    bindText();
}

void TForm3::setShowsOpinion(bool opinion)
{
    setTextSource(opinion ? DocumentSource::Opinions : DocumentSource::Regulations);
}

void TForm3::bindText()
{
    if (Form1 == nullptr) {
        return;
    }
    engine::Table* table = showsOpinion() ? &Form1->misljenja : &Form1->Zakoni;
    DBRichEdit1->bindTo(table, &engine::Table::currentChanged, fieldReader(table, m_field));
}

int TForm3::articlesPanelWidth() const
{
    return Panel6->maximumWidth();
}

void TForm3::setArticlesPanelWidth(int width)
{
    Panel6->setFixedWidth(width);
}

int TForm3::notesHeight() const
{
    return m_notesHeight;
}

void TForm3::setNotesHeight(int height)
{
    m_notesHeight = height;
    DBRichEdit2->setVisible(height > 0);
    // The text takes the rest; the splitter keeps the preview's height when the window is resized,
    // and the user may still drag it.
    Splitter1->setSizes({std::max(1, Splitter1->height() - height), height});
}

void TForm3::loadText()
{
    DBRichEdit1->loadBound();
}

void TForm3::loadNotesPreview()
{
    DBRichEdit2->loadBound();
}

void TForm3::writeLengthText()
{
    StatusBar1->setPanelText(0, viewer::lengthText(DBRichEdit1->textLength()));
}

void TForm3::guarded(const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
}

void TForm3::FormCreate()
{
    setFont(QFont(appvalues::UIFontName));
    for (QPushButton* b :
         {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5, SpeedButton6, SpeedButton7}) {
        b->setFont(QFont(appvalues::UIFontName));
    }
    Edit1->setFont(QFont(appvalues::LatinFontName));
    clanovi->setFont(QFont(appvalues::LatinFontName));
    PreviewPrinter1->TextOptions().HeaderFont.setFamily(appvalues::LatinFontName);
    guarded([this] {
        loadText();
        if (!showsOpinion()) {
            loadNotesPreview();
        }
        writeLengthText();
    });
}

bool TForm3::hasVersions()
{
    if (showsOpinion()) {
        return selekt != nullptr && selekt->jelimastariji(platform::caption(this));
    }
    // The shown regulation's own version record: a lookup by title would test the first
    // regulation of that title, which may be another version than the one shown.
    // Without the version records no version is known: the jump to the archive is not offered.
    if (!Form1->arhiva.isActive()) {
        return false;
    }
    const QByteArray key = Form1->Zakoni.field(0).asString();
    if (key.isEmpty()) {
        return false;
    }
    engine::Table& arhiva = Form1->arhiva;
    const engine::LinkLookup keep({&arhiva});
    engine::LinkLookup::unlink(arhiva, true);
    arhiva.setFilter("BROJ_ZAKONA= " + engine::quoted(key));
    arhiva.first();
    return arhiva.field(1).asInteger() != 0 || arhiva.field(2).asInteger() != 0;
}

bool TForm3::hasAttachments()
{
    // The attachments follow the regulation; the button is offered when one of the 33 fields
    // holds a picture. The image is left on its last field whatever the table did.
    bool any = false;
    try {
        for (int i = 1; i <= 33 && !any; ++i) {
            dokumenti->DBImage1->setDataField("S" + QByteArray::number(i));
            any = !dokumenti->DBImage1->picture().isNull();
        }
    } catch (...) {
        dokumenti->DBImage1->setDataField("S33");
        throw;
    }
    dokumenti->DBImage1->setDataField("S33");
    return any;
}

void TForm3::FormActivate()
{
    // An activation that arrives after the window has closed finds nothing to show: the opener
    // is already giving its tables back.
    if (Form1 == nullptr || !isVisible()) {
        return;
    }
    const bool sameDocument = platform::caption(this) == LastTitle;
    try {
        activate();
        m_refreshFailed = false;
    } catch (const std::exception& e) {
        // A document that cannot be shown is told as it opens. Read again for the same document
        // (after a window shown over this one, a print, a return to the program) the failure is
        // told once, and not after a window over this one that has told its own: the window
        // keeps what it shows, and the next action that needs the table tells it.
        if (!sameDocument || (!m_quietRefresh && !m_refreshFailed)) {
            platform::prompter().error(data::userMessage(e));
        }
        m_refreshFailed = true;
    }
}

void TForm3::activate()
{
    const QByteArray caption = platform::caption(this);
    if (caption != LastTitle) {
        Edit1->setYuscii({});
        // An opinion is shown also when the regulations could not be opened.
        if (Form1->Zakoni.isActive()) {
            engine::Table& zakoni = Form1->Zakoni;
            const engine::LinkLookup keep({&zakoni});
            engine::LinkLookup::unlink(zakoni, true);
            zakoni.setFilter("Naziv_zakona= " + engine::quoted(caption));
            zakoni.first();
        }
        if (m_field != "Latinica") {
            setTextField("Latinica");
        }
        // A document opens with its panes at their top. A pane whose text is the last
        // document's (the same note) is not loaded again, and would keep that one's scroll.
        DBRichEdit1->showFromTop();
        DBRichEdit2->showFromTop();
        // The document is the one shown from here on. Its attachments and versions are looked
        // up once for it: a table of theirs that fails is told once, its button stays off,
        // and the document is shown all the same.
        LastTitle = caption;
        if (!showsOpinion() && dokumenti != nullptr) {
            SpeedButton8->setEnabled(false);
            guarded([this] { SpeedButton8->setEnabled(hasAttachments()); });
        }
        SpeedButton9->setEnabled(false);
        guarded([this] { SpeedButton9->setEnabled(hasVersions()); });
    }
    loadText();
    writeLengthText();
    if (!showsOpinion()) {
        loadNotesPreview();
    } else {
        SpeedButton4->setEnabled(false);
        setNotesHeight(0);
    }
    const bool moreInfo = Form1->Zakoni.isActive() && data::hasAdditionalInfo(Form1->Zakoni.field(8).asBytes());
    if (moreInfo && !showsOpinion()) {
        SpeedButton4->setEnabled(true);
        setNotesHeight(NotesShown);
    } else if (!moreInfo) {
        SpeedButton4->setEnabled(false);
        setNotesHeight(0);
    }
}

void TForm3::FormClose()
{
    LastTitle.clear();
    m_refreshFailed = false;
    Edit1->setFont(QFont(appvalues::LatinFontName));
    Edit1->setScript(display::Script::Latin);
    SpeedButton8->setEnabled(false);
    if (Form1 != nullptr) {
        Form1->ProgressBar1->setValue(0);
    }
    setTextField({});
    setTextSource(DocumentSource::Regulations);
    setTextField("Latinica");
    clanovi->clear();
    setArticlesPanelWidth(PanelCollapsed);
    if (Form1 != nullptr) {
        guarded([] { Form1->Zakoni.setFilter({}); });
    }
}

void TForm3::showOver(const std::function<void()>& show)
{
    show();
    // The window shown over this one may have closed it (the relations window's find does).
    if (isVisible()) {
        const QScopedValueRollback quiet(m_quietRefresh, true);
        FormActivate();
    }
}

bool TForm3::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QDialog::event(event);
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Loaded before the first paint, whether or not the platform activates the window.
    FormActivate();
}

void TForm3::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::ControlModifier) {
        close();
        return;
    }
    // Escape does not close this window, and Enter belongs to the find field.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm3::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        minimiseProgram(this);
    }
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    DBRichEdit1->viewport()->update();
}
