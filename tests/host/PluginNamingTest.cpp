// Names and versions of the frame: function names, full plug-in names with
// their kind prefix, API versions and their compatibility with the core.
#include <gtest/gtest.h>

#include "host/FunctionName.h"
#include "host/MethodNumbers.h"
#include "host/PluginApiVersion.h"
#include "host/PluginName.h"
#include "log/Log.h"
#include "support/LogCapture.h"

namespace kor {
namespace {

TEST(MakeFunctionNameTest, MethodAndPathFoldIntoOneIdentifier) {
    EXPECT_EQ(MakeFunctionName("", "kor-game-settings"), "KorGameSettings");
    EXPECT_EQ(MakeFunctionName("GET", "/kor-game-settings/v1/game-settings"), "GetKorGameSettingsV1GameSettings");
    EXPECT_EQ(MakeFunctionName("POST", "/kor-game-settings/v1/save"), "PostKorGameSettingsV1Save");
    EXPECT_EQ(MakeFunctionName("GET", "/a/{b}"), "GetAByB");
    EXPECT_EQ(MakeFunctionName("DELETE", "/x"), "DeleteX");
}

TEST(MakeFunctionNameTest, SeparatorsCapitaliseAndClosingBraceKeepsTheFlag) {
    EXPECT_EQ(MakeFunctionName("", "a!b+c.d_e"), "ABCDE");
    // "}" is dropped without clearing a pending capital: "{}x" gives "ByX".
    EXPECT_EQ(MakeFunctionName("", "{}x"), "ByX");
    // After an ordinary character "}" leaves the flag clear.
    EXPECT_EQ(MakeFunctionName("", "a}b"), "Ab");
    // The method's rest is lowered; its first character is capitalised by
    // the fold like any other.
    EXPECT_EQ(MakeFunctionName("pATCH", "/v"), "PatchV");
    EXPECT_EQ(MakeFunctionName("", ""), "");
}

TEST(MethodNumbersTest, TextsAndNumbersReadFromTheHost) {
    EXPECT_EQ(MethodText(PluginMethod::Get), "GET");
    EXPECT_EQ(MethodText(PluginMethod::Put), "PUT");
    EXPECT_EQ(MethodText(PluginMethod::None), "");
    EXPECT_EQ(MethodText(PluginMethod::Custom), "");
    EXPECT_EQ(MethodFromNumber(5), PluginMethod::Patch);
    EXPECT_EQ(MethodFromNumber(8), PluginMethod::Custom);
    EXPECT_EQ(MethodFromNumber(9), PluginMethod::None);
    EXPECT_EQ(MethodFromNumber(0xFFFFFFFFu), PluginMethod::None);
}

TEST(PluginApiVersionTest, OwnVersionAndTexts) {
    const PluginApiVersion own = OwnPluginApiVersion();
    EXPECT_EQ(PluginApiVersionText(own), "18.0.0");
    EXPECT_EQ(PluginApiVersionText(PluginApiVersion{1, 2, 3, "beta", "7"}), "1.2.3-beta+7");
    EXPECT_EQ(PluginApiVersionText(PluginApiVersion{1, 2, 3, "", "7"}), "1.2.3+7");
}

TEST(PluginApiVersionTest, CoreMustShareTheMajorAndNotBeOlder) {
    const PluginApiVersion own = OwnPluginApiVersion();
    auto compatible = [&](uint32_t major, uint32_t minor, uint32_t patch) {
        return IsCompatibleCoreVersion(PluginApiVersion{major, minor, patch, {}, {}}, own);
    };
    EXPECT_TRUE(compatible(18, 0, 0));
    EXPECT_TRUE(compatible(18, 3, 0));
    EXPECT_TRUE(compatible(18, 0, 5));
    EXPECT_FALSE(compatible(17, 9, 9));
    EXPECT_FALSE(compatible(19, 0, 0));

    const PluginApiVersion newer{18, 2, 0, {}, {}};
    EXPECT_FALSE(IsCompatibleCoreVersion(PluginApiVersion{18, 1, 9, {}, {}}, newer));
    EXPECT_TRUE(IsCompatibleCoreVersion(PluginApiVersion{18, 2, 0, {}, {}}, newer));
    EXPECT_TRUE(IsCompatibleCoreVersion(PluginApiVersion{18, 3, 0, {}, {}}, newer));
    // Pre-release and build texts play no part.
    EXPECT_TRUE(IsCompatibleCoreVersion(PluginApiVersion{18, 2, 0, "alpha", "1"}, newer));
}

TEST(PluginNameTest, KnownKindsGiveTheirPrefixWithoutALogLine) {
    testing::LogCapture log;
    const PluginName backend = GetFullNameFromShortNameAndType("kor-game-settings", BackendPluginKind());
    EXPECT_EQ(backend.fullName, "ucx-be-kor-game-settings");
    EXPECT_EQ(backend.shortName, "kor-game-settings");
    EXPECT_EQ(backend.kindText, "backend");
    EXPECT_EQ(backend.kindDetail, "");
    EXPECT_EQ(GetFullNameFromShortNameAndType("x", FrontendPluginKind()).fullName, "ucx-fe-x");
    EXPECT_EQ(log.Count(), 0u);
}

TEST(PluginNameTest, AnyOtherKindGetsTheUnknownPrefixAndOneErrorLine) {
    testing::LogCapture log;
    const PluginName name = GetFullNameFromShortNameAndType("kor-game-settings", PluginKind{"Backend", "d"});
    EXPECT_EQ(name.fullName, "ucx-xx-kor-game-settings");
    EXPECT_EQ(name.kindText, "Backend");
    EXPECT_EQ(name.kindDetail, "d");
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_TRUE(log.Logged("            Plugin Manager| GetFullNameFromShortNameAndType(\"kor-game-settings\", "
                           "\"Backend\") called with an unknown type",
                           kLogError));
}

}  // namespace
}  // namespace kor
