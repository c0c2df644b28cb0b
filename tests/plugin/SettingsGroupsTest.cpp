#include "plugin/SettingsGroups.h"

#include <gtest/gtest.h>

#include "binding/BindingProperty.h"
#include "support/ConfigTestEnvironment.h"
#include "support/LogCapture.h"

namespace kor {
namespace {

class SettingsGroupsTest : public testing::ConfigTest {
protected:
    // A group as the built-in defaults hold it.
    static BindingProperty Defaults() {
        BindingProperty group;
        BindingProperty& general = group.MemberForWrite("General");
        general.MemberForWrite("GameMouseSpeed").SetUnsigned(10);
        general.MemberForWrite("EnableAudio").SetBool(true);
        general.MemberForWrite("Nothing");  // a null default never reaches a resource
        BindingProperty& hud = group.MemberForWrite("HUD");
        hud.MemberForWrite("MapScrollSpeed").SetFloat(0.5);
        hud.MemberForWrite("ChatScale").SetUnsigned(100);
        hud.MemberForWrite("Name").SetString("plain");
        group.MemberForWrite("NotASection").SetBool(true);
        return group;
    }
};

TEST_F(SettingsGroupsTest, DefaultsPassTurnsUnsignedIntoSignedAndNarrowsFloats) {
    BindingProperty group = Defaults();
    group.MemberForWrite("HUD").MemberForWrite("Tenth").SetFloat(0.1);
    ReadSettingsGroup(group, group, std::nullopt, std::nullopt);
    const BindingProperty& general = group.Member("General");
    EXPECT_EQ(general.Member("GameMouseSpeed").kind(), BindingPropertyKind::Signed);
    EXPECT_EQ(general.Member("GameMouseSpeed").GetSigned(), 10);
    EXPECT_TRUE(general.Member("Nothing").IsEmpty());
    EXPECT_EQ(group.Member("HUD").Member("Tenth").GetFloat(), 0.10000000149011612);
    EXPECT_EQ(group.Member("HUD").Member("Name").GetString(), "plain");
}

TEST_F(SettingsGroupsTest, FilesOverrideDefaultsAndTheSchemaKeepsTheDefaultsFile) {
    MakeDirectory("DATA");
    MakeDirectory("DATA/CFG");
    MakeDirectory("DATA/CFG/defaults");
    WriteFile("DATA/CFG/defaults/Game.cfg", "[General]\r\nGameMouseSpeed=20\r\n");
    WriteFile("Game.cfg", "[HUD]\r\nMapScrollSpeed=0.3\r\nName=from file\r\n[General]\r\nEnableAudio=0\r\n");

    BindingProperty group = Defaults();
    ReadSettingsGroup(group, group, "DATA/CFG/defaults/Game.cfg", std::nullopt);
    BindingProperty values;
    ReadSettingsGroup(values, group, "Game.cfg", std::nullopt);
    BindingProperty schema;
    ReadSettingsGroup(schema, group, std::nullopt, "default");

    EXPECT_EQ(values.Member("General").Member("GameMouseSpeed").GetSigned(), 20);
    EXPECT_FALSE(values.Member("General").Member("EnableAudio").GetBool(true));
    EXPECT_EQ(values.Member("HUD").Member("MapScrollSpeed").GetFloat(), 0.30000001192092896);
    EXPECT_EQ(values.Member("HUD").Member("Name").GetString(), "from file");
    EXPECT_EQ(schema.Member("General").Member("GameMouseSpeed").Member("default").GetSigned(), 20);
    EXPECT_EQ(schema.Member("HUD").Member("ChatScale").Member("default").kind(), BindingPropertyKind::Signed);
    EXPECT_FALSE(values.HasMember("NotASection"));
}

TEST_F(SettingsGroupsTest, LoadingKeepsMembersTheDefaultsDoNotName) {
    BindingProperty values;
    values.MemberForWrite("HUD").MemberForWrite("AddedByPatch").SetSigned(7);
    ReadSettingsGroup(values, Defaults(), std::nullopt, std::nullopt);
    EXPECT_EQ(values.Member("HUD").Member("AddedByPatch").GetSigned(), 7);
    EXPECT_EQ(values.Member("HUD").Member("ChatScale").GetSigned(), 100);
}

TEST_F(SettingsGroupsTest, OutOfRangeDefaultsAreReportedAndSkipped) {
    kor::testing::LogCapture log;
    BindingProperty group;
    group.MemberForWrite("S").MemberForWrite("big").SetSigned(2147483647);
    group.MemberForWrite("S").MemberForWrite("low").SetSigned(-2147483649LL);
    group.MemberForWrite("S").MemberForWrite("huge").SetUnsigned(9223372036854775807ULL);
    group.MemberForWrite("S").MemberForWrite("wide").SetFloat(3.4028234663852886e38);
    BindingProperty values;
    ReadSettingsGroup(values, group, std::nullopt, std::nullopt);
    EXPECT_FALSE(values.HasMember("S"));
    EXPECT_TRUE(log.LoggedContaining("Expression: ALE-9ACB0442"));
    EXPECT_TRUE(log.LoggedContaining("Expression: ALE-F0C5341E"));
    EXPECT_TRUE(log.LoggedContaining("Expression: ALE-AA209B8E"));
}

TEST_F(SettingsGroupsTest, WritesEveryScalarKindAndSkipsTheRest) {
    kor::testing::LogCapture log;
    BindingProperty group;
    BindingProperty& s = group.MemberForWrite("Sec");
    s.MemberForWrite("b").SetBool(true);
    s.MemberForWrite("i").SetSigned(-3);
    s.MemberForWrite("u").SetUnsigned(42);
    s.MemberForWrite("f").SetFloat(0.75);
    s.MemberForWrite("t").SetString("[Ctrl][q]");
    s.MemberForWrite("n");
    s.MemberForWrite("c").MakeCollection();
    s.MemberForWrite("tooBig").SetUnsigned(9223372036854775808ULL);
    s.MemberForWrite("tooWide").SetFloat(-1e39);
    group.MemberForWrite("Flat").SetSigned(5);
    EXPECT_TRUE(WriteSettingsGroup(group, "Game.cfg"));
    // Each new key goes first into its section, so key order comes out reversed.
    EXPECT_EQ(ReadFile("Game.cfg"), "\r\n\r\n[Sec]\r\nu=42\r\nt=[Ctrl][q]\r\ni=-3\r\nf=0.7500\r\nb=1");
    EXPECT_TRUE(log.LoggedContaining("Expression: ALE-700E0976"));
    EXPECT_TRUE(log.LoggedContaining("Expression: ALE-6CB50B02"));
}

TEST_F(SettingsGroupsTest, AFailedWriteIsReported) {
    MakeDirectory("Game.cfg");  // a directory where the file should be
    BindingProperty group;
    group.MemberForWrite("Sec").MemberForWrite("b").SetBool(true);
    EXPECT_FALSE(WriteSettingsGroup(group, "Game.cfg"));
}

TEST(MergeSettingsTest, StructuresMergeOtherValuesReplaceNothingIsRemoved) {
    BindingProperty target;
    target.MemberForWrite("HUD").MemberForWrite("ChatScale").SetSigned(100);
    target.MemberForWrite("HUD").MemberForWrite("FlipMiniMap").SetBool(false);
    target.MemberForWrite("Volume").MemberForWrite("MasterVolume").SetFloat(1.0);

    BindingProperty change;
    change.MemberForWrite("HUD").MemberForWrite("ChatScale").SetSigned(120);
    change.MemberForWrite("HUD").MemberForWrite("New").SetString("x");
    change.MemberForWrite("Volume").MemberForWrite("MasterVolume");  // null replaces
    MergeSettings(target, change);
    EXPECT_EQ(target.Member("HUD").Member("ChatScale").GetSigned(), 120);
    EXPECT_FALSE(target.Member("HUD").Member("FlipMiniMap").GetBool(true));
    EXPECT_EQ(target.Member("HUD").Member("New").GetString(), "x");
    EXPECT_TRUE(target.Member("Volume").HasMember("MasterVolume"));
    EXPECT_TRUE(target.Member("Volume").Member("MasterVolume").IsEmpty());

    BindingProperty whole;
    whole.MemberForWrite("HUD").SetSigned(5);
    MergeSettings(target, whole);
    EXPECT_EQ(target.Member("HUD").GetSigned(), 5);

    BindingProperty scalar;
    scalar.SetSigned(1);
    BindingProperty before = target;
    MergeSettings(target, scalar);
    EXPECT_TRUE(target == before);
}

TEST(ResolveSettingsPathTest, WalksAndCreatesMembersOfStructuresOnly) {
    BindingProperty settings;
    settings.MemberForWrite("game-settings");
    settings.MemberForWrite("input-settings").MakeStructure();
    EXPECT_EQ(ResolveSettingsPath(settings, ""), &settings);
    BindingProperty* game = ResolveSettingsPath(settings, "game-settings");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game, settings.FindMember("game-settings"));
    EXPECT_EQ(ResolveSettingsPath(settings, "game-settings/HUD"), nullptr);  // empty, not a structure
    BindingProperty* deep = ResolveSettingsPath(settings, "input-settings/GameEvents");
    ASSERT_NE(deep, nullptr);
    EXPECT_TRUE(settings.Member("input-settings").HasMember("GameEvents"));
}

}  // namespace
}  // namespace kor
