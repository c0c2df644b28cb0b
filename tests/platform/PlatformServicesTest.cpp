// The services each platform implements on its own (POSIX or Windows), held
// to the contracts their headers state.
#include "platform/Clock.h"
#include "platform/CriticalSection.h"
#include "platform/FileSystem.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace kor::platform {
namespace {

TEST(CriticalSectionTest, TheOwnerMayReenterAndOthersWaitUntilItLeavesAsOftenAsItEntered) {
    CriticalSection lock;
    auto enteredFromAnotherThread = [&lock] {
        bool entered = false;
        std::thread([&] { if ((entered = lock.TryEnter())) lock.Leave(); }).join();
        return entered;
    };
    lock.Enter();
    ASSERT_TRUE(lock.TryEnter());  // re-entered by its owner
    EXPECT_FALSE(enteredFromAnotherThread());
    lock.Leave();
    EXPECT_FALSE(enteredFromAnotherThread());  // still held once
    lock.Leave();
    EXPECT_TRUE(enteredFromAnotherThread());
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
    EXPECT_TRUE(local.year >= 2020 && local.month >= 1 && local.month <= 12 && local.day >= 1 && local.day <= 31 &&
                local.hour < 24 && local.minute < 60 && local.second < 61 && local.millisecond < 1000);

    const uintptr_t mine = CurrentThreadId();
    EXPECT_EQ(CurrentThreadId(), mine);
    uintptr_t other = mine;
    std::thread([&] { other = CurrentThreadId(); }).join();
    EXPECT_NE(other, mine);
}

// A 32-bit build must still see a file whose size does not fit in 32 bits
// (made sparse here, so it costs no disk space).
TEST(FileSystemTest, FilesPastTwoGibibytesAreStillFound) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string big = (std::filesystem::temp_directory_path() / ("kor-big-" + std::to_string(stamp))).generic_string();
    std::ofstream(big) << "x";
    std::error_code error;
    std::filesystem::resize_file(big, (std::uintmax_t{1} << 31) + 1, error);
    if (error) GTEST_SKIP() << "cannot make a large sparse file here: " << error.message();
    EXPECT_TRUE(IsNonDirectory(big));
    EXPECT_FALSE(IsDirectory(big));
    EXPECT_EQ(CheckAccess(big, 6), 0);
    EXPECT_EQ(CreateOneDirectory(big), kErrorAlreadyExists);
    std::filesystem::remove(big, error);
}

}  // namespace
}  // namespace kor::platform
