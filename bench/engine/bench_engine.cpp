// The engine on a collection of 20,000 regulations of about 30 KB of text each: opening the
// tables, a title filter, and walking every publication with its regulation and Latin text,
// measured against reading the same texts with one straight SELECT.

#include "collection.h"
#include "figures.h"

#include "filter.h"
#include "tables.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <sqlite3.h>

namespace {

void BM_OpenAllTables(benchmark::State& state)
{
    for (auto _ : state) {
        data::MainTables tables;
        tables.openAll();
        benchmark::DoNotOptimize(tables.Glavna.recordCount());
    }
}
BENCHMARK(BM_OpenAllTables)->Unit(benchmark::kMillisecond);

// The open-by-title protocol: regulations off their master, filtered to one title.
void BM_TitleFilter(benchmark::State& state)
{
    data::MainTables tables;
    tables.openAll();
    tables.Zakoni.setMasterFields({});
    int i = 0;
    for (auto _ : state) {
        const QByteArray title = i++ % 2 ? demo::FirstLawTitle : "Zakon o porezu na dohodak gra|ana";
        tables.Zakoni.setFilter("Naziv_zakona= " + engine::quoted(title));
        tables.Zakoni.first();
        benchmark::DoNotOptimize(tables.Zakoni.field(0).asString());
        benchmark::DoNotOptimize(tables.Zakoni.field(10).asString());
    }
}
BENCHMARK(BM_TitleFilter)->Unit(benchmark::kMillisecond);

// Every publication in table order, its regulation (and the version record and dates that
// follow it), reading each Latin text once.
void BM_WalkWithTexts(benchmark::State& state)
{
    data::MainTables tables;
    tables.openAll();
    tables.Glasnici.setMasterFields("ID_GLASNIKA");
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        engine::Table& glavna = tables.Glavna;
        const int count = glavna.recordCount();
        glavna.first();
        const engine::Field text = tables.Zakoni.fieldByName("Latinica");
        for (int n = 0; n < count; ++n) {
            bytes += text.asBytes().size();
            glavna.next();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_WalkWithTexts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same bytes with one SELECT over the file, copied out as the engine copies them.
void BM_StraightSelect(benchmark::State& state)
{
    const QByteArray path =
        QDir(benchdata::regulationsFolder()).filePath(QStringLiteral("Podatci/TB_Zakoni.db")).toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT Latinica FROM records", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QByteArray text(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
            bytes += text.size();
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["MB"] = double(bytes) / 1e6;
    sqlite3_close(db);
}
BENCHMARK(BM_StraightSelect)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchdata::prepareRegulations();
    benchdata::Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double filter = reporter.find("BM_TitleFilter");
    const double walk = reporter.find("BM_WalkWithTexts");
    const double straight = reporter.find("BM_StraightSelect");
    std::printf("\nTargets on %d regulations of %d KB:\n", benchdata::Regulations, benchdata::TextKb);
    if (filter >= 0) {
        std::printf("  title filter: %.3f ms (target < 20 ms) %s\n", filter, filter < 20 ? "met" : "MISSED");
    }
    if (walk >= 0 && straight > 0) {
        std::printf("  walk with texts: %.1f ms, straight SELECT %.1f ms, ratio %.2f (target <= 1.5) %s\n", walk,
                    straight, walk / straight, walk / straight <= 1.5 ? "met" : "MISSED");
    }
    benchmark::Shutdown();
    return 0;
}
