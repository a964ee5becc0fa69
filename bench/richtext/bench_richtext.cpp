// The reader must keep up with unrtf's text conversion of the same file, and the plain-text path
// that the text searches scan every regulation with must pass 200 MB/s. Long tables load in time
// in proportion to their cells: a 12,000-row table within twice unrtf's time on the same file.
#include "figures.h"

#include "plaintext.h"
#include "rtfreader.h"
#include "samplertf.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextDocument>
#include <vector>

namespace {

using benchdata::medianMs;

const samples::Sample& megabyte()
{
    static const samples::Sample s = samples::regulation(1 << 20);
    return s;
}

void BM_ReadIntoDocument(benchmark::State& state)
{
    QTextDocument document;
    document.setDefaultFont(QFont(richtext::DefaultFamily));
    for (auto _ : state) {
        richtext::readRtf(megabyte().rtf, document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * megabyte().rtf.size());
}
BENCHMARK(BM_ReadIntoDocument)->Unit(benchmark::kMillisecond);

void BM_PlainText(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(richtext::plainText(megabyte().rtf));
    }
    state.SetBytesProcessed(state.iterations() * megabyte().rtf.size());
}
BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);

// The control's text, which its find and copy read, costs one pass over the document.
void BM_DocumentText(benchmark::State& state)
{
    QTextDocument document;
    document.setDefaultFont(QFont(richtext::DefaultFamily));
    richtext::readRtf(megabyte().rtf, document);
    for (auto _ : state) {
        benchmark::DoNotOptimize(richtext::documentText(document));
    }
    state.SetBytesProcessed(state.iterations() * megabyte().text.size());
}
BENCHMARK(BM_DocumentText)->Unit(benchmark::kMillisecond);

// unrtf --text on `rtf`, in milliseconds (median of `runs`); negative when it cannot run.
double unrtfMs(const QByteArray& rtf, int runs)
{
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    QTemporaryFile file;
    if (unrtf.isEmpty() || !file.open() || file.write(rtf) != rtf.size() || !file.flush()) {
        return -1;
    }
    bool failed = false;
    const double ms = medianMs(runs, [&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(unrtf, {QStringLiteral("--text"), file.fileName()});
        failed = failed || !p.waitForFinished(600000) || p.exitCode() != 0;
    });
    return failed ? -1 : ms;
}

// Tables: the tariff table of 12,000 rows against unrtf (target: at most twice its time), and a
// table of 64 columns made of 4,000 bare row marks, whose time must grow with its cells only.
void compareTables()
{
    struct Case {
        const char* name;
        QByteArray rtf;
        qsizetype cells;
    };
    QByteArray bare = "{\\rtf1\\trowd";
    for (int c = 1; c <= 64; ++c) {
        bare += "\\cellx" + QByteArray::number(100 * c);
    }
    bare += "\\intbl " + QByteArray("\\row").repeated(4000) + "\\pard end}";
    const Case cases[] = {{"12,000 rows x 3 columns", samples::table(12000, 3).rtf, 36000},
                          {"1,000 rows x 3 columns", samples::table(1000, 3).rtf, 3000},
                          {"4,000 bare rows x 64 columns", bare, 256000}};
    std::printf("\nTables:\n");
    QTextDocument document;
    document.setDefaultFont(QFont(richtext::DefaultFamily));
    double perCell[3] = {};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const double reader = medianMs(3, [&] { richtext::readRtf(c.rtf, document); });
        perCell[i] = reader * 1000 / double(c.cells);
        const double external = unrtfMs(c.rtf, 3);
        std::printf("  %s (%lld bytes): reader %.1f ms (%.2f us a cell)", c.name, static_cast<long long>(c.rtf.size()),
                    reader, perCell[i]);
        if (external > 0) {
            std::printf(", unrtf --text %.1f ms: ratio %.2f", external, reader / external);
            if (i == 0) {
                std::printf(" (target <= 2) %s", reader <= 2 * external ? "OK" : "TOO SLOW");
            }
        }
        std::printf("\n");
    }
    // Linear: a cell of the long table costs what a cell of the short one does.
    std::printf("  cost of a cell, 12,000 rows against 1,000 rows: %.2f (target <= 2, linear) %s\n",
                perCell[0] / perCell[1], perCell[0] <= 2 * perCell[1] ? "OK" : "NOT LINEAR");
}

// Both measured in this run on this machine, so the ratio does not depend on the machine.
void compareWithUnrtf()
{
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty()) {
        std::printf("unrtf not installed: reader ratio not measured\n");
        return;
    }
    QTemporaryFile file;
    if (!file.open() || file.write(megabyte().rtf) != megabyte().rtf.size() || !file.flush()) {
        std::printf("cannot write the sample file\n");
        return;
    }
    bool failed = false;
    const double external = medianMs(7, [&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(unrtf, {QStringLiteral("--text"), file.fileName()});
        failed = failed || !p.waitForFinished(60000) || p.exitCode() != 0;
    });
    if (failed) {
        std::printf("unrtf failed on the sample\n");
        return;
    }
    QTextDocument document;
    document.setDefaultFont(QFont(richtext::DefaultFamily));
    const double reader = medianMs(7, [&] { richtext::readRtf(megabyte().rtf, document); });
    const double plain = medianMs(15, [&] { benchmark::DoNotOptimize(richtext::plainText(megabyte().rtf)); });
    const double mb = double(megabyte().rtf.size()) / (1 << 20);
    std::printf("\n1 MB regulation (%lld bytes):\n", static_cast<long long>(megabyte().rtf.size()));
    std::printf("  reader %.1f ms, unrtf --text %.1f ms: ratio %.2f (target <= 1) %s\n", reader, external,
                reader / external, reader <= external ? "OK" : "TOO SLOW");
    std::printf("  plain-text path %.2f ms: %.0f MB/s (target >= 200) %s\n", plain, mb / (plain / 1000),
                mb / (plain / 1000) >= 200 ? "OK" : "TOO SLOW");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    compareWithUnrtf();
    compareTables();
    return 0;
}
