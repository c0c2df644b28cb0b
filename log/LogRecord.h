#pragma once

#include <cstddef>
#include <cstdint>

namespace kor {

// Local wall-clock time as a log record carries it: seven 32-bit integers.
struct LogTime {
    int32_t year = 0;
    int32_t month = 0;  // 1..12
    int32_t day = 0;    // 1..31
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t millisecond = 0;
};

// Room for a message: 4095 characters and the terminating zero.
inline constexpr std::size_t kLogMessageCapacity = 4096;

// One call to the logger, built on the caller's stack and handed to every
// target that accepts it. The group mask travels as two halves, low first, so
// the record has the same shape on every side of a module boundary.
struct LogRecord {
    LogTime time;
    int32_t level = 0;
    uint32_t groupsLow = 0;
    uint32_t groupsHigh = 0;
    char message[kLogMessageCapacity] = {};

    uint64_t Groups() const { return (static_cast<uint64_t>(groupsHigh) << 32) | groupsLow; }
    void SetGroups(uint64_t groups) {
        groupsLow = static_cast<uint32_t>(groups);
        groupsHigh = static_cast<uint32_t>(groups >> 32);
    }
};

inline uint64_t JoinGroupHalves(uint32_t low, uint32_t high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

// The six-character name the "#L" token prints ("  OKAY", "  WARN", " ERROR",
// "ALWAYS"). A level outside 0..3 gets "     ?" so that lines keep their
// alignment and a bad level never reads past the table.
const char* LogLevelName(int32_t level);

// The local time now.
LogTime LogNow();

// "2024-05-01T13:04:05.123" into `buffer` of `size` bytes, always terminated
// when size > 0. Returns the characters written.
std::size_t FormatLogTimestamp(const LogTime& time, char* buffer, std::size_t size);

// "2024-05-01T13-04-05": the same without milliseconds and colons, usable in
// file names on every system.
std::size_t FormatLogFileTimestamp(const LogTime& time, char* buffer, std::size_t size);

// The length snprintf produced, bounded by what a buffer of `size` bytes holds.
std::size_t BoundedLength(int written, std::size_t size);

}  // namespace kor
