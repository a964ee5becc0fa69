// The screen boundary runs on every text shown; it must cost next to nothing against the text's size.
#include "display.h"
#include "yuscii.h"

#include <benchmark/benchmark.h>

namespace {
QByteArray sampleText(int size)
{
    const QByteArray sentence = "^lan 12. Poreski obveznik je du`an da podnese prijavu {to pre, wegova ra~una. ";
    QByteArray out;
    while (out.size() < size) {
        out += sentence;
    }
    out.truncate(size);
    return out;
}

void BM_ToScreen(benchmark::State& state)
{
    const QByteArray text = sampleText(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(display::toUnicode(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ToScreen)->Arg(1 << 20);

void BM_FromScreen(benchmark::State& state)
{
    const QString text = display::toUnicode(sampleText(int(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(display::fromUnicode(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_FromScreen)->Arg(1 << 20);

void BM_Upper(benchmark::State& state)
{
    const QByteArray text = sampleText(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(yuscii::yupperW(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Upper)->Arg(1 << 20);
} // namespace

BENCHMARK_MAIN();
