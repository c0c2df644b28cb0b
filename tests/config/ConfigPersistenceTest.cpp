#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/ConfigPersistence.h"
#include "config/ConfigValueWriter.h"
#include "log/Log.h"
#include "support/LogCapture.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <memory>

namespace kor {
namespace {

using testing::ConfigTest;

class ConfigPersistenceTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        for (const char* directory : {"Config", "DATA", "DATA/CFG", "DATA/CFG/defaults"}) MakeDirectory(directory);
    }

    static void WriteDefaultsList(const std::string& json) { WriteFile("DATA/CFG/defaults/SettingsToPersist.json", json); }

    const std::string& Game() const { return GetGameConfigPath(); }
    const std::string& Input() const { return GetInputConfigPath(); }
};

TEST_F(ConfigPersistenceTest, MissingOrBrokenListsPersistNothing) {
    WriteDefaultsList("{\"files\": [");
    testing::LogCapture log;
    ConfigPersistence store;
    EXPECT_FALSE(store.IsPersisted(Game(), "S", "K"));
    EXPECT_TRUE(log.Logged("DATA/CFG/defaults/SettingsToPersist.json parse error: Invalid value. (11)", kLogAlways));
    EXPECT_EQ(log.Count(), 1u);
}

TEST_F(ConfigPersistenceTest, CapturingMarksDirtyOnlyOnChange) {
    WriteDefaultsList(R"({"files": [{"name": "Game.cfg", "sections": [{"name": "S", "persisted": true}]}]})");
    ConfigPersistence store;
    EXPECT_FALSE(store.IsDirty());
    EXPECT_TRUE(store.SavePersistedSettings());
    EXPECT_FALSE(Exists(GetPersistedSettingsPath()));  // nothing captured: nothing written

    store.CaptureValue(Game(), "T", "K", "ignored");  // not listed
    EXPECT_FALSE(store.IsDirty());
    store.CaptureValue(Game(), "S", "K", "1");
    EXPECT_TRUE(store.IsDirty());
    EXPECT_TRUE(store.SavePersistedSettings());
    EXPECT_FALSE(store.IsDirty());
    store.CaptureValue(Game(), "s", "k", "1");
    EXPECT_FALSE(store.IsDirty());
    store.CaptureValue(Game(), "S", "K", "2");
    EXPECT_TRUE(store.IsDirty());
    ASSERT_NE(store.FindPersistedValue(Game(), "S", "K"), nullptr);
    EXPECT_EQ(*store.FindPersistedValue(Game(), "S", "K"), "2");
}

TEST_F(ConfigPersistenceTest, SaveWritesSortedGroupsByteForByte) {
    WriteDefaultsList(R"({"files": [{"name": "Game.cfg", "persisted": true}, {"name": "Input.ini", "persisted": true}]})");
    ConfigPersistence store;
    store.CaptureValue(Input(), "Keys", "jump", "[Space]");
    store.CaptureValue(Game(), "Video", "width", "1920");
    store.CaptureValue(Game(), "Video", "Width2", "x");
    store.CaptureValue(Game(), "Audio", "Volume", "0.5");
    store.CaptureValue(Input(), "Keys", "Duck", "\"C\"");
    ASSERT_TRUE(store.SavePersistedSettings());
    // Written as four-space pretty JSON, files, sections and settings sorted
    // by name (bytewise), after a fixed description.
    const std::string written = ReadFile(GetPersistedSettingsPath());
    rapidjson::Document document;
    document.Parse(written.c_str());
    rapidjson::StringBuffer pretty, compact;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> prettyWriter(pretty);
    rapidjson::Writer<rapidjson::StringBuffer> compactWriter(compact);
    document.Accept(prettyWriter);
    EXPECT_EQ(written, TextModeBytes(pretty.GetString()));
    EXPECT_EQ(written.find("\"description\""), written.find('"'));  // a fixed description comes first
    document.RemoveMember("description");
    document.Accept(compactWriter);
    EXPECT_EQ(std::string(compact.GetString()),
              R"({"files":[{"name":"Game.cfg","sections":[{"name":"Audio","settings":[{"name":"Volume","value":"0.5"}]},)"
              R"({"name":"Video","settings":[{"name":"Width2","value":"x"},{"name":"width","value":"1920"}]}]},)"
              R"({"name":"Input.ini","sections":[{"name":"Keys","settings":[{"name":"Duck","value":"\"C\""},{"name":"jump","value":"[Space]"}]}]}]})");
}

TEST_F(ConfigPersistenceTest, ValuesComeFromTheFileForListedSettingsOnly) {
    WriteDefaultsList(R"({"files": [{"name": "Game.cfg", "sections": [{"name": "Video", "persisted": true}]}]})");
    WriteFile("Config/PersistedSettings.json", R"({"files": [
        {"name": "Game.cfg", "sections": [
            {"name": "Video", "settings": [{"name": "Width", "value": "2560"}, {"name": "Bad", "value": 3}]},
            {"name": "Sound", "settings": [{"name": "Volume", "value": "9"}]}]}]})");
    WriteFile("Config/Game.cfg", "[Video]\r\nWidth=1024\r\nHeight=768\r\n[Sound]\r\nVolume=1\r\n");
    ConfigFileCache& cache = ConfigFileCache::Instance();
    {
        ConfigPersistence store;
        EXPECT_TRUE(store.IsDirty());
        EXPECT_EQ(cache.GetInt(Game(), "Video", "Width", 0, &store), 2560);
        EXPECT_EQ(cache.GetInt(Game(), "Video", "Height", 5, &store), 5);  // persisted, but no value
        EXPECT_EQ(cache.GetInt(Game(), "Video", "Bad", 5, &store), 5);
        EXPECT_EQ(cache.GetInt(Game(), "Sound", "Volume", 0, &store), 1);  // not persisted: read from the file
        store.CaptureValue(Game(), "Video", "Width", "5000000000");
        EXPECT_EQ(cache.GetInt64(Game(), "Video", "Width", 0, &store), 5000000000);
        EXPECT_FLOAT_EQ(cache.GetFloat(Game(), "Video", "Width", 0.0f, &store), 5e9f);
        EXPECT_TRUE(cache.GetBool(Game(), "Video", "Width", false, &store));
        EXPECT_EQ(cache.GetString(Game(), "Video", "Width", nullptr, &store), "5000000000");

        // Writing a persisted setting records it and still edits the file.
        EXPECT_TRUE(WriteString(Game(), "Video", "Height", "1440", &store));
        EXPECT_EQ(*store.FindPersistedValue(Game(), "Video", "Height"), "1440");
        EXPECT_EQ(ReadFile(Game()), "[Video]\r\nWidth=1024\r\nHeight=1440\r\n[Sound]\r\nVolume=1\r\n");
    }
    EXPECT_EQ(cache.GetInt(Game(), "Video", "Width", 0, nullptr), 1024);
}

TEST_F(ConfigPersistenceTest, AFailedSaveStaysDirtyAndIsReported) {
    WriteDefaultsList(R"({"files": [{"name": "Game.cfg", "persisted": true}]})");
    WriteFile("Config/PersistedSettings.json", R"({"files": [{"name": "Game.cfg", "sections": [
        {"name": "S", "settings": [{"name": "K", "value": "old"}]}]}]})");
    ConfigPersistence store;
    const std::string before = ReadFile(GetPersistedSettingsPath());
    store.CaptureValue(Game(), "S", "K", "new");

    ASSERT_EQ(std::rename(GetPersistedSettingsPath().c_str(), "saved.json"), 0);
    MakeDirectory(GetPersistedSettingsPath());
    {
        testing::LogCapture log;
        EXPECT_FALSE(store.SavePersistedSettings());
        EXPECT_TRUE(store.IsDirty());
        EXPECT_TRUE(log.Logged("Failed to save persisted settings to " + GetPersistedSettingsPath() + ".\n",
                               kLogError));
    }
    ASSERT_EQ(rmdir(GetPersistedSettingsPath().c_str()), 0);
    ASSERT_EQ(std::rename("saved.json", GetPersistedSettingsPath().c_str()), 0);
    EXPECT_EQ(ReadFile(GetPersistedSettingsPath()), before);
    EXPECT_TRUE(store.SavePersistedSettings());
    EXPECT_FALSE(store.IsDirty());
    EXPECT_NE(ReadFile(GetPersistedSettingsPath()).find("\"value\": \"new\""), std::string::npos);
}

TEST_F(ConfigPersistenceTest, ReloadingForgetsValuesTheNewFileDoesNotName) {
    WriteDefaultsList(R"({"files": [{"name": "Game.cfg", "persisted": true}]})");
    WriteFile("Config/PersistedSettings.json", R"({"files": [{"name": "Game.cfg", "sections": [
        {"name": "S", "settings": [{"name": "Mine", "value": "1001"}, {"name": "Both", "value": "a"}]}]}]})");
    ConfigPersistence store;
    ConfigFileCache& cache = ConfigFileCache::Instance();
    ASSERT_EQ(cache.GetString(Game(), "S", "Mine", nullptr, &store), "1001");

    // Another account's file replaces the first one: the old value must not
    // be served, nor saved back.
    WriteFile("Config/PersistedSettings.json", R"({"files": [{"name": "Game.cfg", "sections": [
        {"name": "S", "settings": [{"name": "Both", "value": "b"}]}]}]})");
    store.LoadPersistedValues();
    EXPECT_EQ(store.FindPersistedValue(Game(), "S", "Mine"), nullptr);
    EXPECT_EQ(cache.GetString(Game(), "S", "Mine", "default", &store), "default");
    EXPECT_EQ(*store.FindPersistedValue(Game(), "S", "Both"), "b");
    ASSERT_TRUE(store.SavePersistedSettings());
    EXPECT_EQ(ReadFile(GetPersistedSettingsPath()).find("1001"), std::string::npos);

    // An emptied file leaves an empty, clean store.
    WriteFile("Config/PersistedSettings.json", "{}");
    store.LoadPersistedValues();
    EXPECT_EQ(store.FindPersistedValue(Game(), "S", "Both"), nullptr);
    EXPECT_FALSE(store.IsDirty());
}

// JSON files are read in text mode: where that turns CR LF into LF, fewer
// bytes arrive than the file holds, and what is left of the buffer must not
// be taken for text after the document.
TEST_F(ConfigTest, JsonFilesWithWindowsLineEndsLoadWhole) {
    WriteFile("crlf.json", "{\r\n    \"files\": {\r\n        \"Game.cfg\": 1\r\n    }\r\n}\r\n");
    testing::LogCapture log;
    const rapidjson::Document document = ConfigPersistence::LoadJsonFile("crlf.json");
    ASSERT_TRUE(document.IsObject() && document.HasMember("files"));
    EXPECT_EQ(document["files"]["Game.cfg"].GetInt(), 1);
    EXPECT_EQ(log.Count(), 0u);

    WriteFile("broken.json", "{\r\n    \"files\": \r\n");
    EXPECT_FALSE(ConfigPersistence::LoadJsonFile("broken.json").IsObject());
}

}  // namespace
}  // namespace kor
