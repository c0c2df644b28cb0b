#pragma once

#include <cstdarg>
#include <cstdint>

#include "log/LogRecord.h"
#include "log/LogTarget.h"

namespace kor {

inline constexpr uint32_t kLogInterfaceVersion = 1;

// The logger as a table of plain functions, so that code in any module can
// share the one process-wide logger. Its state lives in a singleton created on
// first use, guarded by one critical section, and destroyed when the last user
// releases it. Every entry that needs the singleton creates it when it does
// not exist, except release, removeTarget and findTarget, which answer
// "nothing" then. No entry throws.
struct LogInterface {
    uint32_t (*interfaceVersion)();  // 1
    // Takes a reference; returns the new count.
    int32_t (*acquire)();
    // Drops a reference; the last one destroys the singleton: every attached
    // target is detached (last attached first) and the built-in targets are
    // destroyed. Returns the new count; releasing more often than acquiring
    // does nothing and returns 0.
    int32_t (*release)();
    // Records below the minimum level are dropped (initially 1).
    void (*setMinimumLevel)(int32_t level);
    int32_t (*getMinimumLevel)();
    // Records sharing a bit with the globally excluded mask are dropped
    // (initially 4, "XTR").
    void (*setExcludedGroups)(uint32_t low, uint32_t high);
    uint64_t (*getExcludedGroups)();
    // While suspended every write is dropped.
    void (*suspend)();
    void (*resume)();
    // Appends a target's table to the delivery list; false when the logger
    // cannot be created. Targets normally attach themselves instead.
    bool (*addTarget)(LogTargetInterface* target);
    // Removes every occurrence of a target's table, keeping the others' order.
    void (*removeTarget)(LogTargetInterface* target);
    // The first attached target whose name equals `name` byte for byte.
    LogTargetInterface* (*findTarget)(const char* name);
    LogTargetInterface* (*stdOutTarget)();
    LogTargetInterface* (*stdErrTarget)();
    LogTargetInterface* (*debuggerConsoleTarget)();
    uint64_t (*registerGroup)(const char* code);
    uint32_t (*groupNames)(uint32_t low, uint32_t high, char* buffer, uint32_t size);
    uint32_t (*formatRecord)(const char* pattern, const LogRecord* record, char* buffer, uint32_t size);
    const char* (*levelName)(int32_t level);
    // The module's file name without its directories, "<unknown>" when the
    // system cannot tell.
    const char* (*executableName)();
    void (*now)(LogTime* time);
    uint32_t (*timestampText)(const LogTime* time, char* buffer, uint32_t size);
    uint32_t (*fileTimestampText)(const LogTime* time, char* buffer, uint32_t size);
    // Formats the message printf-style (at most 4095 characters) and delivers
    // it to every attached target that accepts the record, in list order.
    void (*write)(int32_t level, uint32_t groupsLow, uint32_t groupsHigh, const char* format, va_list args);
};

// The one table of this module.
const LogInterface* GetLogInterface();

// Test-only: destroys the singleton whatever its reference count and sets the
// count to 0, so the next use starts from the initial state.
void DestroyLoggerForTesting();

}  // namespace kor
