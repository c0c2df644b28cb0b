#include "plugin/PersistedSettingsFile.h"

#include <gtest/gtest.h>

#include "config/ConfigLocations.h"
#include "support/ConfigTestEnvironment.h"

namespace kor {
namespace {

class PersistedSettingsFileTest : public testing::ConfigTest {};

TEST_F(PersistedSettingsFileTest, CleaningDropsBytesAbove127AndKeepsAscii) {
    const std::string path = GetPersistedSettingsPath();
    WriteFile(path, "{\"v\": \"Caf\xE9\"}\r\n");
    EXPECT_TRUE(CleanPersistedSettingsFile());
    EXPECT_EQ(ReadFile(path), "{\"v\": \"Caf\"}\r\n");
    EXPECT_TRUE(CleanPersistedSettingsFile());
    EXPECT_EQ(ReadFile(path), "{\"v\": \"Caf\"}\r\n");
}

TEST_F(PersistedSettingsFileTest, AMissingFileIsLeftMissing) {
    EXPECT_FALSE(ReadPersistedSettingsFile().has_value());
    EXPECT_TRUE(CleanPersistedSettingsFile());
    EXPECT_FALSE(Exists(GetPersistedSettingsPath()));
}

TEST_F(PersistedSettingsFileTest, WritesReplaceWholeTextsAndReadBackEmptyFiles) {
    EXPECT_TRUE(WritePersistedSettingsFile("{}"));
    EXPECT_EQ(ReadPersistedSettingsFile(), std::optional<std::string>("{}"));
    EXPECT_TRUE(WritePersistedSettingsFile(""));
    EXPECT_EQ(ReadPersistedSettingsFile(), std::optional<std::string>(""));
}

TEST_F(PersistedSettingsFileTest, AFailedWriteKeepsTheOldBytes) {
    const std::string path = GetPersistedSettingsPath();
    WriteFile(path, "old\xFF");
    MakeDirectory(path + ".tmp");  // the temporary file cannot be created
    EXPECT_FALSE(WritePersistedSettingsFile("new"));
    EXPECT_FALSE(CleanPersistedSettingsFile());
    EXPECT_EQ(ReadFile(path), "old\xFF");
}

}  // namespace
}  // namespace kor
