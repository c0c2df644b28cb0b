#pragma once

#include <cstddef>

#include "log/LogRecord.h"

namespace kor {

// The size of the line a target expands its pattern into.
inline constexpr std::size_t kLogLineCapacity = 4096;

// Expands `pattern` for `record` into `buffer` of `size` bytes. Characters are
// copied as they are except "#" and the character after it:
//   #D  the record's local time, "2024-05-01T13:04:05.123"
//   #E  `executableName`
//   #G  the record's group codes, ";"-separated
//   #H  seconds since the first use of the elapsed-time clock, "000012.345"
//   #L  the level name, six characters
//   #M  the message
//   #T  the calling thread's identifier, at least eight upper-case hex digits
// "#" before any other character prints that character ("##" prints "#"); a
// "#" that ends the pattern is copied. The line always ends with a line feed:
// one is appended unless the text already ends with one, and a line too long
// for the buffer is cut where the space ends, leaving room for the line feed
// and the terminating zero. A null or empty pattern gives "\n". Returns the
// characters written (0 when size < 2; the text is terminated when size > 0).
std::size_t FormatLogRecord(const char* pattern, const LogRecord& record, const char* executableName, char* buffer,
                            std::size_t size);

// Seconds elapsed since the first call, from the high-resolution counter.
double ElapsedSeconds();

}  // namespace kor
