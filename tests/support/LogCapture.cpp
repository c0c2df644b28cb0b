#include "support/LogCapture.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "log/LogTarget.h"
#include "log/Logger.h"

namespace kor::testing {

class LogCapture::Target : public LogTarget {
public:
    Target() {
        LogTargetSettings settings;
        settings.level = INT32_MIN;
        settings.pattern = "#M";
        ApplySettings(settings);
    }
    ~Target() override { DetachFromLogger(); }

    const char* Name() const override { return "LogCaptureTarget"; }

    bool Write(const LogRecord& record) override {
        std::lock_guard guard(Lock());
        records_.push_back({record.level, record.Groups(), record.message});
        return true;
    }

    template <class Predicate>
    bool Any(Predicate predicate) const {
        std::lock_guard guard(Lock());
        return std::any_of(records_.begin(), records_.end(), predicate);
    }

    std::vector<CapturedLogRecord> Copy() const {
        std::lock_guard guard(Lock());
        return records_;
    }

    void Clear() {
        std::lock_guard guard(Lock());
        records_.clear();
    }

private:
    std::vector<CapturedLogRecord> records_;
};

namespace {

bool LevelMatches(const CapturedLogRecord& record, std::optional<int32_t> level) {
    return !level.has_value() || record.level == *level;
}

}  // namespace

LogCapture::LogCapture() : target_(std::make_unique<Target>()) {
    const LogInterface* log = GetLogInterface();
    log->acquire();
    previousMinimumLevel_ = log->getMinimumLevel();
    log->setMinimumLevel(0);
    target_->Attach();
}

LogCapture::~LogCapture() {
    target_->Detach();
    const LogInterface* log = GetLogInterface();
    log->setMinimumLevel(previousMinimumLevel_);
    log->release();
}

std::vector<CapturedLogRecord> LogCapture::Records() const { return target_->Copy(); }

std::size_t LogCapture::Count() const { return target_->Copy().size(); }

void LogCapture::Clear() { target_->Clear(); }

bool LogCapture::Logged(std::string_view message, std::optional<int32_t> level) const {
    return target_->Any([&](const CapturedLogRecord& record) {
        return LevelMatches(record, level) && record.message == message;
    });
}

bool LogCapture::LoggedContaining(std::string_view fragment, std::optional<int32_t> level) const {
    return target_->Any([&](const CapturedLogRecord& record) {
        return LevelMatches(record, level) && record.message.find(fragment) != std::string::npos;
    });
}

}  // namespace kor::testing
