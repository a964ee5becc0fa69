#pragma once

// The viewer: one regulation or opinion, the current record of the main window's regulations or
// opinions table, with find, the articles list, the script switch, copy and printing. The window
// lives from program start to its end and is shown modally for each document (openRegulation and
// openOpinion of the main window prepare the table first).

#include "documenttext.h"
#include "tables.h"

#include <functional>
#include <QByteArray>
#include <QDialog>

class QAction;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QSplitter;
class TPreviewPrinter;

namespace engine {
class Table;
}
namespace platform {
class PanelStatusBar;
}
namespace richtext {
class RichEdit;
}
namespace viewer {
class FindField;
}

// What the text control is bound to: the main window's regulations (its DataSource2, the design
// binding) or its opinions (DataSource4). Which one tells the kind of document shown.
enum class DocumentSource { Regulations, Opinions };

class TForm3 final : public QDialog, public data::ViewerTables {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Shows the window maximised and modally; returns when it has closed.
    void showModal();

    // ---- The document: the data source and the field of DBRichEdit1
    DocumentSource textSource() const { return m_source; }
    void setTextSource(DocumentSource source);
    // "Latinica", "Cirilica", or empty (the control then shows nothing).
    QByteArray textField() const { return m_field; }
    void setTextField(const QByteArray& field);
    bool showsOpinion() const { return m_source == DocumentSource::Opinions; }
    void setShowsOpinion(bool opinion);

    // Width of the articles panel (collapsed or shown) and height of the notes preview (0 or shown).
    static constexpr int PanelCollapsed = 1;
    static constexpr int PanelShown = 110;
    static constexpr int NotesShown = 60;
    int articlesPanelWidth() const;
    void setArticlesPanelWidth(int width);
    int notesHeight() const;
    void setNotesHeight(int height);

    // The caption for which the document was last loaded; empty after closing.
    QByteArray LastTitle;
    // The find's shadow copy and its last hit; kept from one opening to the next.
    viewer::ShadowCopy pretrazivac;

    // ---- Handlers, named after their controls
    void nadjitekst();        // find: SpeedButton1, Enter in Edit1
    void SpeedButton2Click(); // articles list
    void ubaciclanove();      // builds the articles list
    void clanoviDblClick();   // jump to the chosen article
    void konverzija();        // SpeedButton5: Latin / Cyrillic
    void SpeedButton6Click(); // print
    void SpeedButton7Click(); // copy, with the selection test
    void Kopiraj1Click();     // copy, without it
    void SpeedButton9Click(); // archive jump
    void Prikazirelacije1Click();
    void selektOznacizabrzootvaranje1Click();
    // The find dialog's find, from the find position on with the dialog's text as it stands; no
    // control opens the dialog.
    void FindDialog1Find(const QByteArray& findText);
    // The clipboard flattening, bound to no event.
    void AppDeactivate();

    // ---- Controls, named as the program and its tests know them
    QMenuBar* MainMenu1 = nullptr;
    QMenu* prikazpopup = nullptr;
    QAction* Stampaj1 = nullptr;
    QAction* Kopiraj1 = nullptr;
    QAction* Zatvori1 = nullptr;
    QAction* Prikazirelacije1 = nullptr;
    QAction* Kopirajselekciju1 = nullptr;
    QAction* selektOznacizabrzootvaranje1 = nullptr;
    QAction* Nazad1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    QPushButton* SpeedButton5 = nullptr;
    QPushButton* SpeedButton6 = nullptr;
    QPushButton* SpeedButton7 = nullptr;
    QPushButton* SpeedButton8 = nullptr;
    QPushButton* SpeedButton9 = nullptr;
    QPushButton* SpeedButton10 = nullptr;
    richtext::RichEdit* DBRichEdit1 = nullptr;
    richtext::RichEdit* DBRichEdit2 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel6 = nullptr;
    QListWidget* clanovi = nullptr;
    viewer::FindField* Edit1 = nullptr;
    platform::PanelStatusBar* StatusBar1 = nullptr;
    TPreviewPrinter* PreviewPrinter1 = nullptr;

protected:
    void FormCreate();
    void FormActivate();
    void FormClose();

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    // The document loaded into the controls, its buttons set (FormActivate's work); throws.
    void activate();
    QPushButton* button(const char* name, const QByteArray& caption, const QByteArray& hint);
    void bindText();
    // The text control's field: loaded only when asked.
    void loadText();
    void writeLengthText();
    void loadNotesPreview();
    // The archive button: whether the shown document has an earlier or a later version.
    bool hasVersions();
    // The attachments button: whether the shown regulation has a picture attached.
    bool hasAttachments();
    // Shows a window of the program over this one; this one is active again afterwards.
    void showOver(const std::function<void()>& show);
    // The text as YUSCII upper-cased, for the find; read again only when the text has changed.
    const QByteArray& upperText();
    // Runs a handler's step; a failure is reported and the window stays as it is.
    void guarded(const std::function<void()>& step);
    // Find from the shadow copy's find position on (steps 3 to 6 of the find).
    void findFrom(const QByteArray& term);
    // The YUSCII form of the articles list's entry `row`.
    QByteArray articleEntry(int row) const;
    void showArticleEntries();

    DocumentSource m_source = DocumentSource::Regulations;
    QByteArray m_field = "Latinica";
    int m_notesHeight = 0;
    QByteArray m_upperText;
    bool m_upperTextValid = false;
    // A read of the shown document again failed, and was told.
    bool m_refreshFailed = false;
    // The read again after a window shown over this one, which told what it met.
    bool m_quietRefresh = false;
};

extern TForm3* Form3;
