#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace kor::bench {

using BenchmarkFunction = void (*)(benchmark::State&);

// One row of the table: a workload run on this system's code and on the
// library a user would pick instead (the anchor), on the same input.
struct Workload {
    std::string name;    // e.g. "json/default-document"
    std::string anchor;  // what the anchor runs, e.g. "RapidJSON Document::Parse"; empty when none
    double goal = 0;     // the ratio (this system / anchor) to stay at or under; 0 when none
};

// Registers the two benchmarks of `workload` one right after the other, so
// that every round measures them side by side (a workload without an
// anchor has only its own). Call from a static initialiser, as BENCHMARK
// does.
void RegisterWorkload(Workload workload, BenchmarkFunction system, BenchmarkFunction anchor = nullptr);

// Every registered workload, in registration order.
const std::vector<Workload>& Workloads();

// The benchmark names of the two sides: "<name>/kor" and "<name>/anchor".
std::string SystemBenchmarkName(const Workload& workload);
std::string AnchorBenchmarkName(const Workload& workload);

// Stops `state` with an error when `expected` and `actual` differ: every
// benchmark first checks that both sides built the same thing, so a fault in
// either shows up as a failed run instead of as a fast one.
bool CheckSame(benchmark::State& state, const char* what, std::size_t expected, std::size_t actual);

}  // namespace kor::bench
