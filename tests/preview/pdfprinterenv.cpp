#include "pdfprinterenv.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

namespace testsupport {

PdfPrinterEnvironment::PdfPrinterEnvironment(const QString& folder, int resolution)
    : m_folder(folder), m_printer(QPrinter::HighResolution)
{
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    m_printer.setResolution(resolution);
    m_printer.setPageSize(QPageSize(QPageSize::Letter));
    // A printable area short of the sheet, as real printers have.
    m_printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Point);
    platform::setPrinterEnvironment(this);
}

PdfPrinterEnvironment::~PdfPrinterEnvironment()
{
    platform::setPrinterEnvironment(nullptr);
}

bool PdfPrinterEnvironment::printerSetup(QWidget*)
{
    if (m_setupAnswers.isEmpty()) {
        m_unexpected << QStringLiteral("setup");
        return false;
    }
    return m_setupAnswers.dequeue();
}

std::optional<platform::PrintRequest> PdfPrinterEnvironment::printDialog(QWidget*, int minPage, int maxPage)
{
    m_offered = {minPage, maxPage};
    if (m_printAnswers.isEmpty()) {
        m_unexpected << QStringLiteral("print");
        return std::nullopt;
    }
    return m_printAnswers.dequeue();
}

std::unique_ptr<QPainter> PdfPrinterEnvironment::beginJob(const QString& title)
{
    const QString file = QDir(m_folder).filePath(QStringLiteral("job%1.pdf").arg(m_jobFiles.size() + 1));
    m_printer.setOutputFileName(file);
    m_printer.setDocName(title);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&m_printer)) {
        return nullptr;
    }
    m_jobFiles << file;
    m_jobTitles << title;
    return painter;
}

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString pdfPageText(const QString& file, int page)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                             QString::number(page), file, QStringLiteral("-")});
}

int pdfPageCount(const QString& file)
{
    const QString info = run(QStringLiteral("pdfinfo"), {file});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QList<PdfWord> pdfPageWords(const QString& file, int page)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"),
                                                           QString::number(page), QStringLiteral("-l"),
                                                           QString::number(page), file, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

} // namespace testsupport
