#pragma once

#include <atomic>

#include "log/LogTarget.h"

namespace kor {

// A target that prints each record as one line expanded from its pattern.
// Derived targets choose where the line goes.
class BaseConsoleLogTarget : public LogTarget {
public:
    // Detaches before the derived parts are gone, so the logger never
    // delivers to a half-destroyed target.
    ~BaseConsoleLogTarget() override;
    const char* Name() const override;
    // Expands the pattern and emits the line, both under the target's lock.
    bool Write(const LogRecord& record) override;

protected:
    BaseConsoleLogTarget() = default;
    virtual bool Emit(const char* line) = 0;
};

// Standard error: level 1, group "DBG" without "GEN", "#E(#T): #L| #M".
class StdErrLogTarget : public BaseConsoleLogTarget {
public:
    StdErrLogTarget();
    const char* Name() const override;
    void Flush() override;

protected:
    bool Emit(const char* line) override;
};

// Standard output: level 1, group "GEN" without "DBG", "#M".
class StdOutLogTarget : public BaseConsoleLogTarget {
public:
    StdOutLogTarget();
    const char* Name() const override;
    void Flush() override;
    // When set, standard output is flushed after every line (initially off).
    void SetFlushAfterWrite(bool flush) { flushAfterWrite_.store(flush); }
    bool FlushAfterWrite() const { return flushAfterWrite_.load(); }

protected:
    bool Emit(const char* line) override;

private:
    std::atomic<bool> flushAfterWrite_{false};
};

// The debugger's console: level 1, group "DBG", "#E(#T): #L| #M". Where the
// platform has no debugger console the lines go nowhere.
class DebuggerConsoleLogTarget : public BaseConsoleLogTarget {
public:
    DebuggerConsoleLogTarget();
    const char* Name() const override;

protected:
    bool Emit(const char* line) override;
};

}  // namespace kor
