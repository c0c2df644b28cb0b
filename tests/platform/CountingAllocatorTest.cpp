// The plug-in's counting allocator: a random sequence of operations checked
// against a model of the six counters, and exact totals under concurrent use.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/CountingAllocator.h"

namespace kor::platform {
namespace {

class CountingAllocatorTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMemoryCountersForTesting(); }
    void TearDown() override { ResetMemoryCountersForTesting(); }
};

TEST_F(CountingAllocatorTest, CountersMatchAModel) {
    struct Block {
        char* bytes;
        std::string content;  // what the block must still hold
    };
    std::vector<Block> live;
    MemoryCounters model{};
    auto allocated = [&](char* block) {
        model.bytesAllocated += CountedBlockSize(block);
        ++model.allocations;
        const uint64_t inUse = model.bytesAllocated - model.bytesFreed;
        if (inUse > model.peakBytes) {  // a free never lowers the peak
            model.peakBytes = inUse;
            model.blocksAtPeak = model.allocations - model.frees;
        }
    };
    auto freed = [&](const char* block) {
        model.bytesFreed += CountedBlockSize(block);
        ++model.frees;
    };
    std::mt19937 random(66);
    for (int step = 0; step < 2000; ++step) {
        const std::size_t size = random() % 5000;
        const std::size_t pick = live.empty() ? 0 : random() % live.size();
        switch (live.empty() ? random() % 3 : random() % 6) {
            case 0: {
                auto* block = static_cast<char*>(CountedAllocate(size));
                std::memset(block, 'a' + step % 26, size);
                allocated(block);
                live.push_back({block, std::string(size, static_cast<char>('a' + step % 26))});
                break;
            }
            case 1: {
                const std::size_t count = random() % 100;
                auto* block = static_cast<char*>(CountedAllocateZeroed(count, 3));
                allocated(block);
                live.push_back({block, std::string(count * 3, '\0')});
                break;
            }
            case 2: {
                const std::string text(size % 300, static_cast<char>('A' + step % 26));
                char* copy = CountedDuplicateText(text.c_str());
                allocated(copy);
                live.push_back({copy, text + '\0'});
                break;
            }
            case 3:  // a block reallocated to zero bytes is still a block
                freed(live[pick].bytes);
                live[pick].bytes = static_cast<char*>(CountedReallocate(live[pick].bytes, size));
                allocated(live[pick].bytes);
                live[pick].content.resize(std::min(size, live[pick].content.size()));
                break;
            default:
                ASSERT_EQ(std::string(live[pick].bytes, live[pick].content.size()), live[pick].content) << step;
                freed(live[pick].bytes);
                CountedFree(live[pick].bytes);
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
        }
        // Null and impossible requests count nothing.
        CountedFree(nullptr);
        ASSERT_EQ(CountedDuplicateText(nullptr), nullptr);
        ASSERT_EQ(CountedAllocateZeroed(std::numeric_limits<std::size_t>::max() / 2, 4), nullptr);
        ASSERT_EQ(CountedBlockSize(nullptr), 0u);
        const MemoryCounters counters = ReadMemoryCounters();
        ASSERT_EQ(counters.bytesAllocated, model.bytesAllocated) << step;
        ASSERT_EQ(counters.allocations, model.allocations) << step;
        ASSERT_EQ(counters.bytesFreed, model.bytesFreed) << step;
        ASSERT_EQ(counters.frees, model.frees) << step;
        ASSERT_EQ(counters.peakBytes, model.peakBytes) << step;
        ASSERT_EQ(counters.blocksAtPeak, model.blocksAtPeak) << step;
    }
    for (const Block& block : live) CountedFree(block.bytes);
    void* fresh = CountedReallocate(nullptr, 10);  // allocates
    EXPECT_EQ(ReadMemoryCounters().allocations, model.allocations + 1);
    CountedFree(fresh);
}

TEST_F(CountingAllocatorTest, TotalsStayExactWhenThreadsAllocateAtOnce) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 5000;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([thread] {
            for (int round = 0; round < kRounds; ++round) CountedFree(CountedAllocate(8 + (round + thread) % 200));
        });
    }
    for (std::thread& thread : threads) thread.join();
    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, static_cast<uint64_t>(kThreads * kRounds));
    EXPECT_EQ(counters.frees, counters.allocations);
    EXPECT_EQ(counters.bytesFreed, counters.bytesAllocated);
    // The peak is a close figure under contention, but never a wrapped-around
    // difference.
    EXPECT_GT(counters.peakBytes, 0u);
    EXPECT_LT(counters.peakBytes, uint64_t{1} << 32);
}

}  // namespace
}  // namespace kor::platform
