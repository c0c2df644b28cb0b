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

TEST_F(LogFrontsTest, ErrorsAndWarningsGoToDebugGroup) {
    LogCapture log;
    LogError("Cannot open %s (%d)", "Input.ini", 2);
    LogWarning("Unknown key %s", "Foo");
    LogWrite(kLogOkay, kLogGroupsConfig, "Duplicate key/value pair ([%s, %s] in %s\n", "k", "v", "Game.cfg");
    const auto records = log.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].level, kLogError);
    EXPECT_EQ(records[0].groups, kLogGroupDbg);
    EXPECT_EQ(records[0].message, "Cannot open Input.ini (2)");
    EXPECT_EQ(records[1].level, kLogWarn);
    EXPECT_EQ(records[1].groups, kLogGroupDbg);
    EXPECT_EQ(records[2].groups, 0x21u);
    EXPECT_TRUE(log.Logged("Duplicate key/value pair ([k, v] in Game.cfg\n", kLogOkay));
    EXPECT_FALSE(log.Logged("Duplicate key/value pair ([k, v] in Game.cfg\n", kLogWarn));
    EXPECT_FALSE(log.Logged("Duplicate key/value pair"));
    EXPECT_TRUE(log.LoggedContaining("Duplicate key/value pair"));
    EXPECT_TRUE(log.LoggedContaining("Unknown key", kLogWarn));
    EXPECT_FALSE(log.LoggedContaining("Unknown key", kLogError));
    log.Clear();
    EXPECT_EQ(log.Count(), 0u);
}

TEST_F(LogFrontsTest, AssertionReportWithAlertCodeOnly) {
    LogCapture log;
    LogAssertionReport("ALE-9ACB0442");
    const auto records = log.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, kLogError);
    EXPECT_EQ(records[0].groups, kLogGroupDbg);
    EXPECT_EQ(records[0].message, "Assertion failed!\n\nExpression: ALE-9ACB0442");
}

TEST_F(LogFrontsTest, AssertionReportWithEveryPart) {
    LogCapture log;
    LogAssertionReport("x > 0", "x must be positive", "src/a.cpp", 42, "Run");
    LogAssertionReport("", "only a description", "", 0, "");
    LogAssertionReport(nullptr, nullptr, "f.cpp", 0, nullptr);
    LogAssertionReport("100% sure", "", "", 7, "");
    const auto records = log.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].message,
              "Assertion failed!\n\nFile: src/a.cpp\nLine: 42\n\nFunction: Run\n\nExpression: x > 0\n\n"
              "Description: x must be positive");
    EXPECT_EQ(records[1].message, "Assertion failed!\n\n\n\nDescription: only a description");
    EXPECT_EQ(records[2].message, "Assertion failed!\n\nFile: f.cpp\n");
    EXPECT_EQ(records[3].message, "Assertion failed!\n\nLine: 7\n\nExpression: 100% sure");
}

TEST_F(LogFrontsTest, TraceProducesNothing) {
    LogCapture log;
    LogTrace("%s: Handling event %s", "plugin", "update");
    EXPECT_EQ(log.Count(), 0u);
}

TEST_F(LogFrontsTest, CaptureLowersTheMinimumLevelAndRestoresIt) {
    EXPECT_EQ(GetLogInterface()->getMinimumLevel(), 1);
    {
        LogCapture log;
        EXPECT_EQ(GetLogInterface()->getMinimumLevel(), 0);
        LogWrite(kLogOkay, 0x80, "okay in TST");
        EXPECT_TRUE(log.Logged("okay in TST", kLogOkay));
        LogWrite(kLogAlways, 4, "XTR stays excluded");
        EXPECT_EQ(log.Count(), 1u);
        {
            LogCapture inner;
            LogWarning("seen by both");
            EXPECT_TRUE(inner.Logged("seen by both"));
        }
        EXPECT_TRUE(log.Logged("seen by both"));
        EXPECT_NE(GetLogInterface()->findTarget("LogCaptureTarget"), nullptr);
    }
    EXPECT_EQ(GetLogInterface()->findTarget("LogCaptureTarget"), nullptr);
    EXPECT_EQ(GetLogInterface()->getMinimumLevel(), 1);
}

}  // namespace
}  // namespace kor
