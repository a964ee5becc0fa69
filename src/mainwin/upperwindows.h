#pragma once

// The windows created above the main window (the viewer and the windows over it, the updater)
// live in layers that use the main window; the main window reaches them only through these
// interfaces, which those windows register when they are created. Until one is registered the
// main window's commands that need it do nothing.

#include <QByteArray>
#include <QList>

namespace mainwin {

// One row of the selection list: a regulation's title, its gazette's name and its number/year.
struct SelectionRow {
    QByteArray title;
    QByteArray gazette;
    QByteArray numberYear;
};

class DocumentWindows {
public:
    virtual ~DocumentWindows() = default;
    // Shows the viewer modally over the current record of the regulations table, captioned with
    // the title; returns when it has closed.
    virtual void showRegulation(const QByteArray& title) = 0;
    // Shows the viewer modally over the current record of the opinions table.
    virtual void showOpinion(const QByteArray& title) = 0;
    // Fills the selection list with the rows, in their order, and shows it modally.
    virtual void showSelectionList(const QList<SelectionRow>& rows) = 0;
};

class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;
    // Shows the updater modally; returns when it has closed.
    virtual void showUpdater() = 0;
    // True, after telling the user why, while an update runs: the program does not close under
    // tables being installed.
    virtual bool refuseClosing() { return false; }
};

DocumentWindows* documentWindows();
void setDocumentWindows(DocumentWindows* windows); // not owned; nullptr unregisters
UpdateWindow* updateWindow();
void setUpdateWindow(UpdateWindow* window);

} // namespace mainwin
