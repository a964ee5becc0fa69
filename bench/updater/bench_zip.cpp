// Extracting an update archive must keep up with Debian's unzip: within 1.1 times its time on the
// same 200 MB archive of deflated and bzip2 entries, both measured here in one run.
#include "ziparchive.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <limits>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

namespace {

// Tables hold binary fields beside text, so each entry mixes random bytes with words.
const char* const Generator = R"(
import random, sys, zipfile
path, entries, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
words = b'zakon uredba pravilnik odluka clan stav tacka poreski obveznik prijava rok iznos dinara glasnik broj'.split()
pool_rng = random.Random(7)
pool = [b' '.join(pool_rng.choice(words) for _ in range(200))[:1024] for _ in range(512)]
with zipfile.ZipFile(path + '.part', 'w') as z:
    for i in range(entries):
        r = random.Random(i)
        data = b''.join(r.randbytes(3072) + pool[r.randrange(len(pool))] for _ in range(size // 4096))
        method = zipfile.ZIP_BZIP2 if i % 2 else zipfile.ZIP_DEFLATED
        z.writestr('tabela%03d.db' % i, data, compress_type=method)
)";

constexpr int EntryCount = 42; // even entries deflated, odd ones bzip2

QString folder(const QString& name)
{
    return QStringLiteral(KORVELIN_BENCH_DATA "/") + name;
}

QString archive()
{
    return folder(QStringLiteral("update-200mb.zip"));
}

void makeArchiveOnce()
{
    if (QFile::exists(archive())) {
        return;
    }
    QDir().mkpath(folder({}));
    std::puts("Making the 200 MB benchmark archive (once)...");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), Generator, archive(), QString::number(EntryCount), QStringLiteral("6000000")});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", python.readAllStandardError().constData());
        std::abort();
    }
    QFile::rename(archive() + ".part", archive());
}

// The deflated entries alone, so the faster path is not hidden behind bzip2's time.
enum Part { AllEntries, DeflatedOnly };

QStringList entryNames(Part part)
{
    QStringList names;
    for (int i = 0; i < EntryCount; i += part == DeflatedOnly ? 2 : 1) {
        names.append(QStringLiteral("tabela%1.db").arg(i, 3, 10, QLatin1Char('0')));
    }
    return names;
}

void extractWithReader(const QString& target, Part part)
{
    const QStringList wanted = entryNames(part);
    TZipArchive zip;
    zip.OnDecompressFile = [](qint64 current, qint64 total) { benchmark::DoNotOptimize(current + total); };
    zip.setFileName(archive());
    zip.setActive(true);
    zip.setOverwriteAction(oaOverwriteAll);
    zip.SelectAll();
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        if (wanted.contains(zip.Entries()[i].FileName())) {
            zip.Entries()[i].ExtractToFile(target + u'/' + zip.Entries()[i].FileName());
        }
    }
}

void extractWithUnzip(const QString& target, Part part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), QStringList{QStringLiteral("-o"), QStringLiteral("-qq"), archive()} +
                                             entryNames(part) + QStringList{QStringLiteral("-d"), target});
    if (!unzip.waitForFinished(-1) || unzip.exitCode() != 0) {
        std::abort();
    }
}

// Best times in seconds by part, for the comparison printed at the end.
double g_reader[2] = {0, 0};
double g_unzip[2] = {0, 0};

// Both extract over the files of an earlier run, as the updater's "overwrite all" does; the
// best of the timed runs counts.
void timeExtraction(benchmark::State& state, void (*extract)(const QString&, Part), const QString& target, Part part,
                    double& best)
{
    makeArchiveOnce();
    extract(target, part);
    best = std::numeric_limits<double>::max();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        extract(target, part);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        state.SetIterationTime(took.count());
    }
}

void BM_ExtractReader(benchmark::State& state, Part part)
{
    timeExtraction(state, extractWithReader, folder(QStringLiteral("reader")), part, g_reader[part]);
}
void BM_ExtractUnzip(benchmark::State& state, Part part)
{
    timeExtraction(state, extractWithUnzip, folder(QStringLiteral("unzip")), part, g_unzip[part]);
}
BENCHMARK_CAPTURE(BM_ExtractReader, all, AllEntries)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExtractUnzip, all, AllEntries)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExtractReader, deflated, DeflatedOnly)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExtractUnzip, deflated, DeflatedOnly)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

bool sameOutputs()
{
    QDirIterator it(folder(QStringLiteral("unzip")), QDir::Files);
    int files = 0;
    while (it.hasNext()) {
        QFile theirs(it.next());
        QFile ours(folder(QStringLiteral("reader/")) + it.fileName());
        if (!theirs.open(QIODevice::ReadOnly) || !ours.open(QIODevice::ReadOnly) ||
            theirs.readAll() != ours.readAll()) {
            return false;
        }
        ++files;
    }
    return files == EntryCount;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const char* const labels[] = {"all entries", "deflated entries"};
    for (const Part part : {AllEntries, DeflatedOnly}) {
        if (g_reader[part] > 0 && g_unzip[part] > 0) {
            const double ratio = g_reader[part] / g_unzip[part];
            std::printf("%s, %s: reader %.2f s, unzip -o %.2f s, ratio %.3f (target 1.10 or less): %s\n",
                        qPrintable(QFileInfo(archive()).fileName()), labels[part], g_reader[part], g_unzip[part], ratio,
                        ratio <= 1.10 ? "met" : "MISSED");
        }
    }
    if (g_reader[AllEntries] > 0 && g_unzip[AllEntries] > 0) {
        std::printf("Outputs byte for byte the same: %s\n", sameOutputs() ? "yes" : "NO");
    }
    return 0;
}
