#pragma once

// The selection list: regulations found by a criterion, with the earlier-version test.

#include "upperwindows.h"

#include <QDialog>

class Tselekt final : public QDialog {
    Q_OBJECT
public:
    explicit Tselekt(QWidget* parent = nullptr);
    ~Tselekt() override;

    // Fills the list with the rows, in their order, and shows the window modally.
    void showRows(const QList<mainwin::SelectionRow>& rows);

    // Earlier-version test: true when the regulation with this title has an earlier or a later
    // version in the version chain.
    bool jelimastariji(const QByteArray& title);
};

extern Tselekt* selekt;
