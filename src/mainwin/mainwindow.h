#pragma once

// The main window: nine tabs over the collection, the status bar, the busy state with its Escape
// stop flag, the configuration and list files, and the counts of the collection.

#include "configfile.h"
#include "regulationsearch.h"
#include "tables.h"
#include "usermessages.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class TPreviewPrinter;

namespace platform {
class PanelStatusBar;
}
namespace richtext {
class RichEdit;
}

// What the main window needs of the start-up window, which owns the process.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    virtual void hideStartup() = 0;
    virtual void stopSplashTimer() = 0;
    virtual void closeStartup() = 0; // ends the program
};

// The main window holds the collection's table objects itself (Form1->Zakoni), as every window
// reaches them through it.
// The pages of the main window's PageControl1, by index.
namespace mainpage {
enum Index { Gazettes = 0, Areas, Search, PersonalLists, Opinions, Archive, Contracts, Settings, Help };
} // namespace mainpage

class TForm1 final : public QMainWindow, public data::MainTables {
    Q_OBJECT
public:
    explicit TForm1(StartupHost* startup = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // Shows the window modally: returns when it has been closed.
    void showModal();

    // Busy state: tabs disabled, pop-up menu removed, hourglass, status texts, optional beep.
    void searching(bool busy);
    bool isBusy() const { return m_busy; }

    // The Escape stop flag. It stops only the search or listing it was pressed in: each such loop
    // clears it when it starts (an Escape pressed while nothing ran, say to empty a field, stops
    // nothing), tests it at the top of every round and, when it is set, clears it
    // (takeStopRequest returns true once) and stops.
    void requestStop() { m_stopFlag = true; }
    void clearStopRequest() { m_stopFlag = false; }
    bool takeStopRequest();
    bool stopRequested() const { return m_stopFlag; }

    void dohints(const QByteArray& hint);
    void osvezi();
    void proveripropise();
    // Fills the lists whose tables are open; what fails while one is read is kept for the start
    // message and the others are still filled.
    void poubacuj();
    // True when every one of `tables` is open. Otherwise the user is told that the command needs
    // the first closed one, and why it could not be opened; false.
    bool tablesReady(std::initializer_list<const engine::Table*> tables);
    void ubacipoglasnicima();
    void sredicombo5();
    // The failed save's message, naming each file with what happened to it and what to do; asks
    // whether to close without those files. True to close.
    bool GreskaUSnimanju(const QList<data::FileSaveFailure>& failures);
    // Switches a list's sorting on or off; nothing in the program invokes it.
    void sortirajpoimenu(QListWidget* list);

    // The viewer's hint panel, while the viewer exists.
    void setViewerHintPanel(platform::PanelStatusBar* bar);

    // The configuration file as last read or about to be written.
    QByteArrayList cfg;
    // Titles of the last update ("novo.lst").
    QByteArrayList najnoviji;

    // ---- Shared by the tabs -------------------------------------------------------------------

    // A regulation opened in the viewer by its title: the main window's tables are prepared, the
    // viewer is shown modally over the current record of Zakoni, and what was changed is restored.
    struct RegulationToOpen {
        QByteArray title;
        QByteArray numberYear;      // BG; empty: the title alone selects
        bool onlyWhenFound = false; // show nothing when no regulation is selected
        bool refreshAfter = false;  // osvezi once the tables are restored (the selection list)
        bool addToFrequent = true;  // dodajuceste with the title afterwards
    };
    // False when onlyWhenFound was asked and no regulation was selected.
    bool openRegulation(const RegulationToOpen& what);
    // An opinion opened in the viewer by its title and its date as the lists show it (dd/mm/yyyy).
    void openOpinion(const QByteArray& title, const QByteArray& date);

    // The title test of the searches: lets pending messages run, then looks for the word.
    bool nadji(const QByteArray& word, const QByteArray& text);
    // Lets pending messages run, at most every few milliseconds: long loops call it every round
    // and stay live without paying for a full pass of the event loop each time.
    void pumpMessages();

    // Controls, named as the program and its tests know them.
    QTabWidget* PageControl1 = nullptr;
    platform::PanelStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    TPreviewPrinter* PreviewPrinter1 = nullptr;

    // ---- Tab 0: gazettes (gazettestab.cpp) -----------------------------------------------------
    QTreeWidget* TreeView2 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    // Fills a gazette's years of print, or a year's issue numbers, under the node.
    void ubacipogodinama(QTreeWidgetItem* gazette);
    void ubacipobrojevima(QTreeWidgetItem* year);
    void TreeView2Expanded(QTreeWidgetItem* node);
    void TreeView2Collapsed(QTreeWidgetItem* node);
    void TreeView2Click();
    // Lists the regulations of the gazette, year or issue that the node stands for.
    void TreeView2Change(QTreeWidgetItem* node);
    // The tree's selection change runs TreeView2Change only while attached: the first activation
    // attaches it once the gazettes are in, and an expansion detaches it while it adds nodes.
    void attachTreeView2Change();
    void detachTreeView2Change();
    // Opens the selected regulation of ListView1 in the viewer; nothing when none is selected.
    void ListView1DblClick();
    // The gazette's name of the first regulation with the title, and its number/year or, with
    // the gazette, its citation "(Sl. glasnik RS 12/2005)"; empty texts for an unknown title.
    QByteArray nadjiglasnik(const QByteArray& title);
    QByteArray nadjibroj(const QByteArray& title, bool withGazette);

    // ---- Result lists and their sorting (resultlists.cpp) ---------------------------------------
    // The column clicked last: ResultSortColumn for the regulation lists, OpinionSortColumn for
    // the opinions. Each click sorts its list ascending by that column and marks its header.
    int ResultSortColumn = 0;
    int OpinionSortColumn = 0;
    void ListView1ColumnClick(int column);
    void ListBox3ColumnClick(int column);
    void ListBox7ColumnClick(int column);
    void Listbox9ColumnClick(int column);
    void ListBox2ColumnClick(int column);
    void Listbox6ColumnClick(int column);
    // Binds the header clicks of the six lists to their handlers; run once the tabs are built.
    void connectResultLists();

private:
    QMetaObject::Connection m_treeView2Change;
    bool m_treeView2Attached = false;
    // The listing was refused (a table it needs is closed) since the last click in the tree: the
    // click that chose the node has been answered already.
    bool m_gazetteListRefused = false;

public:
    // ---- Tab 1: areas (areastab.cpp) -----------------------------------------------------------
    QTreeWidget* TreeView1 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QTreeWidget* ListBox3 = nullptr;
    QLineEdit* Edit11 = nullptr;
    QPushButton* SpeedButton17 = nullptr;
    // Lists the regulations of the selected area node and the chosen type.
    void TreeView1Change();
    void ComboBox3Change();
    void ubacipooblastima();
    // The phrase search over the last complete area listing.
    void SpeedButton17Click();
    void ListBox3DblClick();
    // The last area listing as it was listed (also a partial one, stopped by Escape): the phrase
    // search always starts from it.
    struct AreaEntry {
        QByteArray title;
        QByteArray numberYear;
    };
    QList<AreaEntry> oblastcuvaj;

    // ---- Tab 2: search (searchtab.cpp) ---------------------------------------------------------
    QLineEdit* Edit2 = nullptr;
    QComboBox* ComboBox4 = nullptr;       // "Sva glasila", then the gazettes, each with its key
    QTreeWidget* ListBox2 = nullptr;      // the hits
    QRadioButton* RadioButton6 = nullptr; // titles only
    QRadioButton* RadioButton5 = nullptr; // titles and texts
    QPushButton* SpeedButton1 = nullptr;  // runs the search; the relations window clicks it too
    // True while a search is run again from the recent list: that search leaves no entry. Every
    // search clears it when it ends, however it ends.
    bool ReplayingSearch = false;
    // The regulations search: titles, or titles and texts, of the chosen gazettes.
    void SpeedButton1Click();
    // Opens the chosen hit and adds it to the frequently opened list.
    void ListBox2DblClick();
    // Runs the chosen recent search again.
    void ListBox4DblClick();
    // Kept from search to search: it keeps the titles while the regulations are unchanged.
    data::RegulationSearch m_regulationSearch{*this};

    // ---- Tab 3: personal lists (personaltab.cpp) -----------------------------------------------
    QListWidget* ListBox4 = nullptr; // recent searches
    QListWidget* ListBox5 = nullptr; // frequently opened
    QListWidget* ListBox8 = nullptr; // marked for quick opening
    QSpinBox* SpinEdit2 = nullptr;   // capacity of the frequently opened list
    QSpinBox* SpinEdit4 = nullptr;   // capacity of the recent searches
    QPushButton* SpeedButton10 = nullptr;
    QPushButton* SpeedButton21 = nullptr;
    QPushButton* SpeedButton24 = nullptr;
    QPushButton* SpeedButton25 = nullptr;
    // Adds a title to the frequently opened list.
    void dodajuceste(const QByteArray& title);
    // Rebuilds the quick-open menu from ListBox8.
    void sredibrze();
    // Marks a title for quick opening (the viewer's command, and whatever else marks titles):
    // refused with a message when eight are marked; the menu is rebuilt either way.
    void addToQuickOpen(const QByteArray& title);
    void ListBox5DblClick();
    void ListBox8DblClick();
    void SpeedButton10Click(); // the newest regulations in the selection list
    void SpeedButton21Click(); // removes the chosen quick-open title
    void SpeedButton24Click(); // empties the frequently opened list
    void SpeedButton25Click(); // empties the recent searches

    // ---- Tab 4: opinions (opinionstab.cpp) -----------------------------------------------------
    QComboBox* ComboBox1 = nullptr; // "Sve", then the ministries
    QLineEdit* Edit8 = nullptr;
    QRadioButton* RadioButton3 = nullptr; // titles and texts
    QRadioButton* RadioButton4 = nullptr; // titles
    QPushButton* SpeedButton14 = nullptr; // the word search; the relations window clicks it too
    class QSpinBox* SpinEdit5 = nullptr;  // from: day, month, year
    QSpinBox* SpinEdit6 = nullptr;
    QSpinBox* SpinEdit13 = nullptr;
    QSpinBox* SpinEdit14 = nullptr; // to: day, month, year
    QSpinBox* SpinEdit15 = nullptr;
    QSpinBox* SpinEdit16 = nullptr;
    QCheckBox* SviDatumi = nullptr;
    QPushButton* SpeedButton13 = nullptr; // the date search
    QLabel* Label59 = nullptr;
    QTreeWidget* Listbox6 = nullptr;
    // The ministry choice applies to the next search; the list is not refilled.
    void izbormistara();
    // The word search over the titles, or the titles and texts, of the chosen ministry's opinions.
    void SpeedButton14Click();
    // The date search: the opinions dated within the range, or every one with "Sve".
    void SpeedButton13Click();
    // Each keeps the from-date not after the to-date.
    void SpinEdit5Change();
    void SpinEdit6Change();
    void SpinEdit13Change();
    void SpinEdit14Change();
    void SpinEdit15Change();
    void SpinEdit16Change();
    void SviDatumiClick();
    // Opens the chosen opinion in the viewer.
    void ListBox6DblClick();
    // Lists every opinion of the opinions table as it is linked and filtered.
    void sredimisljenja();

    // ---- Tab 5: archive (archivetab.cpp) -------------------------------------------------------
    QLineEdit* Edit7 = nullptr;
    QTreeWidget* ListBox7 = nullptr;
    QTreeWidget* Listbox9 = nullptr;
    QTreeWidget* arhivacuvaj = nullptr; // the archive list as filled at start, kept hidden
    QWidget* Panel24 = nullptr;
    QPushButton* SpeedButton22 = nullptr; // the archive search
    QLabel* Label40 = nullptr;
    QWidget* GroupBox17 = nullptr;
    QWidget* GroupBox14 = nullptr;
    void SpeedButton22Click();
    // The jump of the viewer and the selection list: the archive tab shown, `title` put in Edit7
    // and searched by clicking SpeedButton22.
    void searchArchiveFor(const QByteArray& title);
    // A row chosen in ListBox7: its versions are listed in Listbox9.
    void ListBox7SelectItem();
    void arhivskiklik();
    void zbudziarhivu();
    void ListBox7DblClick();
    void ListBox9DblClick();
    // Version-chain lookups and writes that no control invokes.
    bool jelarhivski(const QByteArray& title);
    int imastari(int n);
    int imanovi(int n);
    void SrediArhivu();
    void Arhiviraj(int number, int which, int value);

    // ---- Tab 6: contract models (contractstab.cpp) ---------------------------------------------
    QTabWidget* PageControl3 = nullptr;
    QTabWidget* PageControl4 = nullptr;
    QComboBox* ComboBox5 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QLineEdit* Edit13 = nullptr;
    QLineEdit* Edit17 = nullptr;
    QLineEdit* Edit18 = nullptr;
    richtext::RichEdit* RichEdit2 = nullptr;
    QTreeWidget* DBGrid13 = nullptr;
    QPushButton* SpeedButton29 = nullptr;
    QLabel* Panel32 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    QPushButton* SpeedButton9 = nullptr;
    QPushButton* SpeedButton16 = nullptr;
    QPushButton* SpeedButton18 = nullptr;
    QPushButton* SpeedButton19 = nullptr;
    QPushButton* SpeedButton28 = nullptr;
    richtext::RichEdit* DBRichEdit4 = nullptr; // the chosen user contract's text
    richtext::RichEdit* DBRichEdit5 = nullptr; // the chosen model's note
    QLineEdit* DBEdit1 = nullptr;              // the chosen user contract's name
    QWidget* DBNavigator1 = nullptr;           // its buttons "nbPost" and "nbCancel"
    QComboBox* ColorBox1 = nullptr;            // on the settings tab: the colour of entered values
    QColor ContractColor = QColor(0, 0, 128);
    void ComboBox5Change();
    void SpeedButton9Click();
    void ubaciclanove1();
    void sredikorisnicki();
    void SpeedButton19Click();
    void nadjitekstugovora(const QByteArray& word);
    void SpeedButton18Click();
    void PageControl3Change();
    void SpeedButton4Click();
    void SpeedButton29Click();
    void SpeedButton28Click();
    void SpeedButton16Click();
    void ColorBox1Change();
    // The user contract's edits written into its record. True when none were pending or they are
    // on disk; a failure is shown and the edits stay in the controls, except when another program
    // replaced the table's file: the edits belong to the old file and give way to the new one.
    bool saveUserContract();
    // The same when the window closes: a failure is told, with the words that the edits are lost,
    // and the edits are given up, so that the window can close.
    void saveUserContractOnClosing();
    // The edits given up: the controls show the record again.
    void cancelUserContract();
    // ColorBox1 beside its label, for the settings tab.
    QWidget* contractColorRow();

private:
    void buildModelsPage(QWidget* page);
    void buildUserContractsPage(QWidget* page);
    // The current model's parties: true for a model of three (reads the table, so it may throw).
    bool modelHasThirdParty() const;
    void showThirdPartyFields(bool third);
    // Whether the failure of a step has been told already, so that a read of the same table that
    // follows it is not told a second time.
    enum class Told { Now, Already };
    // The list and the editor shown from the table; when it cannot be read, both are emptied and
    // the editor disabled, and false.
    bool showUserContracts(Told told);
    // The edits written into the current record; the failure, untold, when they could not be.
    std::optional<engine::Error> writeUserContract();
    void forgetUserContractEdits();
    // A record appended or edited and not posted, given up.
    void dropUnpostedUserContract();
    // Runs the step with the user contracts filtered; the filter is taken off afterwards, also
    // when the step fails.
    template <typename Step> void withUserContractsFiltered(const QByteArray& filter, Step&& step);
    void printContract(richtext::RichEdit* edit);
    bool userContractEdited() const;
    void showUserContract();
    // The list's row of the current user contract made current and highlighted, alone.
    void highlightUserContract();
    void fillUserContractsGrid();
    void DBGrid13Change();
    QByteArray m_contractModel; // the chosen model's text, as plain YUSCII
    int m_contractsPage = 0;    // the page of PageControl3 last shown
    bool m_onContractsTab = false;
    bool m_savingUserContract = false;
    // The file the user contracts' list was filled from, as it was then.
    engine::FileVersion m_userContractsListed;
    // The row of the contract the edit fields show, as last read from the table: the list goes
    // back to it after a failed move, also when the table cannot even tell its position then.
    int m_userContractRow = -1;

public:
    // ---- Tab 7: settings (settingstab.cpp) -----------------------------------------------------
    QComboBox* ComboBox2 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* Edit14 = nullptr;
    QLineEdit* Edit15 = nullptr;
    QLabel* Label27 = nullptr;
    QPushButton* SpeedButton26 = nullptr; // printer set-up
    QPushButton* SpeedButton2 = nullptr;  // the updater
    QPushButton* SpeedButton27 = nullptr; // the repair
    QWidget* Panel28 = nullptr;           // the letters' options: the contract text's colour
    void SpeedButton26Click();
    void SpeedButton2Click();
    void SpeedButton27Click();

    // ---- Tab 8: help (helptab.cpp) -------------------------------------------------------------
    QWidget* Panel11 = nullptr;
    QLabel* Label34 = nullptr;
    QLabel* Label52 = nullptr;
    QLabel* Label60 = nullptr;
    QLabel* Label61 = nullptr;
    QLabel* Image22 = nullptr;
    richtext::RichEdit* RichEdit3 = nullptr;
    QPushButton* SpeedButton3 = nullptr;  // "Tra`im propis"
    QPushButton* SpeedButton11 = nullptr; // suggestions
    QPushButton* SpeedButton12 = nullptr; // the web site
    QPushButton* SpeedButton15 = nullptr; // consulting
    QPushButton* SpeedButton8 = nullptr;  // the manual
    void SpeedButton3Click();
    void SpeedButton11Click();
    void SpeedButton12Click();
    void SpeedButton15Click();
    void SpeedButton8Click();

    // ---------------------------------------------------------------------------------------------

public slots:
    void ComboBox2Change();
    void CheckBox4Click();
    void PageControl1Change();

protected:
    void FormCreate();
    void FormActivate();
    // Saves the lists and the configuration and closes the start-up window; false, with nothing
    // closed, when a file could not be saved and the user keeps the window open.
    bool FormClose();
    void FormResize();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Each tab's controls, built on its page.
    void buildGazettesTab(QWidget* page);
    void buildAreasTab(QWidget* page);
    void buildSearchTab(QWidget* page);
    void buildPersonalTab(QWidget* page);
    void buildOpinionsTab(QWidget* page);
    void buildArchiveTab(QWidget* page);
    void buildContractsTab(QWidget* page);
    void buildSettingsTab(QWidget* page);
    void buildHelpTab(QWidget* page);
    void placeHelpLabels(int offset34, int offset61);
    void setColumnWidths();
    void sizeArchivePanel();
    void applyConfig(const configfile::Settings& settings);
    configfile::Settings currentSettings() const;
    // False when a file could not be saved and the user chose to keep the window open.
    bool saveListsAndConfig();

    void PopupMenuItemsClick(int index);
    void loadHelpText();
    void firstActivation();
    // Runs a step of filling the lists when all its tables are open (the start message names those
    // that are not); a failure while reading them is kept for that message.
    void fillStep(std::initializer_list<const engine::Table*> tables, const std::function<void()>& step);
    QList<engine::Error> m_fillFailures;

    StartupHost* m_startup = nullptr;
    class QEventLoop* m_modalLoop = nullptr;
    QPointer<platform::PanelStatusBar> m_viewerStatusBar;
    bool m_firstActivation = true;
    bool m_stopFlag = false;
    bool m_busy = false;
    QElapsedTimer m_sincePump;
    // Values of the configuration file that the window keeps and writes back but does not use
    // (the kept integer and the text sizes); the others live in the controls.
    configfile::Settings m_stored;
};

// The busy state for as long as it lives: a long operation that throws still leaves it.
class BusyState final {
public:
    explicit BusyState(TForm1& form) : m_form(form), m_focus(form.focusWidget()) { m_form.searching(true); }
    ~BusyState()
    {
        m_form.searching(false);
        // Disabling the tabs took the keyboard focus from the control that had it (the query field
        // of a search started with Enter); it gets it back unless the step gave it to another.
        const QWidget* now = m_form.focusWidget();
        if (m_focus != nullptr && m_focus->isEnabled() && (now == nullptr || !now->isEnabled())) {
            m_focus->setFocus();
        }
    }
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

private:
    TForm1& m_form;
    QPointer<QWidget> m_focus;
};

// The main window, created once at program start.
extern TForm1* Form1;
