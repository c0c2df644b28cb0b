#include "bench/Workloads.h"

#include <string>

namespace kor::bench {
namespace {

std::vector<Workload>& Registry() {
    static std::vector<Workload> workloads;
    return workloads;
}

}  // namespace

void RegisterWorkload(Workload workload, BenchmarkFunction system, BenchmarkFunction anchor) {
    benchmark::RegisterBenchmark(SystemBenchmarkName(workload).c_str(), system)->Unit(benchmark::kMicrosecond);
    if (anchor != nullptr) {
        benchmark::RegisterBenchmark(AnchorBenchmarkName(workload).c_str(), anchor)->Unit(benchmark::kMicrosecond);
    }
    Registry().push_back(std::move(workload));
}

const std::vector<Workload>& Workloads() { return Registry(); }

std::string SystemBenchmarkName(const Workload& workload) { return workload.name + "/kor"; }

std::string AnchorBenchmarkName(const Workload& workload) { return workload.name + "/anchor"; }

bool CheckSame(benchmark::State& state, const char* what, std::size_t expected, std::size_t actual) {
    if (expected == actual) return true;
    const std::string message = std::string(what) + ": expected " + std::to_string(expected) + ", got " +
                                std::to_string(actual);
    state.SkipWithError(message.c_str());
    return false;
}

}  // namespace kor::bench
