// Paginating a regulation of some 300 pages into page pictures must cost no more than 1.2 times
// what printing the same document straight into a PDF file costs. Both run here, on the same
// document and printer resolution, and the ratio is printed at the end.
#include "fonts.h"
#include "pdfprinterenv.h"
#include "prevprinter.h"
#include "registry.h"
#include "regulationdoc.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

constexpr int kResolution = 600;
constexpr int kArticles = 2900;

QTextEdit* g_edit = nullptr;
QTemporaryDir* g_folder = nullptr;

void BM_PaginateIntoPictures(benchmark::State& state) {
    testsupport::PdfPrinterEnvironment env(g_folder->path(), kResolution);
    TPreviewPrinter printer(nullptr, viewerTextOptions());
    for (auto _ : state) {
        printer.PrintRichEdit(g_edit);
        benchmark::DoNotOptimize(printer.PageCount());
    }
    state.counters["pages"] = printer.PageCount();
}
BENCHMARK(BM_PaginateIntoPictures)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DocumentPrintToPdf(benchmark::State& state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(kResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setOutputFileName(g_folder->filePath(QStringLiteral("print.pdf")));
    for (auto _ : state) {
        g_edit->document()->print(&printer);
    }
}
BENCHMARK(BM_DocumentPrintToPdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            times[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    g_folder = &folder;
    platform::setRegistryFolder(folder.path());
    platform::ApplicationFontTable fonts;
    platform::installFonts(fonts, QStringLiteral(KORVELIN_BIN_FOLDER));
    QTextEdit edit;
    previewtest::fillRegulation(edit, kArticles);
    g_edit = &edit;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.times["BM_PaginateIntoPictures"];
    const double print = reporter.times["BM_DocumentPrintToPdf"];
    if (ours > 0 && print > 0) {
        std::printf("pagination into pictures / printing into PDF: %.2fx (target: at most 1.20x)\n", ours / print);
    }
    benchmark::Shutdown();
    return 0;
}
