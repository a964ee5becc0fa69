#pragma once

// The relations window: the opinions related to a regulation, or the regulations to an opinion.

#include <QDialog>

class Trelacije final : public QDialog {
    Q_OBJECT
public:
    explicit Trelacije(QWidget* parent = nullptr);
    ~Trelacije() override;

    // The viewer's relations command: fills the window for the document the viewer shows and
    // shows it modally.
    void showForViewerDocument();
};

extern Trelacije* relacije;
