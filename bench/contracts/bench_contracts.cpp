// Filling a contract model of 50 pages in which every placeholder stands 20 times must take under
// 200 ms: the model put into the control, indented, its headings and title set off and every
// placeholder replaced, with the control not repainted meanwhile.
#include "figures.h"

#include "contractfill.h"
#include "richedit.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <vector>

namespace {

using benchdata::medianMs;

constexpr int kPages = 50;
constexpr int kOccurrences = 20;
constexpr double kTargetMs = 200;

// About 3,000 characters a page: articles of a heading and two paragraphs, the placeholders
// spread evenly over the whole text.
const QByteArray& model()
{
    static const QByteArray text = [] {
        const QByteArray sentence = "Ugovorne strane su saglasne da se obaveze iz ovog ugovora izvr{avaju savesno i u "
                                    "roku, a sporna pitanja re{avaju sporazumno. ";
        const int total = kPages * 3000;
        const int spots = contracttext::PlaceholderCount * kOccurrences;
        QByteArray out = "UGOVOR O POSLOVNOJ SARADNJI\nZaklju~en radi saradnje\n";
        int placed = 0;
        for (int article = 1; out.size() < total; ++article) {
            out += "^lan " + QByteArray::number(article) + "\n";
            for (int paragraph = 0; paragraph < 2; ++paragraph) {
                QByteArray p = sentence + sentence;
                // Placeholders go in as the text grows, so the last ones reach the end.
                while (placed < spots && qint64(placed) * total <= qint64(out.size()) * spots) {
                    p += QByteArray(contracttext::Placeholders[size_t(placed % contracttext::PlaceholderCount)].tag) +
                         ' ' + sentence;
                    ++placed;
                }
                out += p + "\n";
            }
        }
        for (; placed < spots; ++placed) {
            out += contracttext::Placeholders[size_t(placed % contracttext::PlaceholderCount)].tag;
        }
        return out;
    }();
    return text;
}

contracttext::Values values(bool entered)
{
    contracttext::Values v;
    if (entered) {
        v = {"Preduze}e Prvi d.o.o.", "Beograd, Bulevar 1", "Drugi a.d.", "Ni{, Trg 2",
             "Tre}i d.o.o.",          "Novi Sad, Ulica 3",  "05/03/2024", "Beogradu"};
    }
    return v;
}

void BM_FillPlan(benchmark::State& state)
{
    const contracttext::Values v = values(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(contracttext::fillPlan(model(), v));
    }
    state.SetBytesProcessed(state.iterations() * model().size());
}
BENCHMARK(BM_FillPlan)->Unit(benchmark::kMillisecond);

void BM_FillHiddenControl(benchmark::State& state)
{
    richtext::RichEdit edit;
    edit.resize(1000, 600);
    const contracttext::Values v = values(state.range(0) != 0);
    for (auto _ : state) {
        contractfill::fill(edit, model(), v, QColor(0, 0, 128));
    }
}
BENCHMARK(BM_FillHiddenControl)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void report()
{
    std::printf("\n%d-page model (%lld characters), each of the %d placeholders %d times:\n", kPages,
                static_cast<long long>(model().size()), contracttext::PlaceholderCount, kOccurrences);
    const auto line = [](const char* what, double ms) {
        std::printf("  %s: %.1f ms (target < %.0f) %s\n", what, ms, kTargetMs, ms < kTargetMs ? "OK" : "TOO SLOW");
    };
    richtext::RichEdit hidden;
    hidden.resize(1000, 600);
    line("hidden control, values entered",
         medianMs(7, [&] { contractfill::fill(hidden, model(), values(true), QColor(0, 0, 128)); }));
    const QByteArray filled = hidden.yusciiText();
    const bool complete = !filled.contains('<') && filled.count("Beograd, Bulevar 1") == kOccurrences;
    std::printf("  every placeholder replaced: %s\n", complete ? "yes" : "NO");
    line("hidden control, every blank",
         medianMs(7, [&] { contractfill::fill(hidden, model(), values(false), QColor(0, 0, 128)); }));
    // As on the tab: the control shown, its repainting held while it is filled.
    richtext::RichEdit shown;
    shown.resize(1000, 600);
    shown.show();
    QApplication::processEvents();
    line("shown control, values entered", medianMs(7, [&] {
             contractfill::fill(shown, model(), values(true), QColor(0, 0, 128));
             QApplication::processEvents();
         }));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report();
    return 0;
}
