#include "CompiledFileBuilder.h"
#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigNameHash.h"
#include "log/Log.h"
#include "support/LogCapture.h"

#include <limits>

namespace kor {
namespace {

using testing::CompiledFileBuilder;
using testing::ConfigTest;

class ConfigFileTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        MakeDirectory("Config");
        MakeDirectory("Config/defaults");
    }
    ConfigFileCache& cache = ConfigFileCache::Instance();
};

TEST_F(ConfigFileTest, DuplicateKeysKeepTheFirstValueAndWarn) {
    WriteFile("Config/Game.cfg", "[General]\r\nWidth=1920\r\n[Sound]\r\nVolume=3\r\n[General]\r\nWidth=1024\r\n");
    WriteFile("Config/defaults/Game.cfg", "[General]\r\nWidth=800\r\nWidth=640\r\nDepth=32\r\n");
    testing::LogCapture log;
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "General", "Width", 0), 1920);
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "general", "DEPTH", 0), 32);  // only the defaults have it
    ASSERT_EQ(log.Count(), 1u);  // duplicates inside the defaults file are silent
    const testing::CapturedLogRecord record = log.Records()[0];
    EXPECT_EQ(record.level, kLogWarn);
    EXPECT_EQ(record.groups, kLogGroupsConfig);
    EXPECT_EQ(record.message, "Duplicate key/value pair ([Width, 1024] in Config/Game.cfg\n");
}

TEST_F(ConfigFileTest, PairsOutsideSectionsAreDroppedWithAnError) {
    WriteFile("Config/Input.ini", "Orphan=\r\n[]\r\nAlso=2\r\n[Keys]\r\nJump=[Space]\r\n");
    testing::LogCapture log;
    EXPECT_EQ(cache.GetString("Config/Input.ini", "Keys", "Jump", nullptr), "[Space]");
    EXPECT_EQ(cache.GetString("Config/Input.ini", "", "Also", "none"), "none");
    EXPECT_TRUE(log.Logged("Key/value pair found outside section ([Orphan, nullptr] in Config/Input.ini\n",
                           kLogError));
    EXPECT_TRUE(log.Logged("Key/value pair found outside section ([Also, 2] in Config/Input.ini\n", kLogError));
}

TEST_F(ConfigFileTest, QuotesCommentsAndUnclosedHeadersInFiles) {
    WriteFile("Config/Game.cfg",
              "[Chat]\n"
              "Greeting = \"  hello there \"  ; said at start\n"
              "Channel=#general\n"
              "Name='Solo'\n"
              "[Broken\n"
              "Lost=1\n");
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "Chat", "Greeting", nullptr), "  hello there ");
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "Chat", "Channel", "unset"), "");
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "chat", "name", nullptr), "Solo");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "Broken", "Lost", -1), -1);
}

TEST_F(ConfigFileTest, TypedGettersConvertTexts) {
    WriteFile("Config/Game.cfg",
              "[T]\nUpper=TRUE\nZero=0\nWords=abc\nBig=5000000000\nNeg=-12px\nNo=False\nTwo=2\n"
              "Real=1.5\nEmpty=\n");
    const char* file = "Config/Game.cfg";
    EXPECT_EQ(cache.GetInt(file, "T", "Upper", 7), 1);
    EXPECT_EQ(cache.GetInt(file, "T", "Zero", 7), 0);
    EXPECT_EQ(cache.GetInt(file, "T", "Words", 7), 0);
    EXPECT_EQ(cache.GetInt(file, "T", "Neg", 7), -12);
    EXPECT_EQ(cache.GetInt(file, "T", "Missing", 7), 7);
    EXPECT_EQ(cache.GetInt(file, "T", "Big", 0), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(cache.GetInt64(file, "T", "Big", 0), 5000000000);
    EXPECT_EQ(cache.GetInt64(file, "T", "Upper", 0), 1);
    EXPECT_EQ(cache.GetInt64(file, "T", "Words", 9), 0);
    EXPECT_EQ(cache.GetInt64(file, "T", "Missing", -9), -9);
    EXPECT_TRUE(cache.GetBool(file, "T", "Upper", false));
    EXPECT_FALSE(cache.GetBool(file, "T", "No", true));
    EXPECT_TRUE(cache.GetBool(file, "T", "Two", false));
    EXPECT_FALSE(cache.GetBool(file, "T", "Words", true));
    EXPECT_TRUE(cache.GetBool(file, "T", "Missing", true));
    EXPECT_FLOAT_EQ(cache.GetFloat(file, "T", "Real", 0.0f), 1.5f);
    EXPECT_FLOAT_EQ(cache.GetFloat(file, "T", "Missing", 4.25f), 4.25f);
    EXPECT_FLOAT_EQ(cache.GetFloat(file, "T", "Words", 4.25f), 0.0f);
    EXPECT_EQ(cache.GetString(file, "T", "Empty", "d"), "");
    EXPECT_EQ(cache.GetString(file, "T", "Missing", nullptr), "");
    EXPECT_EQ(cache.GetString(file, "T", "Missing", "d"), "d");
}

TEST_F(ConfigFileTest, MissingOrEmptyFilesAnswerDefaults) {
    WriteFile("Config/Empty.cfg", "");
    EXPECT_EQ(cache.GetInt("Config/Empty.cfg", "S", "K", 3), 3);
    EXPECT_EQ(cache.GetString("Config/Absent.cfg", "S", "K", "x"), "x");
    ConfigFile& entry = cache.Entry("Config/Absent.cfg", false);
    EXPECT_FALSE(entry.HasText());
    EXPECT_FALSE(entry.GetInt(ConfigValueKey("S", "K"), 3).found);
    EXPECT_EQ(entry.ParseText("Config/Empty.cfg", 0), ConfigFile::kParseFailed);
}

TEST_F(ConfigFileTest, CompiledDefaultsFillKeysTheTextLacks) {
    WriteFile("Config/Game.cfg", "[Video]\nWidth=1920\n");
    WriteFile("Config/defaults/Game.cfgbin", CompiledFileBuilder()
                                                 .Float(1, ConfigValueKey("Video", "Gamma"), 2.2f)
                                                 .Int32(0, ConfigValueKey("Video", "Width"), 640)
                                                 .Int32(0, ConfigValueKey("Video", "Height"), 480)
                                                 .String(ConfigValueKey("Video", "Mode"), "windowed")
                                                 .Bit(ConfigValueKey("Video", "VSync"), true)
                                                 .Build());
    const char* file = "Config/Game.cfg";
    EXPECT_FLOAT_EQ(cache.GetFloat(file, "Video", "Gamma", 1.0f), 2.2f);
    EXPECT_EQ(cache.GetInt(file, "Video", "Width", 0), 1920);
    EXPECT_EQ(cache.GetInt(file, "Video", "Height", 0), 480);
    EXPECT_EQ(cache.GetString(file, "Video", "Mode", nullptr), "windowed");
    EXPECT_TRUE(cache.GetBool(file, "Video", "VSync", false));
    EXPECT_TRUE(cache.Entry(file, false).IsCompiledFromDefaults());
}

TEST_F(ConfigFileTest, CompiledMainFormServesAloneExceptRecItems) {
    const std::string compiled =
        CompiledFileBuilder().Int32(0, ConfigValueKey("S", "K"), 5).Bit(ConfigValueKey("S", "On"), true).Build();
    WriteFile("Config/Game.cfg", "[S]\nK=1\nOnlyText=2\n");
    WriteFile("Config/Game.cfgbin", compiled);
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 5);
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "OnlyText", 0), 0);

    WriteFile("Config/Keys.INI", "[S]\nK=1\n");
    WriteFile("Config/Keys.INIbin", compiled);
    EXPECT_FALSE(cache.Entry("Config/Keys.INI", false).HasText());
    EXPECT_TRUE(cache.GetBool("Config/Keys.INI", "S", "On", false));
    EXPECT_TRUE(cache.GetBool("Config/Keys.INI", "S", "Off", true));

    WriteFile("Config/MyRecItems.ini", "[S]\nK=1\nOnlyText=2\n");
    WriteFile("Config/MyRecItems.inibin", compiled);
    EXPECT_EQ(cache.GetInt("Config/MyRecItems.ini", "S", "K", 0), 1);
    EXPECT_EQ(cache.GetInt("Config/MyRecItems.ini", "S", "OnlyText", 0), 2);
}

TEST_F(ConfigFileTest, OldCompiledVersionIsIgnoredWithItsMessage) {
    WriteFile("Config/Game.cfg", "[S]\nK=1\n");
    WriteFile("Config/Game.cfgbin", CompiledFileBuilder().Int32(0, ConfigValueKey("S", "K"), 5).Build(1));
    testing::LogCapture log;
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    EXPECT_TRUE(log.Logged("ConfigFile: Old version needs to be recompiled: 'Config/Game.cfg'\n", kLogWarn));
}

TEST_F(ConfigFileTest, EntriesAreCachedUntilReloadOrStale) {
    WriteFile("Config/Game.cfg", "[S]\nK=1\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    WriteFile("Config/Game.cfg", "[S]\nK=2\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 1);
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, true), 2);
    WriteFile("Config/Game.cfg", "[S]\nK=3\n");
    cache.MarkStale("config/game.cfg");  // another name: not this entry
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 2);
    cache.MarkStale("Config/Game.cfg");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0), 3);
}

TEST_F(ConfigFileTest, NamesKeepTheirLetterCase) {
    MakeDirectory("DATA");
    MakeDirectory("DATA/CFG");
    MakeDirectory("DATA/CFG/defaults");
    WriteFile("DATA/CFG/Game.cfg", "[General]\nWidth=1920\n");
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\nWidth=640\nHeight=480\n");
    // Where letter case does not tell files apart, "game.cfg" is the same
    // file; the cache still keeps the names apart.
    const bool separateFiles = CaseSensitiveFileNames();
    if (separateFiles) WriteFile("DATA/CFG/game.cfg", "[General]\nWidth=1\n");
    EXPECT_EQ(cache.Entry("DATA/CFG/Game.cfg", false).DefaultsPath(), "DATA/CFG/defaults/Game.cfg");
    EXPECT_EQ(cache.GetInt("DATA/CFG/Game.cfg", "General", "Width", 0), 1920);
    EXPECT_EQ(cache.GetInt("DATA/CFG/Game.cfg", "General", "Height", 0), 480);
    EXPECT_EQ(cache.GetInt("DATA/CFG/game.cfg", "General", "Width", 0), separateFiles ? 1 : 1920);
    EXPECT_EQ(cache.GetInt("DATA\\CFG\\\\Game.cfg", "General", "Width", 0), 1920);
    EXPECT_EQ(cache.GetInt("DATA/CFG/defaults/Game.cfg", "General", "Width", 0), 640);
    EXPECT_EQ(cache.Entry("DATA/CFG/defaults/Game.cfg", false).DefaultsPath(),
              "DATA/CFG/defaults/defaults/Game.cfg");
    EXPECT_EQ(ConfigFileCache::DefaultsPathFor("C:Game.cfg"), "C:/defaults/Game.cfg");
    EXPECT_EQ(ConfigFileCache::DefaultsPathFor("Settings"), "defaults/Settings");
}

}  // namespace
}  // namespace kor
