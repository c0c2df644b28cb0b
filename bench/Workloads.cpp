#include "bench/Workloads.h"

#include "bench/SteadyState.h"

#include <string>

namespace kor::bench {
namespace {

std::vector<Workload>& Registry() {
    static std::vector<Workload> workloads;
    return workloads;
}

const char* StateName(ProcessState state) { return state == ProcessState::Empty ? "empty" : "steady"; }

// Runs `function` only in the state it is registered for: an empty-process
// run refuses to start while any tree holds pool pages (a tree left alive
// would make it a steady-state run without saying so), a steady-state run
// first brings the plug-in up.
void RunIn(ProcessState processState, BenchmarkFunction function, benchmark::State& state) {
    std::string error;
    if (processState == ProcessState::Empty) {
        const std::size_t held = PoolPagesHeld();
        if (held != 0) error = std::to_string(held) + " pool pages held before an empty-process run";
    } else {
        EnterSteadyState(error);
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    function(state);
}

void RegisterSide(const std::string& name, ProcessState processState, BenchmarkFunction function) {
    benchmark::RegisterBenchmark(name.c_str(), [processState, function](benchmark::State& state) {
        RunIn(processState, function, state);
    })->Unit(benchmark::kMicrosecond);
}

void RegisterPass(ProcessState state) {
    for (const Workload& workload : Registry()) {
        if (state == ProcessState::Empty && workload.steadyOnly) continue;
        RegisterSide(SystemBenchmarkName(workload, state), state, workload.system);
        if (workload.anchorSide != nullptr) RegisterSide(AnchorBenchmarkName(workload, state), state, workload.anchorSide);
    }
}

}  // namespace

void RegisterWorkload(Workload workload, BenchmarkFunction system, BenchmarkFunction anchor) {
    workload.system = system;
    workload.anchorSide = anchor;
    Registry().push_back(std::move(workload));
}

void RegisterBenchmarks() {
    RegisterPass(ProcessState::Empty);
    RegisterPass(ProcessState::Steady);
}

const std::vector<Workload>& Workloads() { return Registry(); }

std::string SystemBenchmarkName(const Workload& workload, ProcessState state) {
    return workload.name + "/" + StateName(state) + "/kor";
}

std::string AnchorBenchmarkName(const Workload& workload, ProcessState state) {
    return workload.name + "/" + StateName(state) + "/anchor";
}

bool CheckSame(benchmark::State& state, const char* what, std::size_t expected, std::size_t actual) {
    if (expected == actual) return true;
    const std::string message = std::string(what) + ": expected " + std::to_string(expected) + ", got " +
                                std::to_string(actual);
    state.SkipWithError(message.c_str());
    return false;
}

}  // namespace kor::bench
