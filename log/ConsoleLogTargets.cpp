#include "log/ConsoleLogTargets.h"

#include <cstdio>
#include <mutex>

#include "log/LogPattern.h"
#include "platform/DebuggerOutput.h"

namespace kor {
namespace {

constexpr uint64_t kGroupDbg = 1;
constexpr uint64_t kGroupGen = 2;
constexpr const char* kConsolePattern = "#E(#T): #L| #M";

LogTargetSettings BuiltInSettings(uint64_t included, uint64_t excluded, const char* pattern) {
    LogTargetSettings settings;
    settings.level = 1;
    settings.includedGroups = included;
    settings.excludedGroups = excluded;
    settings.pattern = pattern;
    return settings;
}

}  // namespace

BaseConsoleLogTarget::~BaseConsoleLogTarget() {
    DetachFromLogger();
    // Let an output already under way on another thread finish first.
    std::lock_guard guard(Lock());
}

const char* BaseConsoleLogTarget::Name() const { return "BaseConsoleLogTarget"; }

bool BaseConsoleLogTarget::Write(const LogRecord& record) {
    char line[kLogLineCapacity];
    std::lock_guard guard(Lock());
    FormatLine(record, line, sizeof line);
    return Emit(line);
}

StdErrLogTarget::StdErrLogTarget() { ApplySettings(BuiltInSettings(kGroupDbg, kGroupGen, kConsolePattern)); }

const char* StdErrLogTarget::Name() const { return "StdErrLogTarget"; }

void StdErrLogTarget::Flush() { std::fflush(stderr); }

bool StdErrLogTarget::Emit(const char* line) { return std::fputs(line, stderr) >= 0; }

StdOutLogTarget::StdOutLogTarget() { ApplySettings(BuiltInSettings(kGroupGen, kGroupDbg, "#M")); }

const char* StdOutLogTarget::Name() const { return "StdOutLogTarget"; }

void StdOutLogTarget::Flush() { std::fflush(stdout); }

bool StdOutLogTarget::Emit(const char* line) {
    const bool written = std::fputs(line, stdout) >= 0;
    if (FlushAfterWrite()) std::fflush(stdout);
    return written;
}

DebuggerConsoleLogTarget::DebuggerConsoleLogTarget() {
    ApplySettings(BuiltInSettings(kGroupDbg, 0, kConsolePattern));
}

const char* DebuggerConsoleLogTarget::Name() const { return "DebuggerConsoleLogTarget"; }

bool DebuggerConsoleLogTarget::Emit(const char* line) {
    platform::WriteDebuggerOutput(line);
    return true;
}

}  // namespace kor
