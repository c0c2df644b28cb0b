#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace kor::bench {

using BenchmarkFunction = void (*)(benchmark::State&);

// Where a benchmark runs. In an empty process a tree is parsed and destroyed
// with nothing else alive, so every parse maps its pool pages afresh and
// gives them back. In the steady state the plug-in runs in this process
// first, initialised and its settings loaded, and its long-lived trees
// (settings, schemas, binding index) hold their pages while the benchmark
// runs beside them: that is what every body the running plug-in decodes
// meets.
enum class ProcessState { Empty, Steady };

// One row of the table: a workload run on this system's code and on the
// library a user would pick instead (the anchor), on the same input.
struct Workload {
    std::string name;    // e.g. "json/default-document"
    std::string anchor;  // what the anchor runs, e.g. "RapidJSON Document::Parse"; empty when none
    double goal = 0;     // the steady-state ratio (this system / anchor) to stay at or under; 0 when none
    // Measured in the steady state only: the workload drives the plug-in
    // itself, so it cannot run without it.
    bool steadyOnly = false;
    BenchmarkFunction system = nullptr;
    BenchmarkFunction anchorSide = nullptr;  // null when there is no anchor
};

// Records `workload` for RegisterBenchmarks. Call from a static initialiser.
void RegisterWorkload(Workload workload, BenchmarkFunction system, BenchmarkFunction anchor = nullptr);

// Registers the benchmarks of every recorded workload: the empty-process
// pass first (every workload's two sides one right after the other, so each
// round measures them side by side), then the steady-state pass. The
// steady-state benchmarks start the plug-in in this process when it is not
// running; LeaveSteadyState (SteadyState.h) ends it, and must run before the
// next round's empty-process pass. Call once, from main.
void RegisterBenchmarks();

// Every recorded workload, in registration order.
const std::vector<Workload>& Workloads();

// The benchmark names of the two sides: "<name>/<state>/kor" and
// "<name>/<state>/anchor", the state "empty" or "steady".
std::string SystemBenchmarkName(const Workload& workload, ProcessState state);
std::string AnchorBenchmarkName(const Workload& workload, ProcessState state);

// Stops `state` with an error when `expected` and `actual` differ: every
// benchmark first checks that both sides built the same thing, so a fault in
// either shows up as a failed run instead of as a fast one.
bool CheckSame(benchmark::State& state, const char* what, std::size_t expected, std::size_t actual);

}  // namespace kor::bench
