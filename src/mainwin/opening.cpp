// How every list opens a document in the viewer: the main window's tables are prepared so that
// the document is the current record, the viewer is shown modally, and the tables are restored.

#include "mainwindow.h"
#include "upperwindows.h"

#include "controls.h"
#include "filter.h"

namespace mainwin {
namespace {
DocumentWindows* g_documentWindows = nullptr;
UpdateWindow* g_updateWindow = nullptr;
} // namespace

DocumentWindows* documentWindows()
{
    return g_documentWindows;
}

void setDocumentWindows(DocumentWindows* windows)
{
    g_documentWindows = windows;
}

UpdateWindow* updateWindow()
{
    return g_updateWindow;
}

void setUpdateWindow(UpdateWindow* window)
{
    g_updateWindow = window;
}

} // namespace mainwin

bool TForm1::openRegulation(const RegulationToOpen& what)
{
    if (!tablesReady({&Zakoni})) {
        return false;
    }
    bool shown = false;
    const QByteArray savedFilter = Glavna.filter();
    // Whatever happens while the viewer is open, the regulations follow the publications again
    // afterwards, unfiltered (the viewer's closing empties the filter; a regulation that was not
    // found or a step that threw leaves it to this), in their order, and the publications get
    // their filter back.
    controls::thenRestore(
        [&] {
            Zakoni.setMasterFields({});
            QByteArray filter = "Naziv_zakona= " + engine::quoted(what.title);
            if (!what.numberYear.isEmpty()) {
                filter += " AND BG= " + engine::quoted(what.numberYear);
            }
            Zakoni.setFilter(filter);
            Zakoni.first();
            shown = !what.onlyWhenFound || !Zakoni.isEmpty();
            if (shown) {
                if (auto* windows = mainwin::documentWindows()) {
                    windows->showRegulation(what.title);
                }
            }
        },
        [&] {
            Zakoni.setFilter({});
            Zakoni.setMasterFields("ID_BROJA");
            Glavna.setFilter(savedFilter);
            Zakoni.setIndexFieldNames("ID_ZAKONA");
        });
    if (what.refreshAfter) {
        osvezi();
    }
    if (what.addToFrequent && shown) {
        dodajuceste(what.title);
    }
    return shown;
}

void TForm1::openOpinion(const QByteArray& title, const QByteArray& date)
{
    if (!tablesReady({&misljenja})) {
        return;
    }
    controls::thenRestore(
        [&] {
            misljenja.setFilter(
                "NAZIV_MISLJENJA= " + engine::quoted(title) + " AND DAN=" + engine::quoted(date.mid(0, 2)) +
                " AND MESEC=" + engine::quoted(date.mid(3, 2)) + " AND GODINA=" + engine::quoted(date.mid(6, 4)));
            misljenja.setFiltered(true);
            misljenja.first();
            if (auto* windows = mainwin::documentWindows()) {
                windows->showOpinion(title);
            }
        },
        [&] { misljenja.setFilter({}); });
}
