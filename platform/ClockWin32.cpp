#include "platform/Clock.h"

#include <windows.h>

namespace kor::platform {
namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01; this many of them
// lie before 1970-01-01.
constexpr uint64_t kTicksFrom1601To1970 = 116444736000000000ull;

}  // namespace

int64_t PerformanceCounter() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t PerformanceFrequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    // Never zero on systems since Windows XP; a zero would divide by zero
    // in every elapsed-time computation.
    return frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

LocalTime CurrentLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalTime result;
    result.year = now.wYear;
    result.month = now.wMonth;
    result.day = now.wDay;
    result.hour = now.wHour;
    result.minute = now.wMinute;
    result.second = now.wSecond;
    result.millisecond = now.wMilliseconds;
    return result;
}

uint64_t CurrentUnixTimeTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks - kTicksFrom1601To1970;
}

}  // namespace kor::platform
