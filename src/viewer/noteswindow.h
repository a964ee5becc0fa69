#pragma once

// The notes window: the additional information of the shown regulation.

#include <QDialog>

class TForm5 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
    ~TForm5() override;
};

extern TForm5* Form5;
