#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>

#include "log/LogRecord.h"
#include "platform/CriticalSection.h"

namespace kor {

class LogTarget;

// The plain function table through which the logger reaches a target, so a
// target may live in another module. Every entry takes the table itself as
// its first argument; `target` is the object behind it. A target is identified
// in the logger's list by the address of its table.
struct LogTargetInterface {
    uint32_t (*interfaceVersion)(LogTargetInterface* self);  // 1
    void (*setLevel)(LogTargetInterface* self, int32_t level);
    int32_t (*getLevel)(LogTargetInterface* self);
    void (*setGroups)(LogTargetInterface* self, uint64_t included, uint64_t excluded);
    uint64_t (*getIncludedGroups)(LogTargetInterface* self);
    uint64_t (*getExcludedGroups)(LogTargetInterface* self);
    const char* (*name)(LogTargetInterface* self);
    const char* (*pattern)(LogTargetInterface* self);
    void (*attach)(LogTargetInterface* self);
    void (*detach)(LogTargetInterface* self);
    bool (*isAttached)(LogTargetInterface* self);
    // Delivers one record; false when the target did not take it.
    bool (*writeRecord)(LogTargetInterface* self, const LogRecord* record);
    LogTarget* target;
};

inline constexpr uint32_t kLogTargetInterfaceVersion = 1;
inline constexpr const char* kDefaultLogPattern = "#D| #L| #G| #M";

// Everything that decides what a target accepts and how it prints it.
struct LogTargetSettings {
    int32_t level = 1;
    uint64_t includedGroups = 0;
    uint64_t excludedGroups = 0;
    std::string pattern = kDefaultLogPattern;
};

// A destination of log records. The logger hands a target every record whose
// level reaches the target's level and whose groups pass its filters: a record
// with the group mask 0 passes every group filter; any other record is refused
// when it shares a bit with the excluded mask, or when the included mask is
// not 0 and shares no bit with it.
//
// A new kind of target derives from this class and overrides Name() and
// Write(); the record's level and message are all a forwarding target needs,
// the pattern and FormatLine() serve targets that print lines.
//
// Settings may change from any thread: they are guarded by the target's own
// lock, which Write() implementations also hold around their output. Destroy a
// target only when no other thread is writing to it (detaching it first is
// enough); the destructor detaches it from the logger.
class LogTarget {
public:
    LogTarget();
    LogTarget(const LogTarget&) = delete;
    LogTarget& operator=(const LogTarget&) = delete;

    virtual ~LogTarget();
    // Removes the target from the logger's list; nothing when not attached.
    virtual void Detach();
    // The class name ("LogTarget", "StdErrLogTarget", ...).
    virtual const char* Name() const;
    // The pattern text. It stays valid for the target's life, also after
    // the pattern changes (from another thread, say): the target keeps every
    // pattern it has held, and a target holds a handful at most.
    virtual const char* Pattern() const;
    // Delivers one record. The base target accepts nothing.
    virtual bool Write(const LogRecord& record);
    virtual void Flush();

    // Appends the target to the logger's list (creating the logger when it
    // does not exist yet); nothing when already attached.
    void Attach();
    bool IsAttached() const { return attached_.load(); }

    void SetLevel(int32_t level);
    int32_t Level() const;
    // Stores `included` without the bits of `excluded`, and `excluded` as is.
    void SetGroups(uint64_t included, uint64_t excluded);
    uint64_t IncludedGroups() const;
    uint64_t ExcludedGroups() const;
    // Applies a complete set of settings: detaches the target, applies them
    // under its lock (groups as SetGroups does), then attaches it, so no
    // record is delivered under half-changed settings.
    void Configure(const LogTargetSettings& settings);

    LogTargetInterface* Interface() { return &interface_; }

protected:
    platform::CriticalSection& Lock() const { return lock_; }
    // Expands the pattern for `record` into `line` of `size` bytes; call with
    // the lock held.
    std::size_t FormatLine(const LogRecord& record, char* line, std::size_t size) const;
    // Applies settings without detaching; for constructors of derived targets.
    void ApplySettings(const LogTargetSettings& settings);
    // Clears the attached flag and leaves the logger's list.
    void DetachFromLogger();

private:
    mutable platform::CriticalSection lock_;
    std::atomic<bool> attached_{false};
    int32_t level_ = 1;
    uint64_t included_ = 0;
    uint64_t excluded_ = 0;
    std::set<std::string> patterns_;  // every pattern held so far
    const std::string* pattern_ = &*patterns_.insert(kDefaultLogPattern).first;  // the current one
    LogTargetInterface interface_;
};

}  // namespace kor
