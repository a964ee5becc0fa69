// The reader must keep up with unrtf's text conversion of the same file, and the plain-text path
// that the text searches scan every regulation with must pass 200 MB/s.
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

template <typename F> double medianMs(int runs, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    return 0;
}
