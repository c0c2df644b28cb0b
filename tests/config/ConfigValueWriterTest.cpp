#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigValueWriter.h"
#include "log/Log.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"

#include <chrono>
#include <filesystem>

namespace kor {
namespace {

using testing::ConfigTest;

class ConfigValueWriterTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        MakeDirectory("Config");
    }
    ConfigFileCache& cache = ConfigFileCache::Instance();
};

TEST_F(ConfigValueWriterTest, ReplacesTheValueKeepingTheRestByteForByte) {
    const std::string before =
        "; top comment\n[Video]\r\nWidth = 1024 ; pixels\r\nHeight=768\n\n[Sound]\r\nWidth=5\r\n";
    WriteFile("Config/Game.cfg", before);
    EXPECT_TRUE(WriteInt64("Config/Game.cfg", "video", "WIDTH", 1920));
    EXPECT_EQ(ReadFile("Config/Game.cfg"),
              "; top comment\n[Video]\r\nWidth =1920\r\nHeight=768\n\n[Sound]\r\nWidth=5\r\n");
    EXPECT_TRUE(WriteBool("Config/Game.cfg", "Sound", "Mute", true));
    EXPECT_TRUE(WriteFloat("Config/Game.cfg", "Sound", "Volume", 0.5f));
    EXPECT_EQ(ReadFile("Config/Game.cfg"),
              "; top comment\n[Video]\r\nWidth =1920\r\nHeight=768\n\n[Sound]\r\nVolume=0.5000\r\nMute=1\r\n"
              "Width=5\r\n");
}

TEST_F(ConfigValueWriterTest, CreatesMissingFilesAndDirectories) {
    EXPECT_TRUE(WriteString("Config/New/Deeper/Input.ini", "Keys", "Jump", "[Space]"));
    EXPECT_EQ(ReadFile("Config/New/Deeper/Input.ini"), "\r\n\r\n[Keys]\r\nJump=[Space]");
}

TEST_F(ConfigValueWriterTest, WrittenValuesAreReadBackAfterTheEntryGoesStale) {
    WriteFile("Config/Game.cfg", "[S]\r\nK=old\r\n");
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "S", "K", nullptr), "old");
    const std::string longValue(70000, 'x');
    EXPECT_TRUE(WriteString("Config/Game.cfg", "S", "K", longValue));
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "S", "K", nullptr), longValue);
}

TEST_F(ConfigValueWriterTest, MixedCaseNamesWriteTheFileTheReaderReads) {
    MakeDirectory("DATA");
    MakeDirectory("DATA/CFG");
    MakeDirectory("DATA/CFG/defaults");
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\r\nWidth=640\r\nHeight=480\r\n");
    const char* file = "DATA/CFG/Game.cfg";
    EXPECT_EQ(cache.GetInt(file, "General", "Width", 0), 640);
    EXPECT_TRUE(WriteInt64(file, "General", "Width", 1920));
    EXPECT_TRUE(Exists("DATA/CFG/Game.cfg"));
    if (CaseSensitiveFileNames()) {
        EXPECT_FALSE(Exists("data/cfg/game.cfg"));
    }
    EXPECT_EQ(cache.GetInt(file, "General", "Width", 0), 1920);
    EXPECT_EQ(cache.GetInt(file, "General", "Height", 0), 480);

    EXPECT_TRUE(WriteInt64("DATA/CFG/defaults/Game.cfg", "General", "Height", 1080));
    EXPECT_EQ(ReadFile("DATA/CFG/defaults/Game.cfg"), "[General]\r\nWidth=640\r\nHeight=1080\r\n");
    cache.MarkStale(file);
    EXPECT_EQ(cache.GetInt(file, "General", "Height", 0), 1080);
}

TEST_F(ConfigValueWriterTest, AValueTheFileAlreadyHoldsLeavesTheFileInPlace) {
    WriteFile("Config/Game.cfg", "[S]\r\nK=1\r\nName=abc ; note\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    const ConfigFile* entry = &cache.Entry("Config/Game.cfg", false);
    // A file that is rewritten or replaced gets a new modification time; an
    // old one set here survives only when the file is left alone.
    const auto stamped = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time("Config/Game.cfg", stamped);
    auto modified = [] { return std::filesystem::last_write_time("Config/Game.cfg"); };
    // The file system may keep the time more coarsely than it was given.
    const auto before = modified();
    ASSERT_LT(before, stamped + std::chrono::seconds(2));

    EXPECT_TRUE(WriteInt64("Config/Game.cfg", "s", "k", 1));
    EXPECT_EQ(modified(), before);  // not replaced
    EXPECT_TRUE(entry->IsStale());  // as after any successful write
    // The same text without its trailing comment is a change.
    EXPECT_TRUE(WriteString("Config/Game.cfg", "S", "Name", "abc"));
    EXPECT_NE(modified(), before);
    EXPECT_EQ(ReadFile("Config/Game.cfg"), "[S]\r\nK=1\r\nName=abc\r\n");
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "S", "Name", nullptr), "abc");
}

TEST_F(ConfigValueWriterTest, FailedWritesKeepTheFileAndAreReported) {
    WriteFile("Config/Game.cfg", "[S]\r\nK=1\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    const ConfigFile* entry = &cache.Entry("Config/Game.cfg", false);

    MakeDirectory("Config/Input.ini");
    WriteFile("Config/Input.ini/keep", "inside");
    WriteFile("Config/Blocker", "plain file");
    {
        testing::LogCapture log;
        EXPECT_FALSE(WriteString("Config/Input.ini", "Keys", "Jump", "Space"));
        EXPECT_FALSE(WriteString("Config/Blocker/Game.cfg", "S", "K", "2"));
        const auto records = log.Records();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].level, kLogError);
        EXPECT_EQ(records[0].groups, kLogGroupsConfig);
        EXPECT_EQ(records[0].message, "Failed to write value Space for Jump:Keys in Config/Input.ini.\n");
        EXPECT_EQ(records[1].message, "Failed to write value 2 for K:S in Config/Blocker/Game.cfg.\n");
    }
    EXPECT_EQ(ReadFile("Config/Input.ini/keep"), "inside");
    EXPECT_EQ(ReadFile("Config/Blocker"), "plain file");
    EXPECT_EQ(&cache.Entry("Config/Game.cfg", false), entry);
}

TEST_F(ConfigValueWriterTest, AWriteCutShortByAFullDiskKeepsTheOldBytes) {
    if (!testing::kCanLimitFileSize) GTEST_SKIP() << testing::kNoFileSizeLimit;
    WriteFile("Config/Game.cfg", "[S]\r\nK=1\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    const int written = testing::RunWithFileSizeLimit(
        64, [&] { return WriteString("Config/Game.cfg", "S", "K", std::string(200, 'y')) ? 1 : 0; });
    EXPECT_EQ(written, 0) << "the write claimed success";
    EXPECT_EQ(ReadFile("Config/Game.cfg"), "[S]\r\nK=1\r\n");
}

}  // namespace
}  // namespace kor
