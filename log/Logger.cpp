#include "log/Logger.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "log/ConsoleLogTargets.h"
#include "log/LogGroups.h"
#include "log/LogPattern.h"
#include "platform/CriticalSection.h"
#include "platform/Module.h"

namespace kor {
namespace {

// The singleton's state. Every field is guarded by LoggerLock().
struct LoggerState {
    bool suspended = false;
    int32_t minimumLevel = 1;
    uint64_t excludedGroups = 4;  // "XTR"
    std::vector<LogTargetInterface*> targets;
    StdErrLogTarget stdErr;
    StdOutLogTarget stdOut;
    DebuggerConsoleLogTarget debuggerConsole;
};

// The lock outlives every singleton (it is never destroyed), so a write racing
// with the last release finds either a live logger or none, never a dying one.
platform::CriticalSection& LoggerLock() {
    static auto* lock = new platform::CriticalSection();
    return *lock;
}

std::atomic<int32_t> g_references{0};
LoggerState* g_logger = nullptr;

// A target that writes to the log while it delivers would otherwise recurse
// without end: such writes are dropped.
thread_local bool t_delivering = false;

class DeliveringScope {
public:
    DeliveringScope() { t_delivering = true; }
    ~DeliveringScope() { t_delivering = false; }
    DeliveringScope(const DeliveringScope&) = delete;
    DeliveringScope& operator=(const DeliveringScope&) = delete;
};

using Guard = std::lock_guard<platform::CriticalSection>;

std::string ComputeExecutableName() {
    const std::string path = platform::ModuleFileName();
    if (path.empty()) return "<unknown>";
    // The system's own paths use "\", paths on this side of the platform layer
    // may use "/": the name starts after the last of either.
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

const char* ExecutableNameEntry() {
    static const std::string* name = new std::string(ComputeExecutableName());
    return name->c_str();
}

// The singleton, created when missing; null only when creation fails. Call
// with the lock held.
LoggerState* Instance() {
    if (g_logger != nullptr) return g_logger;
    try {
        ExecutableNameEntry();  // read the module name once, at creation
        g_logger = new LoggerState();
        g_logger->stdErr.Attach();
        g_logger->debuggerConsole.Attach();
    } catch (...) {
        // Only allocation can fail; a half-made logger is still usable.
    }
    return g_logger;
}

void RemoveAll(std::vector<LogTargetInterface*>& targets, LogTargetInterface* target) {
    targets.erase(std::remove(targets.begin(), targets.end(), target), targets.end());
}

// Call with the lock held.
void DestroyInstance() {
    LoggerState* logger = g_logger;
    if (logger == nullptr) return;
    while (!logger->targets.empty()) {
        LogTargetInterface* target = logger->targets.back();
        target->detach(target);
        // A table added without attaching has no flag to clear.
        RemoveAll(logger->targets, target);
    }
    g_logger = nullptr;
    delete logger;
}

uint32_t InterfaceVersionEntry() { return kLogInterfaceVersion; }

int32_t AcquireEntry() {
    Guard guard(LoggerLock());
    const int32_t count = g_references.fetch_add(1) + 1;
    Instance();
    return count;
}

int32_t ReleaseEntry() {
    Guard guard(LoggerLock());
    if (g_references.load() <= 0) return 0;
    const int32_t count = g_references.fetch_sub(1) - 1;
    if (count == 0) DestroyInstance();
    return count;
}

void SetMinimumLevelEntry(int32_t level) {
    Guard guard(LoggerLock());
    if (LoggerState* logger = Instance()) logger->minimumLevel = level;
}

int32_t GetMinimumLevelEntry() {
    Guard guard(LoggerLock());
    LoggerState* logger = Instance();
    return logger != nullptr ? logger->minimumLevel : 1;
}

void SetExcludedGroupsEntry(uint32_t low, uint32_t high) {
    Guard guard(LoggerLock());
    if (LoggerState* logger = Instance()) logger->excludedGroups = JoinGroupHalves(low, high);
}

uint64_t GetExcludedGroupsEntry() {
    Guard guard(LoggerLock());
    LoggerState* logger = Instance();
    return logger != nullptr ? logger->excludedGroups : 4;
}

void SetSuspended(bool suspended) {
    Guard guard(LoggerLock());
    if (LoggerState* logger = Instance()) logger->suspended = suspended;
}

void SuspendEntry() { SetSuspended(true); }
void ResumeEntry() { SetSuspended(false); }

bool AddTargetEntry(LogTargetInterface* target) {
    if (target == nullptr) return false;
    Guard guard(LoggerLock());
    LoggerState* logger = Instance();
    if (logger == nullptr) return false;
    try {
        logger->targets.push_back(target);
    } catch (...) {
        return false;
    }
    return true;
}

void RemoveTargetEntry(LogTargetInterface* target) {
    Guard guard(LoggerLock());
    if (g_logger != nullptr) RemoveAll(g_logger->targets, target);
}

LogTargetInterface* FindTargetEntry(const char* name) {
    if (name == nullptr) return nullptr;
    Guard guard(LoggerLock());
    if (g_logger == nullptr) return nullptr;
    for (LogTargetInterface* target : g_logger->targets) {
        const char* targetName = target->name(target);
        if (targetName != nullptr && std::strcmp(targetName, name) == 0) return target;
    }
    return nullptr;
}

template <class Target>
LogTargetInterface* BuiltIn(Target LoggerState::*member) {
    Guard guard(LoggerLock());
    LoggerState* logger = Instance();
    return logger != nullptr ? (logger->*member).Interface() : nullptr;
}

LogTargetInterface* StdOutTargetEntry() { return BuiltIn(&LoggerState::stdOut); }
LogTargetInterface* StdErrTargetEntry() { return BuiltIn(&LoggerState::stdErr); }
LogTargetInterface* DebuggerConsoleTargetEntry() { return BuiltIn(&LoggerState::debuggerConsole); }

uint32_t GroupNamesEntry(uint32_t low, uint32_t high, char* buffer, uint32_t size) {
    return static_cast<uint32_t>(LogGroupNames(JoinGroupHalves(low, high), buffer, size));
}

uint32_t FormatRecordEntry(const char* pattern, const LogRecord* record, char* buffer, uint32_t size) {
    if (record == nullptr) return 0;
    return static_cast<uint32_t>(FormatLogRecord(pattern, *record, ExecutableNameEntry(), buffer, size));
}

void NowEntry(LogTime* time) {
    if (time != nullptr) *time = LogNow();
}

uint32_t TimestampTextEntry(const LogTime* time, char* buffer, uint32_t size) {
    return time != nullptr ? static_cast<uint32_t>(FormatLogTimestamp(*time, buffer, size)) : 0;
}

uint32_t FileTimestampTextEntry(const LogTime* time, char* buffer, uint32_t size) {
    return time != nullptr ? static_cast<uint32_t>(FormatLogFileTimestamp(*time, buffer, size)) : 0;
}

// Whether a record of this level and these groups passes the logger-wide
// filters.
bool Admits(int32_t level, uint64_t groups) {
    Guard guard(LoggerLock());
    LoggerState* logger = Instance();
    return logger != nullptr && !logger->suspended && level >= logger->minimumLevel &&
           (groups & logger->excludedGroups) == 0;
}

bool TargetAccepts(LogTargetInterface* target, const LogRecord& record) {
    if (record.level < target->getLevel(target)) return false;
    const uint64_t groups = record.Groups();
    if (groups == 0) return true;
    if ((groups & target->getExcludedGroups(target)) != 0) return false;
    const uint64_t included = target->getIncludedGroups(target);
    return included == 0 || (groups & included) != 0;
}

// Hands the record to every accepting target in list order; the lock makes a
// record reach all targets before the next record reaches any.
void Deliver(const LogRecord& record) {
    Guard guard(LoggerLock());
    if (g_logger == nullptr) return;
    DeliveringScope delivering;
    // By index: a target may detach itself while it writes.
    for (std::size_t i = 0; i < g_logger->targets.size(); ++i) {
        LogTargetInterface* target = g_logger->targets[i];
        if (TargetAccepts(target, record)) target->writeRecord(target, &record);
        if (g_logger == nullptr) break;
    }
}

__attribute__((format(printf, 1, 0))) void FormatMessageText(const char* format, va_list args, LogRecord& record) {
    const int written = std::vsnprintf(record.message, sizeof record.message, format, args);
    if (written < 0) record.message[0] = '\0';
}

__attribute__((format(printf, 4, 0))) void WriteEntry(int32_t level, uint32_t groupsLow, uint32_t groupsHigh,
                                                      const char* format, va_list args) {
    if (format == nullptr || t_delivering) return;
    try {
        const uint64_t groups = JoinGroupHalves(groupsLow, groupsHigh);
        if (!Admits(level, groups)) return;
        LogRecord record;
        FormatMessageText(format, args, record);
        record.time = LogNow();
        record.level = level;
        record.SetGroups(groups);
        Deliver(record);
    } catch (...) {
        // Nothing in the logger reports failure: the record is dropped.
    }
}

const LogInterface kInterface = {
    &InterfaceVersionEntry,
    &AcquireEntry,
    &ReleaseEntry,
    &SetMinimumLevelEntry,
    &GetMinimumLevelEntry,
    &SetExcludedGroupsEntry,
    &GetExcludedGroupsEntry,
    &SuspendEntry,
    &ResumeEntry,
    &AddTargetEntry,
    &RemoveTargetEntry,
    &FindTargetEntry,
    &StdOutTargetEntry,
    &StdErrTargetEntry,
    &DebuggerConsoleTargetEntry,
    &RegisterLogGroup,
    &GroupNamesEntry,
    &FormatRecordEntry,
    &LogLevelName,
    &ExecutableNameEntry,
    &NowEntry,
    &TimestampTextEntry,
    &FileTimestampTextEntry,
    &WriteEntry,
};

}  // namespace

const LogInterface* GetLogInterface() { return &kInterface; }

void DestroyLoggerForTesting() {
    Guard guard(LoggerLock());
    g_references.store(0);
    DestroyInstance();
}

}  // namespace kor
