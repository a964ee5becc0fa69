#pragma once

// The selection list: regulations found by a criterion (the main window fills it), narrowed by a
// piece of the title, sorted, opened in the viewer or looked up in the archive tab; with the
// earlier-version test the viewer also uses.

#include "upperwindows.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class Tselekt final : public QDialog {
    Q_OBJECT
public:
    explicit Tselekt(QWidget* parent = nullptr);
    ~Tselekt() override;

    // Fills the list with the rows, in their order, and shows the window modally.
    void showRows(const QList<mainwin::SelectionRow>& rows);

    // Earlier-version test: true when the regulation with this title has an earlier or a later
    // version in the version chain. With two regulations of one title, the first in the
    // regulations table's order is tested.
    bool jelimastariji(const QByteArray& title);
    // The earlier version's key of the regulation with this title, or -1 when it has none.
    int stariji(const QByteArray& title);

    // Rows selected whose title holds the find text; the others are deselected.
    void SpeedButton1Click();
    // The archive tab, searched for the chosen row's title; the window closes.
    void SpeedButton3Click();
    // The chosen row opened in the viewer, over this window.
    void Listbox1DblClick();
    void Listbox1ColumnClick(int column);
    // The details pane of the chosen row (the first selected one).
    void change();

    QTreeWidget* Listbox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    // The next activation prepares the window for a fresh list.
    bool ReloadFlag = true;
    // The column the list was last sorted by.
    int SortColumn = 0;

protected:
    void FormActivate();
    void FormClose();

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QTreeWidgetItem* chosenRow() const;

    // The title the archive button was last tested for, and the answer: the pane runs on every
    // change of a row's selection, and a find over a long list must not repeat the lookup.
    QByteArray m_testedTitle;
    bool m_testedAnswer = false;
    bool m_tested = false;
    // A failed test was told during the action under way.
    bool m_failureTold = false;
};

extern Tselekt* selekt;
