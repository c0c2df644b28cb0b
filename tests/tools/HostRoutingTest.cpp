// The kit's routing helpers: event keys of resource paths, resource-event
// payloads, finding a function entry by method and path, and the API
// description as a value tree.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/hostkit/ApiJson.h"
#include "tools/hostkit/EventKey.h"
#include "tools/hostkit/FunctionRoutes.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/LogLevels.h"
#include "tools/hostkit/PluginLibrary.h"
#include "tools/hostkit/ResourceEvent.h"

namespace kor::hostkit {
namespace {

const std::string kFakePlugin = KOR_FAKE_PLUGIN_PATH;

TEST(EventKey, KeepsThreeSegmentsOrFiveUnderPlatformConfig) {
    EXPECT_EQ(EventKeyForPath("/kor-login/v1/session"), "OnJsonApiEvent_kor-login_v1_session");
    EXPECT_EQ(EventKeyForPath("/kor-game-settings/v1/game-settings"), "OnJsonApiEvent_kor-game-settings_v1_game-settings");
    EXPECT_EQ(EventKeyForPath("/kor-game-settings/v1/a/b"), EventKeyForPath("/kor-game-settings/v1/a"));
    EXPECT_EQ(EventKeyForPath("/kor-platform-config/v1/namespaces/x/y/z"),
              "OnJsonApiEvent_kor-platform-config_v1_namespaces_x_y");
    // Empty segments are skipped, a short path stays whole.
    EXPECT_EQ(EventKeyForPath("//kor-login//v1"), "OnJsonApiEvent_kor-login_v1");
    EXPECT_EQ(EventKeyForPath("kor-login/v1/session"), "OnJsonApiEvent_kor-login_v1_session");
    EXPECT_EQ(EventKeyForPath(""), "OnJsonApiEvent");
}

TEST(ResourceEvent, CarriesTheEventTypeByName) {
    const HostValue event = MakeResourceEvent("/kor-login/v1/session", ResourceEventType::Delete, HostValue());
    EXPECT_EQ(EncodeJson(event), R"({"uri":"/kor-login/v1/session","eventType":"Delete","data":null})");
    EXPECT_EQ(ResourceEventTypeFromName("Update"), ResourceEventType::Update);
    EXPECT_FALSE(ResourceEventTypeFromName("update").has_value());
    EXPECT_EQ(LogLevelName(1), "  WARN");
    EXPECT_EQ(LogLevelName(2), " ERROR");
    EXPECT_EQ(LogLevelName(-1).size(), 6u);
}

class FakeApi : public ::testing::Test {
protected:
    void SetUp() override {
        auto loaded = PluginLibrary::Load(kFakePlugin);
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        library_ = std::move(loaded).value();
        ASSERT_NE(library_->api(), nullptr);
    }
    std::unique_ptr<PluginLibrary> library_;
};

TEST_F(FakeApi, RoutesFindLiteralFunctionsByMethodAndPath) {
    const FunctionRoutes routes(*library_->api());
    EXPECT_EQ(routes.size(), 3u);
    const PluginFunctionEntry* echo = routes.FindLiteral("POST", "/fake/v1/echo");
    ASSERT_NE(echo, nullptr);
    EXPECT_STREQ(echo->record.name, "PostFakeV1Echo");
    EXPECT_EQ(routes.FindLiteral("GET", "/fake/v1/echo"), nullptr);
    EXPECT_EQ(routes.FindLiteral("POST", "/fake/v1/echo/more"), nullptr);
    // A path that folds to the same name reaches the entry; its own router
    // refuses what its route does not match.
    EXPECT_EQ(routes.FindLiteral("POST", "/fake/v1/Echo"), echo);
    EXPECT_EQ(PathOfUrl("/fake/v1/echo?x=1#f"), "/fake/v1/echo");
    EXPECT_EQ(PathOfUrl("/a#b?c"), "/a");
}

TEST_F(FakeApi, DescriptionListsFunctionsTypesAndEvents) {
    const std::string json = EncodeJson(DescribeApi(*library_->api()));
    EXPECT_NE(json.find(R"({"name":"PostFakeV1Echo","nameSpace":"FakePlugin","description":"Echoes the request",)"
                        R"("help":"","threadSafe":true,"async":"","tags":["Plugins","Plugin fake-plugin"],)"
                        R"("arguments":[{"name":"message","description":"what to echo",)"
                        R"("type":{"kind":"","elementKind":"","typeName":""},"optional":false},)"
                        R"({"name":"count","description":"how often",)"
                        R"("type":{"kind":"uint32","elementKind":"","typeName":""},"optional":true}],)"
                        R"("returns":{"kind":"","elementKind":"","typeName":""}})"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("fields":[{"name":"name","description":"a name","offset":0,)"
                        R"("type":{"kind":"","elementKind":"","typeName":""},"optional":false},)"
                        R"({"name":"colour","description":"a colour","offset":8,)"
                        R"("type":{"kind":"callback","elementKind":"","typeName":"FakeColour"},"optional":true}])"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("enumerators":[{"name":"Red","description":"","number":0},)"
                        R"({"name":"Green","description":"","number":1},{"name":"Blue","description":"","number":-1}])"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("events":[{"name":"OnFakeEvent","nameSpace":"FakePlugin","payloadType":"FakeThing",)"
                        R"("description":"Fired for the tests","tags":["Plugins","Plugin fake-plugin"]}])"),
              std::string::npos)
        << json;
    EXPECT_EQ(TypeCodeName(17), "struct");
    EXPECT_EQ(TypeCodeName(20), "");
}

}  // namespace
}  // namespace kor::hostkit
