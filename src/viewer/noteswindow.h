#pragma once

// The notes window: the additional information (the note) of the shown regulation, printed
// through the viewer's page printer with whatever header and fonts the viewer last gave it.

#include <QDialog>

class QPushButton;

namespace richtext {
class RichEdit;
}

class TForm5 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
    ~TForm5() override;

    void SpeedButton1Click(); // print

    richtext::RichEdit* DBRichEdit1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton3 = nullptr;

protected:
    void FormCreate();
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

extern TForm5* Form5;
