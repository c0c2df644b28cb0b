#pragma once

#include <cstdint>

namespace kor {

enum LogLevel : int32_t { kLogOkay = 0, kLogWarn = 1, kLogError = 2, kLogAlways = 3 };

inline constexpr uint64_t kLogGroupDbg = 1;         // "DBG"
inline constexpr uint64_t kLogGroupDsk = 32;        // "DSK"
inline constexpr uint64_t kLogGroupsConfig = 0x21;  // "DBG" and "DSK"

// printf-style write through the logger; acquires nothing, creates the
// logger if it does not exist yet. Never fails: a record that cannot be
// delivered is dropped, a message beyond 4095 characters is cut.
void LogWrite(int32_t level, uint64_t groups, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Level 2 (" ERROR") in group "DBG".
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Level 1 ("  WARN") in group "DBG".
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes "Assertion failed!" and the parts that are present (file, line,
// function, expression, description) at level 2 in group "DBG". Null texts
// count as empty.
void LogAssertionReport(const char* expression, const char* description = "", const char* file = "",
                        uint32_t line = 0, const char* function = "");

// Marks a point worth tracing; produces no output at all.
void LogTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kor
