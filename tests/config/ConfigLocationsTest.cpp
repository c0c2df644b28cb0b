#include "support/ConfigTestEnvironment.h"

#include "config/ConfigLocations.h"

#include <filesystem>

namespace kor {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, LayoutScoringPicksTheHighestScoreAlone) {
    for (const char* directory : {"work", "work/Tools", "work/DATA"}) MakeDirectory(directory);
    WriteFile("work/compiler.exe", "");
    WriteFile("Launcher.exe", "");
    const std::string work = Root() + "/work";

    const LayoutMarker development[] = {
        {InstallLayout::kDevelopmentTree, MarkerTest::kDirectoryHere, "Tools", 2},
        {InstallLayout::kClient, MarkerTest::kFileInParent, "Launcher.exe", 1},
    };
    EXPECT_EQ(DetectInstallLayout(work, development), InstallLayout::kDevelopmentTree);

    const LayoutMarker tie[] = {
        {InstallLayout::kDevelopmentTree, MarkerTest::kDirectoryHere, "Tools", 3},
        {InstallLayout::kClient, MarkerTest::kFileInParent, "Launcher.exe", 3},
    };
    EXPECT_EQ(DetectInstallLayout(work, tie), InstallLayout::kUndetermined);

    // A conditional marker counts only when its prerequisite held; files and
    // directories are told apart.
    const LayoutMarker conditional[] = {
        {InstallLayout::kPatcher, MarkerTest::kDirectoryHere, "Missing", 1},
        {InstallLayout::kPatcher, MarkerTest::kFileHere, "compiler.exe", 5, 0},
        {InstallLayout::kPatcher, MarkerTest::kFileHere, "DATA", 5},
        {InstallLayout::kClient, MarkerTest::kDirectoryHere, "DATA", 1},
        {InstallLayout::kClient, MarkerTest::kFileHere, "compiler.exe", 1, 3},
    };
    EXPECT_EQ(DetectInstallLayout(work, conditional), InstallLayout::kClient);

    const LayoutMarker texts[] = {
        {InstallLayout::kPatcher, MarkerTest::kTextInLowerCasedDirectory, "/release/", 3},
        {InstallLayout::kDevelopmentTree, MarkerTest::kTextInDirectory, "/release/", 2},
    };
    EXPECT_EQ(DetectInstallLayout("/x/Release/y", texts), InstallLayout::kPatcher);
    EXPECT_EQ(DetectInstallLayout("/x/y", {}), InstallLayout::kUndetermined);
}

TEST(InstallRoot, FollowsTheLayoutRules) {
    EXPECT_EQ(InstallRootFor(InstallLayout::kPatcher, "C:\\r\\PLMX\\rel\\sub"), "C:/r");
    EXPECT_EQ(InstallRootFor(InstallLayout::kPatcher, "/r/PLMX"), "/r");
    EXPECT_EQ(InstallRootFor(InstallLayout::kPatcher, "/r/PLMXtra/sub"), "/r/PLMXtra/sub");
    EXPECT_EQ(InstallRootFor(InstallLayout::kPatcher, "/r/plmx/a"), "/r/plmx/a");
    EXPECT_EQ(InstallRootFor(InstallLayout::kClient, "/games/Client/"), "/games/Game");
    EXPECT_EQ(InstallRootFor(InstallLayout::kDevelopmentTree, "/src\\tree"), "/src\\tree");
}

TEST_F(ConfigTest, ConfigDirectoryIsCreatedUnderTheRootOrFallsBack) {
    EXPECT_EQ(GetInstallLayout(), InstallLayout::kUndetermined);
    EXPECT_EQ(GetWorkingDirectory(), Root());
    EXPECT_EQ(GetInstallRoot(), Root());
    EXPECT_EQ(GetConfigDirectory(), Root() + "/Config/");
    EXPECT_TRUE(Exists("Config"));

    // The development tree always uses the old place and creates nothing.
    EXPECT_EQ(ConfigDirectoryFor(InstallLayout::kDevelopmentTree, Root() + "/dev"), "DATA/CFG/");
    EXPECT_FALSE(Exists("dev"));

    // A root whose "Config" cannot be a directory falls back.
    WriteFile("blocked", "");
    EXPECT_EQ(ConfigDirectoryFor(InstallLayout::kUndetermined, Root() + "/blocked"), "DATA/CFG/");
    MakeDirectory("other");
    WriteFile("other/Config", "");
    EXPECT_EQ(ConfigDirectoryFor(InstallLayout::kUndetermined, Root() + "/other"), "DATA/CFG/");
    // An unreadable working directory keeps the candidate relative.
    EXPECT_EQ(ConfigDirectoryFor(InstallLayout::kUndetermined, ""), "Config/");
}

TEST_F(ConfigTest, NamedPathsAreComputedOnceUntilReset) {
    const std::string config = Root() + "/Config/";
    EXPECT_EQ(GetGameConfigPath(), config + "Game.cfg");
    EXPECT_EQ(GetInputConfigPath(), config + "Input.ini");
    EXPECT_EQ(GetPersistedSettingsPath(), config + "/PersistedSettings.json");
    EXPECT_EQ(GetPersistedSettingsListPath(), config + "/SettingsToPersist.json");
    EXPECT_EQ(GetDefaultInputConfigPath(), "DATA/CFG/defaults/Input.ini");

    MakeDirectory("elsewhere");
    std::filesystem::current_path("elsewhere");
    EXPECT_EQ(GetWorkingDirectory(), Root());
    EXPECT_EQ(GetConfigFilePath("x"), config + "x");
    ResetConfigLocationsForTesting();
    EXPECT_EQ(GetGameConfigPath(), Root() + "/elsewhere/Config/Game.cfg");
    std::filesystem::current_path(Root());
}

TEST_F(ConfigTest, OldFilesMoveOnceAndNeverOverwrite) {
    for (const char* directory : {"DATA", "DATA/CFG", "Config"}) MakeDirectory(directory);
    WriteFile("DATA/CFG/Game.cfg", "old game");
    WriteFile("DATA/CFG/Input.ini", "old input");
    WriteFile("Config/Input.ini", "current input");

    EXPECT_EQ(ReadFile(GetGameConfigPath()), "old game");
    EXPECT_FALSE(Exists("DATA/CFG/Game.cfg"));
    EXPECT_EQ(ReadFile(GetInputConfigPath()), "current input");
    EXPECT_EQ(ReadFile("DATA/CFG/Input.ini"), "old input");

    // Only the first request looks.
    WriteFile("DATA/CFG/Game.cfg", "older still");
    ASSERT_EQ(std::remove("Config/Game.cfg"), 0);
    GetGameConfigPath();
    EXPECT_FALSE(Exists("Config/Game.cfg"));
}

}  // namespace
}  // namespace kor
