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

// A write cut short leaves the old bytes and no temporary file; under the
// same limit a write that fits goes through whole.
TEST_F(FileSizeLimitTest, AWriteCutShortLeavesTheOldBytesAndNoTemporaryFile) {
    const std::string large(3 * kLimitBytes, '7');
    const std::string small(kLimitBytes / 2, '7');
    const struct {
        const char *path, *old;
        std::function<bool(const std::string&)> write;
        std::string afterSmall;
    } cases[] = {
        {"Config/PersistedSettings.json", "{\"files\": []}\n",
         [](const std::string& text) { return WriteFileAtomically("Config/PersistedSettings.json", text); }, small},
        {"Config/Game.cfg", "[General]\r\nGameMouseSpeed=50\r\nEnableAudio=1\r\n",
         [](const std::string& text) { return WriteString("Config/Game.cfg", "General", "GameMouseSpeed", text, nullptr); },
         "[General]\r\nGameMouseSpeed=" + small + "\r\nEnableAudio=1\r\n"},
    };
    for (const auto& c : cases) {
        WriteFile(c.path, c.old);
        EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return c.write(large); }), kWriterFailed) << c.path;
        EXPECT_EQ(ReadFile(c.path), c.old);
        EXPECT_FALSE(Exists(TemporaryPathFor(c.path)));
        EXPECT_EQ(ExitStatusOfLimitedWrite([&] { return c.write(small); }), kWriterSucceeded) << c.path;
        EXPECT_EQ(ReadFile(c.path), c.afterSmall);
    }
}

}  // namespace
}  // namespace kor
