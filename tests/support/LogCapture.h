#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kor::testing {

// One record as the capture received it.
struct CapturedLogRecord {
    int32_t level = 0;
    uint64_t groups = 0;
    std::string message;
};

// Captures every log record while it lives. It acquires the logger, lowers
// the minimum level to 0 so that records of every level are delivered, and
// attaches a target that accepts every group. The logger's globally excluded
// groups stay as they are (initially "XTR"), since they are part of what is
// under test. Destruction detaches the target, restores the minimum level it
// found and releases the logger.
//
//   kor::testing::LogCapture log;
//   RunSomething();
//   EXPECT_TRUE(log.Logged("Duplicate key/value pair ([a, b] in c.ini\n"));
//   EXPECT_TRUE(log.LoggedContaining("Duplicate key", kor::kLogWarn));
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // A copy of the records received so far, in order.
    std::vector<CapturedLogRecord> Records() const;
    std::size_t Count() const;
    void Clear();

    // Whether a record with exactly this message (and, when given, this
    // level) was received.
    bool Logged(std::string_view message, std::optional<int32_t> level = std::nullopt) const;
    // Whether a record whose message contains `fragment` (and, when given,
    // has this level) was received.
    bool LoggedContaining(std::string_view fragment, std::optional<int32_t> level = std::nullopt) const;

private:
    class Target;
    std::unique_ptr<Target> target_;
    int32_t previousMinimumLevel_ = 1;
};

}  // namespace kor::testing
