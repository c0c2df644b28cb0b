#pragma once

#include "bench/Workloads.h"

#include <benchmark/benchmark.h>

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace kor::bench {

// Receives the runs of one round (one pass over every benchmark) and keeps
// each benchmark's CPU time per iteration, its user counters and its error;
// prints nothing itself.
class RoundCollector final : public benchmark::BenchmarkReporter {
public:
    struct Result {
        double nanoseconds = 0;  // CPU time per iteration
        std::map<std::string, double> counters;
        std::string error;  // empty when the run succeeded
    };

    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override;

    const std::map<std::string, Result>& results() const { return results_; }

private:
    std::map<std::string, Result> results_;
};

// The rounds of one invocation, reduced to one row per workload: for each
// state (empty process, steady state) the median time of each side and the
// median of the per-round ratios (each ratio from two runs that were
// measured next to each other, which is what makes it robust on a busy
// machine), and whether the steady-state ratio meets the goal.
class RatioTable {
public:
    void AddRound(const RoundCollector& round);

    // Prints the table, then any user counters and every failed run. False
    // when a run failed or a selected workload lacks one of its sides.
    bool Print(std::ostream& out) const;

private:
    std::vector<std::map<std::string, RoundCollector::Result>> rounds_;
};

}  // namespace kor::bench
