#pragma once

// The updater window: brings the collection up to date from the publisher's update server.

#include <QDialog>

class Tupdater final : public QDialog {
    Q_OBJECT
public:
    explicit Tupdater(QWidget* parent = nullptr);
    ~Tupdater() override;
};

extern Tupdater* updater;
