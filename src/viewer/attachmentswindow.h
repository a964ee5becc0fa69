#pragma once

// The attachments window: the pictures attached to the shown regulation.

#include <QDialog>

class Tdokumenti final : public QDialog {
    Q_OBJECT
public:
    explicit Tdokumenti(QWidget* parent = nullptr);
    ~Tdokumenti() override;
};

extern Tdokumenti* dokumenti;
