#pragma once

// How the benchmarks take and keep their figures: the median of timed runs, and the Google
// Benchmark programs' time per iteration of each benchmark, kept by name for the summary against
// its target.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <QElapsedTimer>
#include <string>
#include <vector>

namespace benchdata {

// The median time of `rounds` runs of `run`, in milliseconds.
template <typename F> double medianMs(int rounds, F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

class Reporter final : public benchmark::ConsoleReporter {
public:
    // In the benchmark's own unit (milliseconds in these programs), by the full benchmark name.
    std::map<std::string, double> ms;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            ms[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
    }

    // The time of the first benchmark whose name starts with `prefix`; -1 when none ran.
    double find(const std::string& prefix) const
    {
        for (const auto& [name, value] : ms) {
            if (name.rfind(prefix, 0) == 0) {
                return value;
            }
        }
        return -1;
    }
};

} // namespace benchdata
