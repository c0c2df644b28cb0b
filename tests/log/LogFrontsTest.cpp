#include "log/Log.h"
#include "log/Logger.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace kor {
namespace {

using testing::LogCapture;

class LogFrontsTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyLoggerForTesting();
        // Keep the built-in console targets quiet while the capture listens.
        const LogInterface* log = GetLogInterface();
        for (LogTargetInterface* target : {log->stdErrTarget(), log->debuggerConsoleTarget()}) target->detach(target);
    }
    void TearDown() override { DestroyLoggerForTesting(); }
};

TEST_F(LogFrontsTest, EachFrontGivesItsLevelGroupAndText) {
    LogCapture log;
    LogError("Cannot open %s (%d)", "Input.ini", 2);
    LogWarning("Unknown key %s", "Foo");
    LogTrace("%s: Handling event %s", "plugin", "update");  // produces nothing
    LogAssertionReport("ALE-9ACB0442");
    LogAssertionReport("x > 0", "x must be positive", "src/a.cpp", 42, "Run");
    LogAssertionReport("", "only a description", "", 0, "");
    LogAssertionReport(nullptr, nullptr, "f.cpp", 0, nullptr);
    LogAssertionReport("100% sure", "", "", 7, "");
    const std::string failed = "Assertion failed!\n\n";
    const std::pair<int32_t, std::string> expected[] = {
        {kLogError, "Cannot open Input.ini (2)"},
        {kLogWarn, "Unknown key Foo"},
        {kLogError, failed + "Expression: ALE-9ACB0442"},
        {kLogError, failed + "File: src/a.cpp\nLine: 42\n\nFunction: Run\n\nExpression: x > 0\n\nDescription: x must be positive"},
        {kLogError, failed + "\n\nDescription: only a description"},
        {kLogError, failed + "File: f.cpp\n"},
        {kLogError, failed + "Line: 7\n\nExpression: 100% sure"},
    };
    const auto records = log.Records();
    ASSERT_EQ(records.size(), std::size(expected));
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].level, expected[i].first) << i;
        EXPECT_EQ(records[i].groups, kLogGroupDbg) << i;
        EXPECT_EQ(records[i].message, expected[i].second) << i;
    }
}

}  // namespace
}  // namespace kor
