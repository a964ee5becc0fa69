#pragma once

// The printer as the program reaches it: the default-printer entry of the user's profile, the
// printer pages are laid out for and printed on, the printer set-up and print dialogs, and the
// start of a print job. Tests install an environment of their own that prints to files and
// answers the dialogs, so no dialog ever waits for a user.

#include <memory>
#include <optional>
#include <QString>

class QPainter;
class QPrinter;
class QWidget;

namespace platform {

// What the user chose in the print dialog. Page numbers count from 1.
struct PrintRequest {
    bool allPages = true;
    int fromPage = 1;
    int toPage = 1;
    int copies = 1;
};

class PrinterEnvironment {
public:
    virtual ~PrinterEnvironment() = default;

    // The default printer named in the user's profile; empty when none is configured.
    virtual QString defaultPrinterName() const = 0;
    // False when the system knows no printer at all; pages are then laid out for the screen.
    virtual bool printersInstalled() const = 0;
    // The printer pages are laid out for and printed on; the dialogs below configure it.
    virtual QPrinter& printer() = 0;
    // The printer set-up dialog of the steps before a print, whose confirming goes on to the print
    // preview; true when the user confirmed it.
    virtual bool printerSetup(QWidget* parent) = 0;
    // The same dialog opened only to choose the printer (the settings tab), whose confirming keeps
    // the choice for the prints to come; true when the user confirmed it. Unless an environment
    // tells the two apart, the set-up above.
    virtual bool choosePrinter(QWidget* parent) { return printerSetup(parent); }
    // The print dialog offering the pages `minPage` to `maxPage` and a number of copies;
    // nullopt when the user cancelled it.
    virtual std::optional<PrintRequest> printDialog(QWidget* parent, int minPage, int maxPage) = 0;
    // Starts one print job named `title` on printer() and returns a painter on its first page;
    // ending the painter ends the job. Null when the job could not be started.
    virtual std::unique_ptr<QPainter> beginJob(const QString& title) = 0;
};

// The environment in use: the system's printers unless a test has installed its own.
PrinterEnvironment& printerEnvironment();
// The system's printers and their dialogs, whatever environment is installed.
PrinterEnvironment& systemPrinterEnvironment();
// Installs `env` (not owned); nullptr goes back to the system's.
void setPrinterEnvironment(PrinterEnvironment* env);

// The first step of every print: false, after telling the user "Printer nije detektovan", when no
// default printer is configured.
bool checkDefaultPrinter();
// The steps before a rich text is paginated: the default-printer check, then the printer set-up
// dialog. True when printing may go on.
bool printerReady(QWidget* parent);

} // namespace platform
