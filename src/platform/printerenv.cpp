#include "printerenv.h"

#include "prompter.h"

#include "display.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace platform {
namespace {

// The platform's print dialog, keeping its choice of printer and options, in the program's
// language: titled for the step it is and its confirming button labelled for what it leads to.
void label(QPrintDialog& dialog, const QByteArray& title, const QByteArray& confirm)
{
    dialog.setWindowTitle(display::toUnicode(title));
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
        if (buttons->window() != &dialog) {
            continue;
        }
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) {
            ok->setText(display::toUnicode(confirm));
        }
        if (QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel)) {
            cancel->setText(display::toUnicode("Otka`i"));
        }
    }
}

class SystemPrinterEnvironment final : public PrinterEnvironment {
public:
    QString defaultPrinterName() const override { return QPrinterInfo::defaultPrinterName(); }

    bool printersInstalled() const override { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

    QPrinter& printer() override
    {
        // At the printer's own resolution, so that pages laid out for it print one to one.
        if (!m_printer) {
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        }
        return *m_printer;
    }

    bool printerSetup(QWidget* parent) override { return setup(parent, "Prikaz {tampe"); }

    bool choosePrinter(QWidget* parent) override { return setup(parent, "Izaberi"); }

    std::optional<PrintRequest> printDialog(QWidget* parent, int minPage, int maxPage) override
    {
        QPrinter& target = printer();
        target.setPrintRange(QPrinter::AllPages);
        target.setFromTo(minPage, maxPage);
        QPrintDialog dialog(&target, parent);
        dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(minPage, maxPage);
        label(dialog, "[tampa", "[tampaj");
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        PrintRequest request;
        request.allPages = target.printRange() != QPrinter::PageRange;
        request.fromPage = target.fromPage();
        request.toPage = target.toPage();
        request.copies = std::max(1, target.copyCount());
        // Each copy is printed as a job of its own, so the printer itself makes one.
        target.setCopyCount(1);
        return request;
    }

    std::unique_ptr<QPainter> beginJob(const QString& title) override
    {
        QPrinter& target = printer();
        target.setDocName(title);
        auto painter = std::make_unique<QPainter>();
        if (!painter->begin(&target)) {
            return nullptr;
        }
        return painter;
    }

private:
    bool setup(QWidget* parent, const QByteArray& confirm)
    {
        QPrintDialog dialog(&printer(), parent);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
        label(dialog, "Pode{avanje {tampa~a", confirm);
        return dialog.exec() == QDialog::Accepted;
    }

    std::unique_ptr<QPrinter> m_printer;
};

PrinterEnvironment* g_current = nullptr;

} // namespace

PrinterEnvironment& printerEnvironment()
{
    return g_current ? *g_current : systemPrinterEnvironment();
}

PrinterEnvironment& systemPrinterEnvironment()
{
    static SystemPrinterEnvironment system;
    return system;
}

void setPrinterEnvironment(PrinterEnvironment* env)
{
    g_current = env;
}

bool checkDefaultPrinter()
{
    if (!printerEnvironment().defaultPrinterName().isEmpty()) {
        return true;
    }
    prompter().message("Printer nije detektovan");
    return false;
}

bool printerReady(QWidget* parent)
{
    return checkDefaultPrinter() && printerEnvironment().printerSetup(parent);
}

} // namespace platform
