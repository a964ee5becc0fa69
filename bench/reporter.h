#pragma once

// What the Google Benchmark programs print after their runs: each benchmark's time per
// iteration, kept by name for the summary against its target.

#include <benchmark/benchmark.h>
#include <map>
#include <string>

namespace benchdata {

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
