// Extracting an update archive must keep up with Debian's unzip: within 1.1 times its time on the
// same 200 MB archive of deflated and bzip2 entries, and within 3 times on an archive of ten
// thousand tiny entries (where writing each file safely costs the most), both measured here in
// one run.
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
#include <unistd.h>

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

// Ten thousand small files in a hundred folders, as many small tables and notes would be.
const char* const TinyGenerator = R"(
import random, sys, zipfile
path, entries = sys.argv[1], int(sys.argv[2])
r = random.Random(3)
words = b'zakon uredba pravilnik odluka clan stav tacka rok iznos dinara'.split()
with zipfile.ZipFile(path + '.part', 'w') as z:
    for i in range(entries):
        data = b' '.join(r.choice(words) for _ in range(r.randrange(5, 60)))
        method = zipfile.ZIP_DEFLATED if i % 3 else zipfile.ZIP_STORED
        z.writestr('f%02d/zapis%05d.txt' % (i % 100, i), data, compress_type=method)
)";

constexpr int TinyCount = 10000;

QString folder(const QString& name)
{
    return QStringLiteral(KORVELIN_BENCH_DATA "/") + name;
}

// The deflated entries alone, so the faster path is not hidden behind bzip2's time; and the
// archive of tiny entries.
enum Part { AllEntries, DeflatedOnly, TinyEntries };

QString archive(Part part)
{
    return folder(part == TinyEntries ? QStringLiteral("tiny-10000.zip") : QStringLiteral("update-200mb.zip"));
}

void makeArchiveOnce(Part part)
{
    if (QFile::exists(archive(part))) {
        return;
    }
    QDir().mkpath(folder({}));
    std::printf("Making the benchmark archive %s (once)...\n", qPrintable(QFileInfo(archive(part)).fileName()));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 part == TinyEntries
                     ? QStringList{QStringLiteral("-c"), TinyGenerator, archive(part), QString::number(TinyCount)}
                     : QStringList{QStringLiteral("-c"), Generator, archive(part), QString::number(EntryCount),
                                   QStringLiteral("6000000")});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", python.readAllStandardError().constData());
        std::abort();
    }
    QFile::rename(archive(part) + ".part", archive(part));
}

// The entries to extract; empty for all of them.
QStringList entryNames(Part part)
{
    QStringList names;
    if (part == TinyEntries) {
        return names;
    }
    for (int i = 0; i < EntryCount; i += part == DeflatedOnly ? 2 : 1) {
        names.append(QStringLiteral("tabela%1.db").arg(i, 3, 10, QLatin1Char('0')));
    }
    return names;
}

// As the updater does it: open, overwrite all, select all, extract every entry in turn.
void extractWithReader(const QString& target, Part part)
{
    const QStringList wanted = entryNames(part);
    TZipArchive zip;
    zip.OnDecompressFile = [](qint64 current, qint64 total) { benchmark::DoNotOptimize(current + total); };
    zip.setFileName(archive(part));
    zip.setActive(true);
    zip.setOverwriteAction(oaOverwriteAll);
    zip.SelectAll();
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        if (wanted.isEmpty() || wanted.contains(zip.Entries()[i].FileName())) {
            zip.Entries()[i].ExtractToFile(target + u'/' + zip.Entries()[i].FileName());
        }
    }
}

void extractWithUnzip(const QString& target, Part part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), QStringList{QStringLiteral("-o"), QStringLiteral("-qq"), archive(part)} +
                                             entryNames(part) + QStringList{QStringLiteral("-d"), target});
    if (!unzip.waitForFinished(-1) || unzip.exitCode() != 0) {
        std::abort();
    }
}

// Best times in seconds by part, for the comparison printed at the end.
double g_reader[3] = {0, 0, 0};
double g_unzip[3] = {0, 0, 0};

// Both extract over the files of an earlier run, as the updater's "overwrite all" does; the
// best of the timed runs counts.
void timeExtraction(benchmark::State& state, void (*extract)(const QString&, Part), const QString& target, Part part,
                    double& best)
{
    makeArchiveOnce(part);
    // What the benchmark before left to write back to disk is written now, not in the middle of
    // this one's runs.
    ::sync();
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

QString target(const char* tool, Part part)
{
    return folder(QLatin1String(tool) + (part == TinyEntries ? QStringLiteral("-tiny") : QString()));
}

void BM_ExtractReader(benchmark::State& state, Part part)
{
    timeExtraction(state, extractWithReader, target("reader", part), part, g_reader[part]);
}
void BM_ExtractUnzip(benchmark::State& state, Part part)
{
    timeExtraction(state, extractWithUnzip, target("unzip", part), part, g_unzip[part]);
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
BENCHMARK_CAPTURE(BM_ExtractReader, tiny, TinyEntries)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExtractUnzip, tiny, TinyEntries)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Every file unzip wrote, byte for byte the same from the reader.
bool sameOutputs(Part part, int expected)
{
    const QString theirs = target("unzip", part);
    const QString ours = target("reader", part);
    QDirIterator it(theirs, QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        QFile a(it.next());
        QFile b(ours + a.fileName().mid(theirs.size()));
        if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll()) {
            return false;
        }
        ++files;
    }
    return files == expected;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct Target {
        Part part;
        const char* label;
        double ratio;
    };
    for (const Target& t : {Target{AllEntries, "all entries", 1.10}, Target{DeflatedOnly, "deflated entries", 1.10},
                            Target{TinyEntries, "ten thousand tiny entries", 3.0}}) {
        if (g_reader[t.part] > 0 && g_unzip[t.part] > 0) {
            const double ratio = g_reader[t.part] / g_unzip[t.part];
            std::printf("%s, %s: reader %.2f s, unzip -o %.2f s, ratio %.3f (target %.2f or less): %s\n",
                        qPrintable(QFileInfo(archive(t.part)).fileName()), t.label, g_reader[t.part], g_unzip[t.part],
                        ratio, t.ratio, ratio <= t.ratio ? "met" : "MISSED");
        }
    }
    if (g_reader[AllEntries] > 0 && g_unzip[AllEntries] > 0) {
        std::printf("200 MB archive, outputs byte for byte the same: %s\n",
                    sameOutputs(AllEntries, EntryCount) ? "yes" : "NO");
    }
    if (g_reader[TinyEntries] > 0 && g_unzip[TinyEntries] > 0) {
        std::printf("Tiny entries, outputs byte for byte the same: %s\n",
                    sameOutputs(TinyEntries, TinyCount) ? "yes" : "NO");
    }
    return 0;
}
