#include "log/LogTarget.h"

#include <mutex>

#include "log/Logger.h"

namespace kor {
namespace {

// The table entries: each reaches the object behind the table. No entry lets
// an exception out, since the caller may sit in another module.
LogTarget& Self(LogTargetInterface* self) { return *self->target; }

uint32_t InterfaceVersion(LogTargetInterface*) { return kLogTargetInterfaceVersion; }
void SetLevelEntry(LogTargetInterface* self, int32_t level) { Self(self).SetLevel(level); }
int32_t GetLevelEntry(LogTargetInterface* self) { return Self(self).Level(); }
void SetGroupsEntry(LogTargetInterface* self, uint64_t included, uint64_t excluded) {
    Self(self).SetGroups(included, excluded);
}
uint64_t IncludedGroupsEntry(LogTargetInterface* self) { return Self(self).IncludedGroups(); }
uint64_t ExcludedGroupsEntry(LogTargetInterface* self) { return Self(self).ExcludedGroups(); }
const char* NameEntry(LogTargetInterface* self) { return Self(self).Name(); }
const char* PatternEntry(LogTargetInterface* self) { return Self(self).Pattern(); }
void AttachEntry(LogTargetInterface* self) { Self(self).Attach(); }
void DetachEntry(LogTargetInterface* self) { Self(self).Detach(); }
bool IsAttachedEntry(LogTargetInterface* self) { return Self(self).IsAttached(); }
bool WriteRecordEntry(LogTargetInterface* self, const LogRecord* record) {
    if (record == nullptr) return false;
    try {
        return Self(self).Write(*record);
    } catch (...) {
        return false;
    }
}

}  // namespace

LogTarget::LogTarget()
    : interface_{&InterfaceVersion,    &SetLevelEntry, &GetLevelEntry,   &SetGroupsEntry, &IncludedGroupsEntry,
                 &ExcludedGroupsEntry, &NameEntry,     &PatternEntry,    &AttachEntry,    &DetachEntry,
                 &IsAttachedEntry,     &WriteRecordEntry, this} {}

LogTarget::~LogTarget() { DetachFromLogger(); }

void LogTarget::Detach() { DetachFromLogger(); }

const char* LogTarget::Name() const { return "LogTarget"; }

const char* LogTarget::Pattern() const {
    std::lock_guard guard(lock_);
    return pattern_->c_str();
}

bool LogTarget::Write(const LogRecord&) { return false; }

void LogTarget::Flush() {}

// The flag flips outside the target's lock: the logger holds its own lock
// while it takes a target's lock to deliver, so taking them the other way
// round here could deadlock.
void LogTarget::Attach() {
    if (attached_.exchange(true)) return;
    if (!GetLogInterface()->addTarget(&interface_)) attached_.store(false);
}

void LogTarget::DetachFromLogger() {
    if (!attached_.exchange(false)) return;
    GetLogInterface()->removeTarget(&interface_);
}

void LogTarget::SetLevel(int32_t level) {
    std::lock_guard guard(lock_);
    level_ = level;
}

int32_t LogTarget::Level() const {
    std::lock_guard guard(lock_);
    return level_;
}

void LogTarget::SetGroups(uint64_t included, uint64_t excluded) {
    std::lock_guard guard(lock_);
    included_ = included & ~excluded;
    excluded_ = excluded;
}

uint64_t LogTarget::IncludedGroups() const {
    std::lock_guard guard(lock_);
    return included_;
}

uint64_t LogTarget::ExcludedGroups() const {
    std::lock_guard guard(lock_);
    return excluded_;
}

void LogTarget::Configure(const LogTargetSettings& settings) {
    Detach();
    ApplySettings(settings);
    Attach();
}

void LogTarget::ApplySettings(const LogTargetSettings& settings) {
    std::lock_guard guard(lock_);
    level_ = settings.level;
    included_ = settings.includedGroups & ~settings.excludedGroups;
    excluded_ = settings.excludedGroups;
    pattern_ = &*patterns_.insert(settings.pattern).first;
}

std::size_t LogTarget::FormatLine(const LogRecord& record, char* line, std::size_t size) const {
    return GetLogInterface()->formatRecord(pattern_->c_str(), &record, line, static_cast<uint32_t>(size));
}

}  // namespace kor
