#pragma once

#include <cstdint>

namespace kor::platform {

// A monotonic high-resolution counter and its ticks per second.
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// Wall-clock local time broken into the fields a log record carries.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
LocalTime CurrentLocalTime();

// Wall-clock time as 100-nanosecond ticks since 1970-01-01 UTC.
uint64_t CurrentUnixTimeTicks();

}  // namespace kor::platform
