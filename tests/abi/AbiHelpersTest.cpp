// The names both sides derive from a method and a path, and the method
// numbers: a few anchors fix their meaning.
#include <gtest/gtest.h>

#include <string>

#include "abi/EventKey.h"
#include "abi/FunctionName.h"
#include "abi/MethodNumbers.h"

namespace kor {
namespace {

TEST(AbiHelpers, NamesKeysAndMethods) {
    const struct {
        const char *method, *path, *name, *key;
    } anchors[] = {
             {"GET", "/kor-game-settings/v1/game-settings", "GetKorGameSettingsV1GameSettings",
              "OnJsonApiEvent_kor-game-settings_v1_game-settings"},
             {"", "{}x/a}b", "ByXAb", "OnJsonApiEvent_{}x_a}b"},
             {"pATCH", "//kor-login//v1/session/extra", "PatchKorLoginV1SessionExtra", "OnJsonApiEvent_kor-login_v1_session"},
             {"", "/kor-platform-config/v1/namespaces/x/y/z", "KorPlatformConfigV1NamespacesXYZ",
              "OnJsonApiEvent_kor-platform-config_v1_namespaces_x_y"},
             {"", "/\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "OnJsonApiEvent_\xC3\xA9t\xC3\xA9"}};
    for (const auto& anchor : anchors) {
        EXPECT_EQ(MakeFunctionName(anchor.method, anchor.path), anchor.name);
        EXPECT_EQ(EventKeyOf(anchor.path), anchor.key);
    }
    for (uint32_t number : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 0xFFFFFFFFu}) {
        const PluginMethod method = MethodFromNumber(number);
        EXPECT_EQ(static_cast<uint32_t>(method), number <= 8 ? number : 0u) << number;
        if (!MethodText(method).empty()) {
            EXPECT_EQ(MethodFromText(MethodText(method)), method) << number;
        }
    }
    EXPECT_EQ(MethodFromText(""), PluginMethod::None);
    EXPECT_EQ(MethodFromText("get"), PluginMethod::Custom);
}

}  // namespace
}  // namespace kor
