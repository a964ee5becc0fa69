#pragma once

// The table objects the windows hold over the collection, each set up with its file, order,
// master link, read-only flag, filtering and case option; window code only wires them to its
// controls. Object names are the ones the windows use (Glavna, Zakoni, ...).

#include "error.h"
#include "table.h"

#include <optional>
#include <QList>

namespace data {

// A table object that could not be opened, and why; the error names the table's file.
struct OpenFailure {
    const engine::Table* table;
    engine::Error error;
};

// The main window's fifteen.
struct MainTables {
    MainTables();
    MainTables(const MainTables&) = delete;
    MainTables& operator=(const MainTables&) = delete;

    engine::Table Glavna;            // TB_Brojevi: publications
    engine::Table Zakoni;            // TB_Zakoni, detail of Glavna (ID_BROJA = ID_ZAKONA)
    engine::Table Glasnici;          // TB_Glasnici, master Glavna without master fields until first activation
    engine::Table arhiva;            // TB_Arhiva, detail of Zakoni (ID_BROJA = BROJ_ZAKONA)
    engine::Table misljenja;         // TB_Misljenja, index drugi, detail of ministarstva
    engine::Table ministarstva;      // TB_Ministarstva
    engine::Table oblasti;           // TB_Kategorije_Zakona
    engine::Table vrstezakona;       // TB_Tipovi_Zakona
    engine::Table ugovori;           // TB_Ugovori
    engine::Table KorisnickiUgovori; // TB_Korisnicki, the one the user writes
    engine::Table lookzakoni;        // the citation lookup chain: lookzakoni -> lookbrojevi -> lookglasnici
    engine::Table lookbrojevi;
    engine::Table lookglasnici;
    engine::Table Table1; // TB_Datumi, detail of Zakoni
    engine::Table link;   // TB_link

    // In the order the main window opens them on its first activation.
    QList<engine::Table*> openingOrder();
    // Opens them in that order; throws at the first that fails.
    void openAll();
    // Opens every one that opens, in that order; the others stay closed. Returns their failures,
    // which are also kept for openFailure.
    QList<OpenFailure> openEach();
    // Why `table` stayed closed at the last openEach; null when it opened or was not tried.
    const engine::Error* openFailure(const engine::Table& table) const;

private:
    QList<OpenFailure> m_openFailures;
};

// What the user is told at start when tables stayed closed or could not be read (a failure with
// no table object): each table's file once, with what happened and what to do, then, when a
// table is damaged, that the repair may mend it.
QByteArray openFailuresMessage(const QList<OpenFailure>& failures);
// What a command that needs `table` says when it is closed: that it cannot work without it, and
// why it could not be opened (`failure`, when known).
QByteArray closedTableMessage(const engine::Table& table, const engine::Error* failure);

// The selection list's chain selzakoni -> selbrojevi -> selglasnici.
struct SelectionTables {
    SelectionTables();
    SelectionTables(const SelectionTables&) = delete;
    SelectionTables& operator=(const SelectionTables&) = delete;

    engine::Table selzakoni;
    engine::Table selbrojevi;
    engine::Table selglasnici;

    void openAll();
};

// The attachments window's pictures of the main window's current regulation.
struct AttachmentTables {
    explicit AttachmentTables(engine::Table& zakoni);
    ~AttachmentTables();
    AttachmentTables(const AttachmentTables&) = delete;
    AttachmentTables& operator=(const AttachmentTables&) = delete;

    engine::Table Table1; // TB_grafika, detail of Zakoni (ID_ZAKONA = ID_ZAKONA); opened at creation

    // Opens Table1 as the window is created; why it failed is kept for the start message.
    void openAtCreation();
    // Why Table1 stayed closed at creation, the error naming its file; null when it opened.
    const OpenFailure* openFailure() const;

private:
    std::optional<OpenFailure> m_openFailure;
};

// The attachments tables while they exist (the last one made): the updater imports into them
// and rebuilds them without reaching into the window that holds them. Null when there are none.
AttachmentTables* attachmentTables();

// The viewer's own pictures table, which is never opened.
struct ViewerTables {
    ViewerTables();
    ViewerTables(const ViewerTables&) = delete;
    ViewerTables& operator=(const ViewerTables&) = delete;

    engine::Table Table1;
};

// A regulation has additional information when its note holds more than 200 characters.
inline constexpr int NoteInfoThreshold = 200;
bool hasAdditionalInfo(const QByteArray& note);

} // namespace data
