#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigValueWriter.h"
#include "log/Log.h"
#include "support/LogCapture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_FALSE(Exists("data/cfg/game.cfg"));
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
    auto inode = [] {
        struct stat status {};
        return ::stat("Config/Game.cfg", &status) == 0 ? status.st_ino : 0;
    };
    const ino_t before = inode();
    ASSERT_NE(before, 0u);

    EXPECT_TRUE(WriteInt64("Config/Game.cfg", "s", "k", 1));
    EXPECT_EQ(inode(), before);  // not replaced
    EXPECT_TRUE(entry->IsStale());  // as after any successful write
    // The same text without its trailing comment is a change.
    EXPECT_TRUE(WriteString("Config/Game.cfg", "S", "Name", "abc"));
    EXPECT_NE(inode(), before);
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

    // A write cut short by the file-size limit leaves the old bytes.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteString("Config/Game.cfg", "S", "K", std::string(200, 'y')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile("Config/Game.cfg"), "[S]\r\nK=1\r\n");
}

}  // namespace
}  // namespace kor
