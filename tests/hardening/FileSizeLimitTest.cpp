// Writes that run into the process's file-size limit part-way through: the
// limit is set in a child process (the write fails instead of the signal
// killing it), which reports the writer's result in its exit
// status. The parent then finds every file either with its old bytes or its
// new bytes, and no temporary file left behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "config/AtomicFileWrite.h"
#include "config/ConfigValueWriter.h"
#include "support/ConfigTestEnvironment.h"
#include "support/FileSizeLimit.h"

namespace kor {
namespace {

constexpr int kWriterFailed = 3;
constexpr int kWriterSucceeded = 0;
constexpr long kLimitBytes = 4096;

// Runs `write` in a child whose files may not grow past kLimitBytes; the
// exit status tells what the writer answered (-1 when the child died).
int ExitStatusOfLimitedWrite(const std::function<bool()>& write) {
    return testing::RunWithFileSizeLimit(kLimitBytes, [&] { return write() ? kWriterSucceeded : kWriterFailed; });
}

class FileSizeLimitTest : public testing::ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        if (!testing::kCanLimitFileSize) GTEST_SKIP() << testing::kNoFileSizeLimit;
        MakeDirectory("Config");
    }
};

TEST_F(FileSizeLimitTest, AnAtomicWriteCutShortLeavesTheOldBytesAndNoTemporaryFile) {
    const std::string old = "{\"files\": []}\n";
    WriteFile("Config/PersistedSettings.json", old);
    const std::string large(3 * kLimitBytes, 'x');

    EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return WriteFileAtomically("Config/PersistedSettings.json", large); }),
              kWriterFailed);
    EXPECT_EQ(ReadFile("Config/PersistedSettings.json"), old);
    EXPECT_FALSE(Exists(TemporaryPathFor("Config/PersistedSettings.json")));

    // Under the same limit a write that fits goes through whole.
    const std::string small(kLimitBytes / 2, 'y');
    EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return WriteFileAtomically("Config/PersistedSettings.json", small); }),
              kWriterSucceeded);
    EXPECT_EQ(ReadFile("Config/PersistedSettings.json"), small);
}

TEST_F(FileSizeLimitTest, AnIniWriteThatOutgrowsTheLimitLeavesTheFileAsItWas) {
    const std::string old = "[General]\r\nGameMouseSpeed=50\r\nEnableAudio=1\r\n";
    WriteFile("Config/Game.cfg", old);
    const std::string longValue(2 * kLimitBytes, '7');

    EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return WriteString("Config/Game.cfg", "General", "GameMouseSpeed", longValue); }),
              kWriterFailed);
    EXPECT_EQ(ReadFile("Config/Game.cfg"), old);
    EXPECT_FALSE(Exists(TemporaryPathFor("Config/Game.cfg")));

    EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return WriteString("Config/Game.cfg", "General", "GameMouseSpeed", "75"); }),
              kWriterSucceeded);
    EXPECT_EQ(ReadFile("Config/Game.cfg"), "[General]\r\nGameMouseSpeed=75\r\nEnableAudio=1\r\n");
}

}  // namespace
}  // namespace kor
