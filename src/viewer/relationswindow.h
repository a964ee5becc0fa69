#pragma once

// The relations window: the opinions related to a regulation, or the regulations to an opinion,
// from which "&Na|i dokument" carries the chosen title into the main window's search.

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class Trelacije final : public QDialog {
    Q_OBJECT
public:
    explicit Trelacije(QWidget* parent = nullptr);
    ~Trelacije() override;

    // The viewer's relations command: fills the window for the document the viewer shows and
    // shows it modally, or says that nothing is related.
    void showForViewerDocument();
    // Fills the list with the documents related to the current record of the main window's
    // opinions (opinionShown) or regulations table; returns the number of rows. Throws
    // engine::Error.
    int fill(bool opinionShown);

    // "&Na|i dokument"; the double click does the same, but quietly without a chosen row.
    void SpeedButton1Click();
    void ListView1DblClick();

    QGroupBox* GroupBox1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QLabel* Label1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void findDocument(bool fromButton);

    // The list holds opinions (the viewer shows a regulation) or regulations.
    bool m_listsOpinions = false;
};

extern Trelacije* relacije;
