#include "log/LogPattern.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "log/LogGroups.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

namespace kor {
namespace {

// Appends to a line while at least the line feed and the terminator still fit
// after the character.
class LineWriter {
public:
    LineWriter(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {}

    bool HasRoom() const { return size_ - used_ > 2; }
    void Put(char c) {
        if (HasRoom()) buffer_[used_++] = c;
    }
    void Put(const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length && HasRoom(); ++i) buffer_[used_++] = text[i];
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }

    std::size_t Finish() {
        if (used_ == 0 || buffer_[used_ - 1] != '\n') buffer_[used_++] = '\n';
        buffer_[used_] = '\0';
        return used_;
    }

private:
    char* buffer_;
    std::size_t size_;
    std::size_t used_ = 0;
};

void PutElapsed(LineWriter& line) {
    const double elapsed = ElapsedSeconds();
    const auto seconds = static_cast<int>(elapsed);
    const auto milliseconds = static_cast<int>((elapsed - seconds) * 1000.0);
    char text[32];
    const int written = std::snprintf(text, sizeof text, "%06d.%03d", seconds, milliseconds);
    line.Put(text, BoundedLength(written, sizeof text));
}

void PutThreadId(LineWriter& line) {
    char text[32];
    const int written = std::snprintf(text, sizeof text, "%08" PRIXPTR, platform::CurrentThreadId());
    line.Put(text, BoundedLength(written, sizeof text));
}

void PutToken(LineWriter& line, char token, const LogRecord& record, const char* executableName) {
    char text[kLogGroupTableSize * 4];
    switch (token) {
        case 'D':
            line.Put(text, FormatLogTimestamp(record.time, text, sizeof text));
            break;
        case 'E':
            line.Put(executableName != nullptr ? executableName : "");
            break;
        case 'G':
            line.Put(text, LogGroupNames(record.Groups(), text, sizeof text));
            break;
        case 'H':
            PutElapsed(line);
            break;
        case 'L':
            line.Put(LogLevelName(record.level));
            break;
        case 'M':
            // A record filled by foreign code may lack the terminator.
            line.Put(record.message, strnlen(record.message, sizeof record.message));
            break;
        case 'T':
            PutThreadId(line);
            break;
        default:
            line.Put(token);
            break;
    }
}

}  // namespace

std::size_t FormatLogRecord(const char* pattern, const LogRecord& record, const char* executableName, char* buffer,
                            std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    LineWriter line(buffer, size);
    for (const char* p = pattern != nullptr ? pattern : ""; *p != '\0' && line.HasRoom(); ++p) {
        if (*p != '#' || p[1] == '\0') {
            line.Put(*p);
            continue;
        }
        ++p;
        PutToken(line, *p, record, executableName);
    }
    return line.Finish();
}

double ElapsedSeconds() {
    struct Reference {
        int64_t frequency = platform::PerformanceFrequency();
        int64_t counter = platform::PerformanceCounter();
    };
    static const Reference reference;
    if (reference.frequency <= 0) return 0.0;
    return static_cast<double>(platform::PerformanceCounter() - reference.counter) /
           static_cast<double>(reference.frequency);
}

}  // namespace kor
