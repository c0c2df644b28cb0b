// The plug-in's counting allocator: what each operation adds to the six
// counters, the peak refresh, and exact totals under concurrent use.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
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

TEST_F(CountingAllocatorTest, AllocationsAndFreesCountUsableSizes) {
    void* first = CountedAllocate(100);
    ASSERT_NE(first, nullptr);
    const uint64_t firstSize = CountedBlockSize(first);
    EXPECT_GE(firstSize, 100u);

    MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.bytesAllocated, firstSize);
    EXPECT_EQ(counters.allocations, 1u);
    EXPECT_EQ(counters.peakBytes, firstSize);
    EXPECT_EQ(counters.blocksAtPeak, 1u);

    void* second = CountedAllocate(300);
    const uint64_t secondSize = CountedBlockSize(second);
    counters = ReadMemoryCounters();
    EXPECT_EQ(counters.peakBytes, firstSize + secondSize);
    EXPECT_EQ(counters.blocksAtPeak, 2u);

    CountedFree(first);
    counters = ReadMemoryCounters();
    EXPECT_EQ(counters.bytesFreed, firstSize);
    EXPECT_EQ(counters.frees, 1u);
    // A free never lowers the peak.
    EXPECT_EQ(counters.peakBytes, firstSize + secondSize);
    EXPECT_EQ(counters.blocksAtPeak, 2u);

    CountedFree(second);
    counters = ReadMemoryCounters();
    EXPECT_EQ(counters.bytesAllocated, counters.bytesFreed);
    EXPECT_EQ(counters.allocations, counters.frees);
}

TEST_F(CountingAllocatorTest, ReallocationCountsAFreeAndAnAllocation) {
    char* block = static_cast<char*>(CountedAllocate(16));
    std::memcpy(block, "0123456789abcde", 16);
    const uint64_t oldSize = CountedBlockSize(block);
    block = static_cast<char*>(CountedReallocate(block, 4000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "0123456789abcde");
    const uint64_t newSize = CountedBlockSize(block);

    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, 2u);
    EXPECT_EQ(counters.frees, 1u);
    EXPECT_EQ(counters.bytesAllocated, oldSize + newSize);
    EXPECT_EQ(counters.bytesFreed, oldSize);
    EXPECT_EQ(counters.peakBytes, newSize);
    EXPECT_EQ(counters.blocksAtPeak, 1u);
    CountedFree(block);
}

TEST_F(CountingAllocatorTest, ReallocationOfNullAllocatesAndOfZeroKeepsABlock) {
    void* block = CountedReallocate(nullptr, 10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(ReadMemoryCounters().allocations, 1u);
    EXPECT_EQ(ReadMemoryCounters().frees, 0u);
    block = CountedReallocate(block, 0);
    ASSERT_NE(block, nullptr);
    CountedFree(block);
    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, counters.frees);
    EXPECT_EQ(counters.bytesAllocated, counters.bytesFreed);
}

TEST_F(CountingAllocatorTest, DuplicatedTextsCountAsAllocations) {
    char* copy = CountedDuplicateText("settings");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "settings");
    MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, 1u);
    EXPECT_EQ(counters.bytesAllocated, CountedBlockSize(copy));
    EXPECT_EQ(counters.peakBytes, CountedBlockSize(copy));
    CountedFree(copy);
    EXPECT_EQ(CountedDuplicateText(nullptr), nullptr);
    counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, 1u);
    EXPECT_EQ(counters.frees, 1u);
}

TEST_F(CountingAllocatorTest, NothingIsCountedForNullOrImpossibleRequests) {
    CountedFree(nullptr);
    EXPECT_EQ(CountedAllocateZeroed(std::numeric_limits<std::size_t>::max() / 2, 4), nullptr);
    EXPECT_EQ(CountedBlockSize(nullptr), 0u);
    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, 0u);
    EXPECT_EQ(counters.frees, 0u);
    EXPECT_EQ(counters.bytesAllocated, 0u);
}

TEST_F(CountingAllocatorTest, ZeroedBlocksAreZero) {
    auto* block = static_cast<unsigned char*>(CountedAllocateZeroed(64, 3));
    ASSERT_NE(block, nullptr);
    for (int index = 0; index < 192; ++index) ASSERT_EQ(block[index], 0) << index;
    CountedFree(block);
}

TEST_F(CountingAllocatorTest, TotalsStayExactWhenThreadsAllocateAtOnce) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 5000;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([thread] {
            for (int round = 0; round < kRounds; ++round) {
                void* block = CountedAllocate(static_cast<std::size_t>(8 + (round + thread) % 200));
                CountedFree(block);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    const MemoryCounters counters = ReadMemoryCounters();
    EXPECT_EQ(counters.allocations, static_cast<uint64_t>(kThreads * kRounds));
    EXPECT_EQ(counters.frees, counters.allocations);
    EXPECT_EQ(counters.bytesFreed, counters.bytesAllocated);
    // The peak is a close figure under contention, but never a wrapped-around
    // difference: at most every thread's largest block at once, with room
    // for blocks allocated and freed while a refresh reads the totals.
    EXPECT_GT(counters.peakBytes, 0u);
    EXPECT_LT(counters.peakBytes, uint64_t{1} << 32);
}

}  // namespace
}  // namespace kor::platform
