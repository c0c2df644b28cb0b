// The services each platform implements on its own (POSIX or Windows), held
// to the contracts their headers state.
#include "platform/Clock.h"
#include "platform/CriticalSection.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace kor::platform {
namespace {

bool TryEnterFromAnotherThread(CriticalSection& lock) {
    bool entered = false;
    std::thread other([&] {
        entered = lock.TryEnter();
        if (entered) lock.Leave();
    });
    other.join();
    return entered;
}

TEST(CriticalSectionTest, TheOwnerMayReenterAndOthersWaitUntilItLeavesAsOftenAsItEntered) {
    CriticalSection lock;
    lock.Enter();
    ASSERT_TRUE(lock.TryEnter());  // re-entered by its owner
    EXPECT_FALSE(TryEnterFromAnotherThread(lock));
    lock.Leave();
    EXPECT_FALSE(TryEnterFromAnotherThread(lock));  // still held once
    lock.Leave();
    EXPECT_TRUE(TryEnterFromAnotherThread(lock));
}

TEST(ClockAndThreadTest, CountersClocksAndThreadIds) {
    const int64_t frequency = PerformanceFrequency();
    ASSERT_GT(frequency, 0);
    const int64_t start = PerformanceCounter();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double seconds = static_cast<double>(PerformanceCounter() - start) / static_cast<double>(frequency);
    EXPECT_GE(seconds, 0.02);
    EXPECT_LT(seconds, 5.0);

    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto expected = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(now);
    EXPECT_LT(std::llabs(static_cast<int64_t>(CurrentUnixTimeTicks()) - expected.count()), int64_t{50000000});  // 5 s
    const LocalTime local = CurrentLocalTime();
    EXPECT_GE(local.year, 2020);
    EXPECT_TRUE(local.month >= 1 && local.month <= 12 && local.day >= 1 && local.day <= 31 && local.hour < 24 &&
                local.minute < 60 && local.second < 61 && local.millisecond < 1000);

    const uintptr_t mine = CurrentThreadId();
    EXPECT_EQ(CurrentThreadId(), mine);
    uintptr_t other = mine;
    std::thread([&] { other = CurrentThreadId(); }).join();
    EXPECT_NE(other, mine);
}

}  // namespace
}  // namespace kor::platform
