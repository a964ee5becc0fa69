#pragma once

// The attachments window: the pictures attached to the shown regulation (scanned forms and the
// like, the fields S1 to S33 of its attachments record), one shown at a time and printed straight
// on the printer.

#include "tables.h"

#include <exception>
#include <QDialog>

class QListWidget;
class QPushButton;

namespace viewer {
class TDBImage;
class TImage;
} // namespace viewer

class Tdokumenti final : public QDialog, public data::AttachmentTables {
    Q_OBJECT
public:
    explicit Tdokumenti(QWidget* parent = nullptr);
    ~Tdokumenti() override;

    void FormActivate();
    void ListBox1Click();     // shows the chosen picture
    void SpeedButton6Click(); // prints it

    viewer::TDBImage* DBImage1 = nullptr; // hidden; its field is switched to read one picture at a time
    QListWidget* ListBox1 = nullptr;
    viewer::TImage* Image3 = nullptr;
    QPushButton* SpeedButton6 = nullptr;
    QPushButton* SpeedButton3 = nullptr;

protected:
    // The window's activation: when it is shown, and when a window of the program shown over it (a
    // message, the print dialog) has closed. Switching to another program and back changes nothing.
    void showEvent(QShowEvent* event) override;

private:
    // Opens the pictures table when it is not open yet; false, after telling why, when it cannot.
    bool openTable();
    void showField(const QByteArray& field);
    // Tells why the pictures could not be listed, once while the window is shown: each message or
    // print dialog over it activates it again, and that lists them anew.
    void tellOnce(const std::exception& e);

    bool m_told = false;
};

extern Tdokumenti* dokumenti;
