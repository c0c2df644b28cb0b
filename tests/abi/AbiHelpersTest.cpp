// The host-side kit names functions, event keys and methods on its own, as a
// host would; it must agree with the library on every input, so one random
// comparison stands for both sides, with a few anchors that fix the meaning.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "abi/EventKey.h"
#include "abi/FunctionName.h"
#include "abi/MethodNumbers.h"
#include "tools/hostkit/EventKey.h"
#include "tools/hostkit/FunctionName.h"
#include "tools/hostkit/MethodNumbers.h"

namespace kor {
namespace {

TEST(HostKitTwins, NamesKeysAndMethodsAgreeWithTheLibrary) {
    const struct {
        const char *method, *path, *name, *key;
    } anchors[] = {
             {"GET", "/kor-game-settings/v1/game-settings", "GetKorGameSettingsV1GameSettings",
              "OnJsonApiEvent_kor-game-settings_v1_game-settings"},
             {"", "{}x/a}b", "ByXAb", "OnJsonApiEvent_{}x_a}b"},
             {"pATCH", "//kor-login//v1/session/extra", "PatchKorLoginV1SessionExtra", "OnJsonApiEvent_kor-login_v1_session"},
             {"", "/kor-platform-config/v1/namespaces/x/y/z", "KorPlatformConfigV1NamespacesXYZ",
              "OnJsonApiEvent_kor-platform-config_v1_namespaces_x_y"}};
    for (const auto& anchor : anchors) {
        EXPECT_EQ(MakeFunctionName(anchor.method, anchor.path), anchor.name);
        EXPECT_EQ(EventKeyOf(anchor.path), anchor.key);
    }
    const std::string alphabet = "/aZ9!+-._{}\xC3\xA9 ";
    const char* const methods[] = {"", "GET", "pOST", "x"};
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        std::string path;
        for (int length = static_cast<int>(random() % 24); length > 0; --length) path += alphabet[random() % alphabet.size()];
        if (random() % 4 == 0) path = "/kor-platform-config" + path;
        const char* method = methods[random() % 4];
        ASSERT_EQ(hostkit::MakeFunctionName(method, path), MakeFunctionName(method, path)) << method << " " << path;
        ASSERT_EQ(hostkit::EventKeyForPath(path), EventKeyOf(path)) << path;
    }
    for (uint32_t number : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 0xFFFFFFFFu}) {
        const PluginMethod method = MethodFromNumber(number);
        EXPECT_EQ(static_cast<uint32_t>(method), hostkit::NormalizeMethodNumber(number)) << number;
        EXPECT_EQ(MethodText(method), hostkit::MethodText(number)) << number;
        if (!MethodText(method).empty()) {
            EXPECT_EQ(hostkit::MethodNumber(MethodText(method)), number);
        }
    }
    EXPECT_EQ(hostkit::MethodNumber("get"), hostkit::kMethodCustom);
}

}  // namespace
}  // namespace kor
