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

LogRecord FixedRecord(int32_t level, uint64_t groups, const std::string& message) {
    LogRecord record;
    record.time = LogTime{2024, 5, 1, 13, 4, 5, 7};
    record.level = level;
    record.SetGroups(groups);
    std::snprintf(record.message, sizeof record.message, "%s", message.c_str());
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

TEST_F(LogPatternTest, Cases) {
    const std::string full(kLogMessageCapacity - 1, 'm'), longPattern(5000, 'a');
    struct {
        const char* pattern;
        int32_t level;
        uint64_t groups;
        std::string message;
        uint32_t size;
        std::string expected;
    } cases[] = {
        {"#D| #L| #G| #M", 1, 1, "Cannot open file", 4096, "2024-05-01T13:04:05.007|   WARN| DBG| Cannot open file\n"},
        {"#L|#G", 2, 0x21, "", 4096, " ERROR|DBG;DSK\n"},
        {"[#G]#L", 3, 0, "", 4096, "[]ALWAYS\n"},
        {"#L", 0, 0, "", 4096, "  OKAY\n"},
        {"#L", 7, 0, "", 4096, "     ?\n"},
        {"#L", -1, 0, "", 4096, "     ?\n"},
        {"##", 1, 1, "m", 4096, "#\n"},  // "#" before another character prints that character
        {"a#xb#Zc#1#|", 1, 1, "m", 4096, "axbZc1|\n"},
        {"50#", 1, 1, "m", 4096, "50#\n"},
        {"###M", 1, 1, "m", 4096, "#m\n"},
        {"", 1, 1, "m", 4096, "\n"},  // exactly one line feed is added
        {nullptr, 1, 1, "m", 4096, "\n"},
        {"#M", 1, 1, "already ended\n", 4096, "already ended\n"},
        {"#M", 1, 1, "two lines\nsecond", 4096, "two lines\nsecond\n"},
        {longPattern.c_str(), 1, 1, "m", 4096, std::string(4094, 'a') + "\n"},  // cut where the space ends
        {"#L| #M", 1, 1, full, 4096, "  WARN| " + full.substr(0, 4094 - 8) + "\n"},
        {"#D", 1, 1, "", 10, "2024-05-\n"},
        {"abc", 1, 1, "", 3, "a\n"},
        {"abc", 1, 1, "", 2, "\n"},
        {"abc", 1, 1, "", 1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Expand(c.pattern, FixedRecord(c.level, c.groups, c.message), c.size), c.expected) << c.pattern;
    }
    LogRecord unterminated = FixedRecord(1, 1, "");  // read only within the record
    std::memset(unterminated.message, 'z', sizeof unterminated.message);
    EXPECT_EQ(Expand("#M", unterminated), std::string(4094, 'z') + "\n");
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

TEST_F(LogPatternTest, PatternsOfAnyBytesNeverOverrunTheLine) {
    std::mt19937 random(20240501);
    const LogRecord record = FixedRecord(2, ~uint64_t{0}, "message #M #D");
    for (int round = 0; round < 2000; ++round) {
        std::string pattern(random() % 300, '\0');
        for (char& c : pattern) c = random() % 4 == 0 ? '#' : static_cast<char>(1 + random() % 255);
        const uint32_t size = 1 + random() % 80;
        const std::string line = Expand(pattern.c_str(), record, size);
        ASSERT_LT(line.size(), size);
        if (size >= 2) {
            ASSERT_EQ(line.back(), '\n') << "pattern round " << round;
        }
    }
}

}  // namespace
}  // namespace kor
