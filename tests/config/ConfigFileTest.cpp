// INI files through the cache and the value writer: what every typed getter
// answers for texts, defaults and compiled forms, and what a write leaves on
// disk, including when it fails.
#include "CompiledFileBuilder.h"
#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigNameHash.h"
#include "config/ConfigValueWriter.h"
#include "log/Log.h"
#include "support/LogCapture.h"

#include <tuple>

namespace kor {
namespace {

using testing::CompiledFileBuilder;
using testing::ConfigTest;

class ConfigFileTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        for (const char* directory : {"Config", "Config/defaults"}) MakeDirectory(directory);
    }
    // One lookup as text: i(nt), l(ong), b(ool), f(loat) or s(tring), with
    // the default given as text ("null" for no default text).
    std::string Get(const char* file, const char* section, const char* key, char type, const std::string& fallback) {
        switch (type) {
            case 'i': return std::to_string(cache.GetInt(file, section, key, std::stoi(fallback), nullptr));
            case 'l': return std::to_string(cache.GetInt64(file, section, key, std::stoll(fallback), nullptr));
            case 'b': return cache.GetBool(file, section, key, fallback == "1", nullptr) ? "1" : "0";
            case 'f': return ::testing::PrintToString(cache.GetFloat(file, section, key, std::stof(fallback), nullptr));
            default: return cache.GetString(file, section, key, fallback == "null" ? nullptr : fallback.c_str(), nullptr);
        }
    }
    ConfigFileCache& cache = ConfigFileCache::Instance();
};

TEST_F(ConfigFileTest, LookupsReadAsTheGameDoes) {
    WriteFile("Config/Game.cfg", "[General]\r\nWidth=1920\r\n[Sound]\r\nVolume=3\r\n[General]\r\nWidth=1024\r\n");
    WriteFile("Config/defaults/Game.cfg", "[General]\r\nWidth=800\r\nWidth=640\r\nDepth=32\r\n");
    WriteFile("Config/Input.ini", "Orphan=\r\n[]\r\nAlso=2\r\n[Keys]\r\nJump=[Space]\r\n");
    WriteFile("Config/T.cfg", "[T]\nUpper=TRUE\nZero=0\nWords=abc\nBig=5000000000\nNeg=-12px\nNo=False\nTwo=2\nReal=1.5\nEmpty=\n"
                              "Huge=1e300\nLow=-99999999999\nWide=99999999999999999999999\n");
    WriteFile("Config/Video.cfg", "[Video]\nWidth=1920\n");
    WriteFile("Config/defaults/Video.cfgbin", CompiledFileBuilder()
                                                  .Float(1, ConfigValueKey("Video", "Gamma"), 2.5f)
                                                  .Int32(0, ConfigValueKey("Video", "Width"), 640)
                                                  .String(ConfigValueKey("Video", "Mode"), "windowed")
                                                  .Bit(ConfigValueKey("Video", "VSync"), true)
                                                  .Build());
    const std::string compiled = CompiledFileBuilder().Int32(0, ConfigValueKey("S", "K"), 5).Bit(ConfigValueKey("S", "On"), true).Build();
    for (const char* name : {"Main.cfg", "Keys.INI", "MyRecItems.ini"}) {
        WriteFile(std::string("Config/") + name, "[S]\nK=1\nOnlyText=2\n");
        WriteFile(std::string("Config/") + name + "bin", compiled);
    }
    WriteFile("Config/Old.cfg", "[S]\nK=1\n");
    WriteFile("Config/Old.cfgbin", CompiledFileBuilder().Int32(0, ConfigValueKey("S", "K"), 5).Build(1));
    testing::LogCapture log;
    struct {
        const char* file;
        const char* section;
        const char* key;
        char type;
        std::string fallback, expected;
    } cases[] = {
        {"Config/Game.cfg", "General", "Width", 'i', "0", "1920"},  // the first of duplicate keys stands
        {"Config/Game.cfg", "general", "DEPTH", 'i', "0", "32"},    // only the defaults have it
        {"Config/Input.ini", "Keys", "Jump", 's', "null", "[Space]"},
        {"Config/Input.ini", "", "Also", 's', "none", "none"},  // pairs outside sections are dropped
        {"Config/T.cfg", "T", "Upper", 'i', "7", "1"},
        {"Config/T.cfg", "T", "Words", 'i', "7", "0"},
        {"Config/T.cfg", "T", "Neg", 'i', "7", "-12"},
        {"Config/T.cfg", "T", "Missing", 'i', "7", "7"},
        {"Config/T.cfg", "T", "Big", 'i', "0", "2147483647"},  // saturated, not wrapped
        {"Config/T.cfg", "T", "Low", 'i', "0", "-2147483648"},
        {"Config/T.cfg", "T", "Big", 'l', "0", "5000000000"},
        {"Config/T.cfg", "T", "Wide", 'l', "0", "9223372036854775807"},
        {"Config/T.cfg", "T", "Missing", 'l', "-9", "-9"},
        {"Config/T.cfg", "T", "Upper", 'b', "0", "1"},
        {"Config/T.cfg", "T", "No", 'b', "1", "0"},
        {"Config/T.cfg", "T", "Two", 'b', "0", "1"},
        {"Config/T.cfg", "T", "Words", 'b', "1", "0"},
        {"Config/T.cfg", "T", "Missing", 'b', "1", "1"},
        {"Config/T.cfg", "T", "Real", 'f', "0", "1.5"},
        {"Config/T.cfg", "T", "Missing", 'f', "4.25", "4.25"},
        {"Config/T.cfg", "T", "Words", 'f', "4.25", "0"},
        {"Config/T.cfg", "T", "Huge", 'f', "0", "inf"},
        {"Config/T.cfg", "T", "Empty", 's', "d", ""},
        {"Config/T.cfg", "T", "Missing", 's', "null", ""},
        {"Config/T.cfg", "T", "Missing", 's', "d", "d"},
        {"Config/Absent.cfg", "S", "K", 's', "x", "x"},
        // Compiled defaults fill the keys the text lacks.
        {"Config/Video.cfg", "Video", "Gamma", 'f', "1", "2.5"},
        {"Config/Video.cfg", "Video", "Width", 'i', "0", "1920"},
        {"Config/Video.cfg", "Video", "Mode", 's', "null", "windowed"},
        {"Config/Video.cfg", "Video", "VSync", 'b', "0", "1"},
        // A compiled main form serves alone, except for "RecItems" files.
        {"Config/Main.cfg", "S", "K", 'i', "0", "5"},
        {"Config/Main.cfg", "S", "OnlyText", 'i', "0", "0"},
        {"Config/Keys.INI", "S", "On", 'b', "0", "1"},
        {"Config/Keys.INI", "S", "Off", 'b', "1", "1"},
        {"Config/Keys.INI", "S", "Off", 'b', "0", "0"},
        {"Config/MyRecItems.ini", "S", "K", 'i', "0", "1"},
        {"Config/MyRecItems.ini", "S", "OnlyText", 'i', "0", "2"},
        {"Config/Old.cfg", "S", "K", 'i', "0", "1"},  // an old compiled version is ignored
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Get(c.file, c.section, c.key, c.type, c.fallback), c.expected) << c.file << " " << c.key << " " << c.type;
    }
    EXPECT_FALSE(cache.Entry("Config/Keys.INI", false).HasText());
    EXPECT_TRUE(cache.Entry("Config/Video.cfg", false).IsCompiledFromDefaults());
    EXPECT_FALSE(cache.Entry("Config/Absent.cfg", false).GetInt(ConfigValueKey("S", "K"), 3).found);
    EXPECT_EQ(cache.Entry("Config/Absent.cfg", false).ParseText("Config/Missing.cfg", 0), ConfigFile::kParseFailed);
    // Duplicates inside a defaults file are silent.
    const std::pair<int32_t, std::string> logged[] = {
        {kLogWarn, "Duplicate key/value pair ([Width, 1024] in Config/Game.cfg\n"},
        {kLogError, "Key/value pair found outside section ([Orphan, nullptr] in Config/Input.ini\n"},
        {kLogError, "Key/value pair found outside section ([Also, 2] in Config/Input.ini\n"},
        {kLogWarn, "ConfigFile: Old version needs to be recompiled: 'Config/Old.cfg'\n"},
    };
    ASSERT_EQ(log.Count(), std::size(logged));
    for (std::size_t i = 0; i < std::size(logged); ++i) {
        EXPECT_EQ(std::tie(log.Records()[i].level, log.Records()[i].groups, log.Records()[i].message),
                  std::tie(logged[i].first, kLogGroupsConfig, logged[i].second));
    }
}

TEST_F(ConfigFileTest, NamesKeepTheirLetterCaseAndEntriesStayUntilReloadOrStale) {
    for (const char* directory : {"DATA", "DATA/CFG", "DATA/CFG/defaults"}) MakeDirectory(directory);
    WriteFile("DATA/CFG/Game.cfg", "[General]\nWidth=1920\n");
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\nWidth=640\nHeight=480\n");
    // Where letter case does not tell files apart, "game.cfg" is the same
    // file; the cache still keeps the names apart.
    const bool separateFiles = CaseSensitiveFileNames();
    if (separateFiles) WriteFile("DATA/CFG/game.cfg", "[General]\nWidth=1\n");
    EXPECT_EQ(cache.Entry("DATA/CFG/Game.cfg", false).DefaultsPath(), "DATA/CFG/defaults/Game.cfg");
    EXPECT_EQ(cache.GetInt("DATA/CFG/Game.cfg", "General", "Height", 0, nullptr), 480);
    EXPECT_EQ(cache.GetInt("DATA/CFG/game.cfg", "General", "Width", 0, nullptr), separateFiles ? 1 : 1920);
    EXPECT_EQ(cache.GetInt("DATA\\CFG\\\\Game.cfg", "General", "Width", 0, nullptr), 1920);
    EXPECT_EQ(cache.GetInt("DATA/CFG/defaults/Game.cfg", "General", "Width", 0, nullptr), 640);
    EXPECT_EQ(cache.Entry("DATA/CFG/defaults/Game.cfg", false).DefaultsPath(), "DATA/CFG/defaults/defaults/Game.cfg");
    EXPECT_EQ(ConfigFileCache::DefaultsPathFor("C:Game.cfg"), "C:/defaults/Game.cfg");
    EXPECT_EQ(ConfigFileCache::DefaultsPathFor("Settings"), "defaults/Settings");

    WriteFile("Config/Game.cfg", "[S]\nK=1\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr), 1);
    WriteFile("Config/Game.cfg", "[S]\nK=2\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr), 1);
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr, true), 2);
    WriteFile("Config/Game.cfg", "[S]\nK=3\n");
    cache.MarkStale("config/game.cfg");  // another name: not this entry
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr), 2);
    cache.MarkStale("Config/Game.cfg");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr), 3);
}

TEST_F(ConfigFileTest, WritesEditInPlaceCreateWhatIsMissingAndReadBack) {
    WriteFile("Config/Game.cfg", "; top comment\n[Video]\r\nWidth = 1024 ; pixels\r\nHeight=768\n\n[Sound]\r\nWidth=5\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "Video", "Width", 0, nullptr), 1024);
    EXPECT_TRUE(WriteInt64("Config/Game.cfg", "video", "WIDTH", 1920, nullptr));
    EXPECT_TRUE(WriteBool("Config/Game.cfg", "Sound", "Mute", true, nullptr));
    EXPECT_TRUE(WriteFloat("Config/Game.cfg", "Sound", "Volume", 0.5f, nullptr));
    EXPECT_EQ(ReadFile("Config/Game.cfg"),
              "; top comment\n[Video]\r\nWidth =1920\r\nHeight=768\n\n[Sound]\r\nVolume=0.5000\r\nMute=1\r\nWidth=5\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "Video", "Width", 0, nullptr), 1920);  // the written entry went stale
    const std::string longValue(70000, 'x');
    EXPECT_TRUE(WriteString("Config/Game.cfg", "Sound", "Width", longValue, nullptr));
    EXPECT_EQ(cache.GetString("Config/Game.cfg", "Sound", "Width", nullptr, nullptr), longValue);
    EXPECT_TRUE(WriteString("Config/New/Deeper/Input.ini", "Keys", "Jump", "[Space]", nullptr));
    EXPECT_EQ(ReadFile("Config/New/Deeper/Input.ini"), "\r\n\r\n[Keys]\r\nJump=[Space]");

    // Mixed-case names write the file the reader reads, defaults included.
    for (const char* directory : {"DATA", "DATA/CFG", "DATA/CFG/defaults"}) MakeDirectory(directory);
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\r\nWidth=640\r\nHeight=480\r\n");
    const char* file = "DATA/CFG/Game.cfg";
    EXPECT_EQ(cache.GetInt(file, "General", "Width", 0, nullptr), 640);
    EXPECT_TRUE(WriteInt64(file, "General", "Width", 1920, nullptr));
    EXPECT_TRUE(Exists("DATA/CFG/Game.cfg"));
    EXPECT_TRUE(!CaseSensitiveFileNames() || !Exists("data/cfg/game.cfg"));
    EXPECT_EQ(cache.GetInt(file, "General", "Width", 0, nullptr), 1920);
    EXPECT_TRUE(WriteInt64("DATA/CFG/defaults/Game.cfg", "General", "Height", 1080, nullptr));
    EXPECT_EQ(ReadFile("DATA/CFG/defaults/Game.cfg"), "[General]\r\nWidth=640\r\nHeight=1080\r\n");
    cache.MarkStale(file);
    EXPECT_EQ(cache.GetInt(file, "General", "Height", 0, nullptr), 1080);
}

TEST_F(ConfigFileTest, FailedWritesKeepTheFileAndAreReported) {
    WriteFile("Config/Game.cfg", "[S]\r\nK=1\r\n");
    EXPECT_EQ(cache.GetInt("Config/Game.cfg", "S", "K", 0, nullptr), 1);
    const ConfigFile* entry = &cache.Entry("Config/Game.cfg", false);
    MakeDirectory("Config/Input.ini");
    WriteFile("Config/Input.ini/keep", "inside");
    WriteFile("Config/Blocker", "plain file");
    {
        testing::LogCapture log;
        EXPECT_FALSE(WriteString("Config/Input.ini", "Keys", "Jump", "Space", nullptr));
        EXPECT_FALSE(WriteString("Config/Blocker/Game.cfg", "S", "K", "2", nullptr));
        ASSERT_EQ(log.Count(), 2u);
        EXPECT_EQ(log.Records()[0].groups, kLogGroupsConfig);
        EXPECT_TRUE(log.Logged("Failed to write value Space for Jump:Keys in Config/Input.ini.\n", kLogError));
        EXPECT_TRUE(log.Logged("Failed to write value 2 for K:S in Config/Blocker/Game.cfg.\n", kLogError));
    }
    EXPECT_EQ(ReadFile("Config/Input.ini/keep"), "inside");
    EXPECT_EQ(ReadFile("Config/Blocker"), "plain file");
    EXPECT_EQ(&cache.Entry("Config/Game.cfg", false), entry);
}

}  // namespace
}  // namespace kor
