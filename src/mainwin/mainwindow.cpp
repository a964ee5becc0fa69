#include "mainwindow.h"

#include "appvalues.h"
#include "clipboard.h"
#include "closerequests.h"
#include "files.h"
#include "hints.h"
#include "listfiles.h"
#include "paths.h"
#include "personallists.h"
#include "prompter.h"
#include "publisher.h"
#include "richedit.h"
#include "screentext.h"
#include "statusbar.h"
#include "upperwindows.h"
#include "usermessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

TForm1* Form1 = nullptr;

namespace {

using listfiles::FrequentFile;
using listfiles::NewestFile;
using listfiles::QuickFile;
using listfiles::SearchesFile;

QString programFile(const char* name)
{
    return platform::programFile(QLatin1String(name));
}

QByteArrayList listLines(const QListWidget* list)
{
    QByteArrayList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines << platform::fromScreen(list->item(i)->text());
    }
    return lines;
}

void setListLines(QListWidget* list, const QByteArrayList& lines)
{
    list->clear();
    for (const QByteArray& line : lines) {
        list->addItem(platform::toScreen(line));
    }
}

} // namespace

TForm1::TForm1(StartupHost* startup, QWidget* parent) : QMainWindow(parent), m_startup(startup)
{
    setObjectName(QStringLiteral("Form1"));
    Form1 = this;
    buildControls();
    FormCreate();
    qApp->installEventFilter(this);
}

TForm1::~TForm1()
{
    if (Form1 == this) {
        Form1 = nullptr;
    }
}

void TForm1::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    // Without a window manager a maximised window keeps its size; give it the screen first.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }
    showMaximized();
    // Behind the updater's modal window the close box would do nothing and say nothing; the
    // user is told to wait instead. A request let through reaches closeEvent as before.
    const platform::CloseRequestFilter closeRequests(winId(), [] {
        mainwin::UpdateWindow* update = mainwin::updateWindow();
        return update != nullptr && update->refuseClosing();
    });
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec();
    m_modalLoop = nullptr;
}

void TForm1::FormCreate()
{
    // The address is not YUSCII: it is shown as it stands.
    Label34->setText(Label34->text() + QLatin1Char(' ') + QLatin1String(publisher::SupportAddress));
    searching(true);
    StatusBar1->setPanelText(2, "Baza se startuje...");
    m_stored.keptInteger = 1;
    Label34->setFont(QFont(QStringLiteral("Tahoma")));
    setFont(QFont(appvalues::UIFontName));

    const QString cfgPath = programFile(configfile::FileName);
    if (QFile::exists(cfgPath)) {
        bool readable = false;
        cfg = listfiles::load(cfgPath, &readable);
        const configfile::ReadResult result = configfile::read(cfg, currentSettings());
        applyConfig(result.settings);
        if (!readable || result.faulty) {
            platform::prompter().message(configfile::ErrorMessage);
        }
        appvalues::LastUpdateDate = "9/12/2019";
    }

    ComboBox1->addItem(platform::toScreen("Sve"));

    // A line longer than any entry of its list is dropped as it is read (see personallists::entries).
    const struct {
        const char* file;
        QListWidget* list;
        int limit;
    } lists[] = {{SearchesFile, ListBox4, personallists::longestSearchEntry()},
                 {FrequentFile, ListBox5, personallists::longestTitle()},
                 {QuickFile, ListBox8, personallists::longestTitle()}};
    for (const auto& [file, list, limit] : lists) {
        setListLines(list, personallists::entries(listfiles::load(programFile(file)), limit));
    }
    najnoviji = personallists::entries(listfiles::load(programFile(NewestFile)), personallists::longestTitle());

    sredibrze();

    PageControl1->setCurrentIndex(0);
    PageControl3->setCurrentIndex(0);
    PageControl4->setCurrentIndex(0);

    loadHelpText();

    setColumnWidths();
    ListView1->setColumnWidth(0, width() - 220);
    sizeArchivePanel();
    SpeedButton29->setEnabled(false);
}

void TForm1::FormActivate()
{
    if (m_firstActivation) {
        // Cleared first: the work below lets messages run, and a second activation meanwhile
        // must not start it again.
        m_firstActivation = false;
        setWindowTitle(platform::toScreen("Elektronski Korvelin (ver." + appvalues::DataVersion + ")"));
        firstActivation();
    }
    placeHelpLabels(32, 32);
}

void TForm1::searching(bool busy)
{
    m_busy = busy;
    PageControl1->setEnabled(!busy);
    setContextMenuPolicy(busy ? Qt::NoContextMenu : Qt::CustomContextMenu);
    if (busy) {
        setCursor(Qt::WaitCursor);
        StatusBar1->setPanelText(2, "Pretraga u toku (ESCAPE taster prekida standardne pretrage)");
    } else {
        unsetCursor();
        StatusBar1->setPanelText(2, "Pretraga zavr{ena");
    }
    StatusBar1->repaint();
    if (!busy && CheckBox5->isChecked()) {
        QApplication::beep();
    }
}

void TForm1::pumpMessages()
{
    constexpr int kPumpIntervalMs = 20;
    if (!m_sincePump.isValid() || m_sincePump.elapsed() >= kPumpIntervalMs) {
        QCoreApplication::processEvents();
        m_sincePump.start();
    }
}

bool TForm1::takeStopRequest()
{
    const bool stop = m_stopFlag;
    m_stopFlag = false;
    return stop;
}

void TForm1::dohints(const QByteArray& hint)
{
    StatusBar1->setPanelText(2, hint);
    if (m_viewerStatusBar != nullptr) {
        m_viewerStatusBar->setPanelText(2, hint);
    }
}

void TForm1::setViewerHintPanel(platform::PanelStatusBar* bar)
{
    m_viewerStatusBar = bar;
}

bool TForm1::GreskaUSnimanju(const QList<data::FileSaveFailure>& failures)
{
    // Closing without the files loses what the lists gained in this run, so the user may keep the
    // window open, mend the cause and close again; a program run from read-only media can still
    // be closed.
    return platform::prompter().confirm(data::saveFailureMessage(failures) +
                                        "\r\n\r\nU redu zatvara program bez snimanja ovih datoteka; Otka`i "
                                        "ostavlja program otvoren, pa ga ponovo zatvorite kada otklonite uzrok.");
}

void TForm1::sortirajpoimenu(QListWidget* list)
{
    list->setSortingEnabled(!list->isSortingEnabled());
    list->update();
}

void TForm1::PageControl1Change()
{
    ProgressBar1->setValue(0);
    osvezi();
}

configfile::Settings TForm1::currentSettings() const
{
    configfile::Settings s = m_stored;
    s.optionLevel = ComboBox2->currentIndex();
    s.proxy = CheckBox4->isChecked();
    s.proxyAddress = platform::fromScreen(Edit14->text());
    s.proxyPort = platform::fromScreen(Edit15->text());
    return s;
}

void TForm1::applyConfig(const configfile::Settings& s)
{
    m_stored = s;
    if (s.optionLevelRead) {
        ComboBox2->setCurrentIndex(s.optionLevel);
        ComboBox2Change();
    }
    if (s.proxy) {
        CheckBox4->setChecked(true);
        CheckBox4Click();
        if (s.proxyFieldsRead) {
            platform::setFieldText(Edit14, s.proxyAddress);
            platform::setFieldText(Edit15, s.proxyPort);
        }
    }
}

void TForm1::sizeArchivePanel()
{
    Panel24->setFixedHeight(std::max(0, qRound(PageControl1->widget(5)->height() / 2.0) - 45));
}

bool TForm1::saveListsAndConfig()
{
    QList<data::FileSaveFailure> unwritable;
    for (const char* name : {SearchesFile, FrequentFile, QuickFile, configfile::FileName, NewestFile}) {
        if (const platform::WriteResult made = platform::makeWritable(programFile(name)); !made.ok()) {
            unwritable.append({name, made.failure});
        }
    }
    // Every file is saved, each on its own: the others are still written when one fails. A file
    // that could not be made writable is told of once, with that reason, and only when it could
    // not be saved either.
    QList<data::FileSaveFailure> failures;
    const auto save = [&](const char* name, const QByteArrayList& lines) {
        if (const platform::WriteResult saved = listfiles::save(programFile(name), lines); !saved.ok()) {
            const auto made = std::find_if(unwritable.cbegin(), unwritable.cend(),
                                           [name](const data::FileSaveFailure& f) { return f.fileName == name; });
            failures.append({name, made != unwritable.cend() ? made->failure : saved.failure});
        }
    };
    save(SearchesFile, listLines(ListBox4));
    save(FrequentFile, listLines(ListBox5));
    save(QuickFile, listLines(ListBox8));
    save(NewestFile, najnoviji);
    cfg = configfile::write(currentSettings(), appvalues::LastUpdateDate, appvalues::DataVersion);
    save(configfile::FileName, cfg);
    return failures.isEmpty() || GreskaUSnimanju(failures);
}

bool TForm1::FormClose()
{
    if (!saveListsAndConfig()) {
        return false;
    }
    PopupMenu1->clear();
    if (m_startup != nullptr) {
        m_startup->closeStartup();
    }
    return true;
}

void TForm1::setColumnWidths()
{
    const int w = width();
    ListBox3->setColumnWidth(0, w - 487);
    ListBox7->setColumnWidth(0, w - 200);
    Listbox9->setColumnWidth(0, w - 180);
}

void TForm1::FormResize()
{
    setColumnWidths();
    sizeArchivePanel();
    placeHelpLabels(22, 27);
    switch (PageControl1->currentIndex()) {
    case 6:
        RichEdit2->update();
        break;
    case 7:
        RichEdit3->update();
        break;
    case 8:
        Panel11->update();
        break;
    default:
        break;
    }
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A running loop still uses the tables and the lists; the window waits until it has ended.
    // The user's contract edits are saved first; when they cannot be, the user is told that they
    // are lost and the window closes all the same. It stays open when the lists or the
    // configuration could not be saved and the user keeps it open. While an update runs, the user
    // is told to wait for it.
    if (mainwin::UpdateWindow* update = mainwin::updateWindow();
        (update != nullptr && update->refuseClosing()) || m_busy) {
        event->ignore();
        return;
    }
    saveUserContractOnClosing();
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_modalLoop != nullptr) {
        m_modalLoop->quit();
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        platform::appclear();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // The help page is laid out only when it is first shown: its labels are centred again then.
    if (watched == Panel11 && event->type() == QEvent::Resize) {
        placeHelpLabels(32, 32);
    }
    // Escape reaches the stop flag from any control of this window, also while the tabs are disabled.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        m_stopFlag = true;
    }
    return QMainWindow::eventFilter(watched, event);
}
