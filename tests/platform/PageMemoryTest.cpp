#include "platform/Clock.h"
#include "platform/Module.h"
#include "platform/PageMemory.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>

namespace kor::platform {
namespace {

TEST(PageMemoryTest, BlocksArePageAlignedZeroedAndWritable) {
    constexpr std::size_t kBlock = 64 * 1024;
    auto* block = static_cast<unsigned char*>(ReserveAndCommitPages(kBlock));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4096, 0u);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[kBlock - 1], 0);
    std::memset(block, 0xAB, kBlock);
    ReleasePages(block, kBlock);
}

TEST(ClockTest, CounterAdvancesAndLocalTimeIsPlausible) {
    int64_t before = PerformanceCounter();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GT(PerformanceCounter(), before);
    EXPECT_GT(PerformanceFrequency(), 0);
    LocalTime now = CurrentLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LT(now.millisecond, 1000);
    // 2020-01-01 in 100 ns ticks since 1970.
    EXPECT_GT(CurrentUnixTimeTicks(), 15778368000000000ULL);
}

TEST(ThreadAndModuleTest, IdsDifferPerThreadAndModuleIsNamed) {
    uintptr_t mine = CurrentThreadId();
    uintptr_t other = 0;
    std::thread([&] { other = CurrentThreadId(); }).join();
    EXPECT_NE(mine, other);
    EXPECT_NE(ModuleFileName().find("platform_tests"), std::string::npos);
}

}  // namespace
}  // namespace kor::platform
