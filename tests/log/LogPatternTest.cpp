#include "log/LogGroups.h"
#include "log/LogPattern.h"
#include "log/Logger.h"

#include "support/TextMatchers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace kor {
namespace {


LogRecord FixedRecord(int32_t level, uint64_t groups, const char* message) {
    LogRecord record;
    record.time = LogTime{2024, 5, 1, 13, 4, 5, 7};
    record.level = level;
    record.SetGroups(groups);
    std::snprintf(record.message, sizeof record.message, "%s", message);
    return record;
}

// Expands through the logger's format-record entry, as targets do.
std::string Expand(const char* pattern, const LogRecord& record, uint32_t size = kLogLineCapacity) {
    std::string buffer(size, '\xAA');
    const uint32_t length = GetLogInterface()->formatRecord(pattern, &record, buffer.data(), size);
    EXPECT_EQ(std::strlen(buffer.c_str()), length) << "length and terminator disagree";
    return buffer.substr(0, length);
}

class LogPatternTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLogGroupsForTesting(); }
    void TearDown() override { ResetLogGroupsForTesting(); }
};

TEST_F(LogPatternTest, DefaultPatternGivesDateLevelGroupsAndMessage) {
    const LogRecord record = FixedRecord(1, 1, "Cannot open file");
    EXPECT_EQ(Expand("#D| #L| #G| #M", record), "2024-05-01T13:04:05.007|   WARN| DBG| Cannot open file\n");
    EXPECT_EQ(Expand("#L|#G", FixedRecord(2, 0x21, "")), " ERROR|DBG;DSK\n");
    EXPECT_EQ(Expand("[#G]", FixedRecord(3, 0, "")), "[]\n");
    EXPECT_EQ(Expand("#L", FixedRecord(0, 0, "")), "  OKAY\n");
    EXPECT_EQ(Expand("#L", FixedRecord(3, 0, "")), "ALWAYS\n");
    EXPECT_EQ(Expand("#L", FixedRecord(7, 0, "")), "     ?\n");
    EXPECT_EQ(Expand("#L", FixedRecord(-1, 0, "")), "     ?\n");
}

TEST_F(LogPatternTest, ExecutableThreadAndClockTokens) {
    const LogRecord record = FixedRecord(1, 1, "m");
    // The module's file name as the system spells it.
#if defined(_WIN32)
    const std::string executable = "log_tests.exe";
#else
    const std::string executable = "log_tests";
#endif
    EXPECT_THAT(Expand("#E(#T): #L| #M", record),
                testing::MatchesPattern(executable + "\\([0-9A-F]{8,16}\\):   WARN\\| m\n"));
    EXPECT_THAT(Expand("#H", record), testing::MatchesPattern("[0-9]{6}\\.[0-9]{3}\n"));
    EXPECT_EQ(GetLogInterface()->executableName(), executable);
}

TEST_F(LogPatternTest, HashBeforeOtherCharactersPrintsThatCharacter) {
    const LogRecord record = FixedRecord(1, 1, "m");
    EXPECT_EQ(Expand("##", record), "#\n");
    EXPECT_EQ(Expand("a#xb#Zc#1#|", record), "axbZc1|\n");
    EXPECT_EQ(Expand("50#", record), "50#\n");
    EXPECT_EQ(Expand("###M", record), "#m\n");
}

TEST_F(LogPatternTest, LineEndsWithExactlyOneAddedLineFeed) {
    EXPECT_EQ(Expand("", FixedRecord(1, 1, "m")), "\n");
    EXPECT_EQ(Expand(nullptr, FixedRecord(1, 1, "m")), "\n");
    EXPECT_EQ(Expand("#M", FixedRecord(1, 1, "already ended\n")), "already ended\n");
    EXPECT_EQ(Expand("#M", FixedRecord(1, 1, "two lines\nsecond")), "two lines\nsecond\n");
    EXPECT_EQ(Expand("#M", FixedRecord(1, 1, "")), "\n");
}

TEST_F(LogPatternTest, LongLinesAreCutWhereTheSpaceEnds) {
    const std::string longPattern(5000, 'a');
    const std::string line = Expand(longPattern.c_str(), FixedRecord(1, 1, "m"));
    EXPECT_EQ(line, std::string(4094, 'a') + "\n");

    // A token that does not fit is cut inside its text.
    LogRecord record = FixedRecord(1, 1, "");
    std::memset(record.message, 'm', sizeof record.message - 1);
    record.message[sizeof record.message - 1] = '\0';
    const std::string cut = Expand("#L| #M", record);
    EXPECT_EQ(cut.size(), 4095u);
    EXPECT_EQ(cut.substr(0, 9), "  WARN| m");
    EXPECT_EQ(cut.back(), '\n');

    EXPECT_EQ(Expand("#D", record, 10), "2024-05-\n");
    EXPECT_EQ(Expand("abc", record, 3), "a\n");
    EXPECT_EQ(Expand("abc", record, 2), "\n");
    EXPECT_EQ(Expand("abc", record, 1), "");
}

TEST_F(LogPatternTest, UnterminatedMessageIsReadOnlyWithinTheRecord) {
    LogRecord record = FixedRecord(1, 1, "");
    std::memset(record.message, 'z', sizeof record.message);
    const std::string line = Expand("#M", record);
    EXPECT_EQ(line, std::string(4094, 'z') + "\n");
}

TEST_F(LogPatternTest, PatternsOfAnyBytesNeverOverrunTheLine) {
    std::mt19937 random(20240501);
    const LogRecord record = FixedRecord(2, ~uint64_t{0}, "message #M #D");
    for (int round = 0; round < 2000; ++round) {
        std::string pattern(random() % 300, '\0');
        for (char& c : pattern) {
            const unsigned roll = random() % 4;
            c = roll == 0 ? '#' : static_cast<char>(1 + random() % 255);
        }
        const uint32_t size = 1 + random() % 80;
        const std::string line = Expand(pattern.c_str(), record, size);
        ASSERT_LT(line.size(), size);
        if (size >= 2) {
            ASSERT_EQ(line.back(), '\n') << "pattern round " << round;
        }
    }
}

TEST(LogTimestampTest, TextsForLinesAndFileNames) {
    const LogTime time{2024, 12, 31, 23, 59, 58, 9};
    char text[64];
    const LogInterface* log = GetLogInterface();
    EXPECT_EQ(log->timestampText(&time, text, sizeof text), 23u);
    EXPECT_STREQ(text, "2024-12-31T23:59:58.009");
    EXPECT_EQ(log->fileTimestampText(&time, text, sizeof text), 19u);
    EXPECT_STREQ(text, "2024-12-31T23-59-58");
    EXPECT_EQ(log->timestampText(&time, text, 5), 4u);
    EXPECT_STREQ(text, "2024");

    LogTime now;
    log->now(&now);
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LT(now.millisecond, 1000);
}

}  // namespace
}  // namespace kor
