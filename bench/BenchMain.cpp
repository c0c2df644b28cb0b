// Runs every selected benchmark in one or more rounds and prints one table of
// this system's time, the anchor's time and their ratio per workload, in an
// empty process and in the plug-in's steady state.
//
// Flags besides Google Benchmark's own:
//   --kor_rounds=N   rounds to run (default 1); the table shows medians.

#include "bench/RatioTable.h"
#include "bench/SteadyState.h"
#include "bench/Workloads.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>

namespace {

constexpr char kRoundsFlag[] = "--kor_rounds=";

// Takes --kor_rounds out of the arguments (Google Benchmark refuses flags it
// does not know) and returns its value.
int TakeRounds(int& argc, char** argv) {
    int rounds = 1;
    int kept = 0;
    for (int index = 0; index < argc; ++index) {
        if (std::strncmp(argv[index], kRoundsFlag, sizeof kRoundsFlag - 1) == 0) {
            rounds = std::atoi(argv[index] + sizeof kRoundsFlag - 1);
        } else {
            argv[kept++] = argv[index];
        }
    }
    argc = kept;
    return rounds > 0 ? rounds : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int rounds = TakeRounds(argc, argv);
        kor::bench::RegisterBenchmarks();
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
        kor::bench::RatioTable table;
        for (int round = 1; round <= rounds; ++round) {
            std::cerr << "round " << round << " of " << rounds << "\n";
            kor::bench::RoundCollector collector;
            benchmark::RunSpecifiedBenchmarks(&collector);
            // The next round's empty-process pass needs the plug-in's pages
            // given back.
            kor::bench::LeaveSteadyState();
            table.AddRound(collector);
        }
        const bool complete = table.Print(std::cout);
        if (const std::size_t pages = kor::bench::PoolPagesOnceLoaded(); pages != 0) {
            std::cout << "steady state: the plug-in's trees held " << pages << " pool pages once its settings were loaded\n";
        }
        benchmark::Shutdown();
        return complete ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "benchmarks stopped: " << error.what() << "\n";
        return 1;
    }
}
