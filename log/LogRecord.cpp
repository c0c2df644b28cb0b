#include "log/LogRecord.h"

#include <cstdio>

#include "platform/Clock.h"

namespace kor {

const char* LogLevelName(int32_t level) {
    static const char* const kNames[] = {"  OKAY", "  WARN", " ERROR", "ALWAYS"};
    if (level < 0 || level > 3) return "     ?";
    return kNames[level];
}

LogTime LogNow() {
    const platform::LocalTime now = platform::CurrentLocalTime();
    LogTime time;
    time.year = now.year;
    time.month = now.month;
    time.day = now.day;
    time.hour = now.hour;
    time.minute = now.minute;
    time.second = now.second;
    time.millisecond = now.millisecond;
    return time;
}

std::size_t BoundedLength(int written, std::size_t size) {
    if (size == 0 || written < 0) return 0;
    const auto length = static_cast<std::size_t>(written);
    return length < size ? length : size - 1;
}

std::size_t FormatLogTimestamp(const LogTime& time, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    const int written = std::snprintf(buffer, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", time.year, time.month,
                                      time.day, time.hour, time.minute, time.second, time.millisecond);
    return BoundedLength(written, size);
}

std::size_t FormatLogFileTimestamp(const LogTime& time, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    const int written = std::snprintf(buffer, size, "%04d-%02d-%02dT%02d-%02d-%02d", time.year, time.month, time.day,
                                      time.hour, time.minute, time.second);
    return BoundedLength(written, size);
}

}  // namespace kor
