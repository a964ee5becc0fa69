#pragma once

// A printer environment for tests: every print job becomes a PDF file of its own in a folder
// ("job1.pdf", "job2.pdf", ...), and the printer dialogs take their answers from queues. A dialog
// with no answer queued is recorded as unexpected and cancelled, so a test fails instead of
// waiting for a user. Installs itself while it lives.

#include "printerenv.h"

#include <QPrinter>
#include <QQueue>
#include <QStringList>

namespace testsupport {

class PdfPrinterEnvironment final : public platform::PrinterEnvironment {
public:
    explicit PdfPrinterEnvironment(const QString& folder, int resolution = 300);
    ~PdfPrinterEnvironment() override;

    // An empty name stands for a profile with no default printer.
    void setDefaultPrinterName(const QString& name) { m_defaultName = name; }
    // Without installed printers pages are laid out for the screen.
    void setInstalled(bool installed) { m_installed = installed; }
    void answerSetup(bool ok) { m_setupAnswers.enqueue(ok); }
    // nullopt cancels the print dialog.
    void answerPrint(std::optional<platform::PrintRequest> request) { m_printAnswers.enqueue(request); }

    QStringList jobFiles() const { return m_jobFiles; }
    QStringList jobTitles() const { return m_jobTitles; }
    // The dialogs shown with no answer queued ("setup" or "print").
    QStringList unexpected() const { return m_unexpected; }
    // The page range the last print dialog offered.
    std::pair<int, int> offeredRange() const { return m_offered; }

    QString defaultPrinterName() const override { return m_defaultName; }
    bool printersInstalled() const override { return m_installed; }
    QPrinter& printer() override { return m_printer; }
    bool printerSetup(QWidget* parent) override;
    std::optional<platform::PrintRequest> printDialog(QWidget* parent, int minPage, int maxPage) override;
    std::unique_ptr<QPainter> beginJob(const QString& title) override;

private:
    QString m_folder;
    QPrinter m_printer;
    QString m_defaultName = QStringLiteral("PDF");
    bool m_installed = true;
    QQueue<bool> m_setupAnswers;
    QQueue<std::optional<platform::PrintRequest>> m_printAnswers;
    QStringList m_jobFiles;
    QStringList m_jobTitles;
    QStringList m_unexpected;
    std::pair<int, int> m_offered{0, 0};
};

// The text of one page (from 1) of a PDF file, as pdftotext reads it.
QString pdfPageText(const QString& file, int page);
// The number of pages of a PDF file, as pdfinfo reads it.
int pdfPageCount(const QString& file);

// A word's box on a PDF page, in points from the page's top-left corner.
struct PdfWord {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
QList<PdfWord> pdfPageWords(const QString& file, int page);

} // namespace testsupport
