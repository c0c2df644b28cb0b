// The plug-in's counting allocator: a random sequence of operations checked
// against a model of the six counters, and exact totals under concurrent use.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/CountingAllocator.h"

namespace kor::platform {
namespace {

auto Fields(const MemoryCounters& c) {
    return std::tuple(c.bytesAllocated, c.allocations, c.bytesFreed, c.frees, c.peakBytes, c.blocksAtPeak);
}

TEST(CountingAllocatorTest, CountersMatchAModel) {
    ResetMemoryCountersForTesting();
    std::vector<std::pair<char*, std::string>> live;  // each block and what it must still hold
    MemoryCounters model{};
    auto count = [&model](const char* block, bool allocated) {
        (allocated ? model.bytesAllocated : model.bytesFreed) += CountedBlockSize(block);
        ++(allocated ? model.allocations : model.frees);
        if (model.bytesAllocated - model.bytesFreed > model.peakBytes) {  // a free never lowers the peak
            model.peakBytes = model.bytesAllocated - model.bytesFreed;
            model.blocksAtPeak = model.allocations - model.frees;
        }
    };
    std::mt19937 random(66);
    for (int step = 0; step < 2000; ++step) {
        const std::size_t size = random() % 5000, pick = live.empty() ? 0 : random() % live.size();
        const char fill = static_cast<char>('a' + step % 26);
        const unsigned operation = live.empty() ? random() % 3 : random() % 6;
        char* block = nullptr;
        std::string content;
        if (operation == 0) {
            block = static_cast<char*>(CountedAllocate(size));
            if (block != nullptr) std::memset(block, fill, size);
            content.assign(size, fill);
        } else if (operation == 1) {
            block = static_cast<char*>(CountedAllocateZeroed(size % 100, 3));
            content.assign(size % 100 * 3, '\0');
        } else if (operation == 2) {
            content.assign(size % 300, fill);
            block = CountedDuplicateText(content.c_str());
            content += '\0';
        } else if (operation == 3) {  // a block reallocated to zero bytes is still a block
            count(live[pick].first, false);
            live[pick].first = static_cast<char*>(CountedReallocate(live[pick].first, size));
            count(live[pick].first, true);
            live[pick].second.resize(std::min(size, live[pick].second.size()));
        } else {
            ASSERT_EQ(std::string(live[pick].first, live[pick].second.size()), live[pick].second) << step;
            count(live[pick].first, false);
            CountedFree(live[pick].first);
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
        }
        if (operation < 3) {
            ASSERT_NE(block, nullptr) << step;
            count(block, true);
            live.emplace_back(block, content);
        }
        // Null and impossible requests count nothing.
        CountedFree(nullptr);
        ASSERT_EQ(CountedDuplicateText(nullptr), nullptr);
        ASSERT_EQ(CountedAllocateZeroed(std::numeric_limits<std::size_t>::max() / 2, 4), nullptr);
        ASSERT_EQ(CountedBlockSize(nullptr), 0u);
        ASSERT_EQ(Fields(ReadMemoryCounters()), Fields(model)) << step;
    }
    for (const auto& block : live) CountedFree(block.first);
    void* fresh = CountedReallocate(nullptr, 10);  // allocates
    EXPECT_EQ(ReadMemoryCounters().allocations, model.allocations + 1);
    CountedFree(fresh);
}

TEST(CountingAllocatorTest, TotalsStayExactWhenThreadsAllocateAtOnce) {
    ResetMemoryCountersForTesting();
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([thread] {
            for (int round = 0; round < 5000; ++round) CountedFree(CountedAllocate(8 + (round + thread) % 200));
        });
    }
    for (std::thread& thread : threads) thread.join();
    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, 20000u);
    EXPECT_EQ(counters.frees, counters.allocations);
    EXPECT_EQ(counters.bytesFreed, counters.bytesAllocated);
    // The peak is a close figure under contention, but never a wrapped-around
    // difference.
    EXPECT_GT(counters.peakBytes, 0u);
    EXPECT_LT(counters.peakBytes, uint64_t{1} << 32);
}

}  // namespace
}  // namespace kor::platform
