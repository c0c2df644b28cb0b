// The plug-in-manager types and events that registration enters into every
// plug-in's registry, and how they convert.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/BuiltinTypes.h"
#include "binding/NativeTypeRegistration.h"
#include "host/Plugin.h"
#include "host/PluginManagerTypes.h"
#include "log/Logger.h"

namespace kor {
namespace {

const std::vector<std::string> kManagerTypes = {
    "PluginManagerState", "PluginManagerResource", "PluginResourceEventType", "PluginResourceEvent",
    "PluginLcdsEvent",    "PluginLcdsResponse",    "PluginServiceProxyResponse",
};

class PluginManagerTypesTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyLoggerForTesting();
        PluginHostContext context;
        std::memset(&context, 0, sizeof context);
        context.apiMajor = 18;
        plugin_.Register(&context, "probe");
    }
    void TearDown() override { DestroyLoggerForTesting(); }

    const BindingRegistry& registry() const { return plugin_.registry(); }

    Plugin plugin_;
};

TEST_F(PluginManagerTypesTest, TypesAreTaggedForTheClientOnly) {
    for (const std::string& name : kManagerTypes) {
        const BindingTypeDescriptor* type = registry().FindTypeByName(name);
        ASSERT_NE(type, nullptr) << name;
        EXPECT_EQ(type->tags, std::vector<std::string>{"kclient"}) << name;
    }
    const BindingTypeDescriptor* eventType = registry().FindTypeByName("PluginResourceEventType");
    EXPECT_TRUE(eventType->isEnum);
    EXPECT_EQ(eventType->FindEnumerator(2)->name, "Delete");
    EXPECT_EQ(registry().FindTypeByName("PluginManagerState")->FindEnumerator(1)->name, "PluginsInitialized");

    const BindingTypeDescriptor* event = registry().FindTypeByName("PluginResourceEvent");
    ASSERT_EQ(event->fields.size(), 3u);
    EXPECT_EQ(event->fields[0].name, "uri");
    EXPECT_EQ(event->fields[1].type.descriptor, eventType);
    EXPECT_EQ(event->fields[2].type.kind, BindingTypeKind::Object);
    EXPECT_EQ(registry().FindTypeByName("PluginServiceProxyResponse")->fields.size(), 6u);
}

TEST_F(PluginManagerTypesTest, EventsNameTheirPayloadTypes) {
    struct Expected {
        const char* name;
        const char* payload;
        const char* description;
    };
    const Expected expected[] = {
        {"OnJsonApiEvent", "PluginResourceEvent", "Fired when a resource is changed."},
        {"OnLcdsEvent", "PluginLcdsEvent", "Fired when a message is received over the LCDS connection."},
        {"OnServiceProxyUuidEvent", "PluginServiceProxyResponse",
         "Fired when a uuid-based service proxy message is received."},
        {"OnServiceProxyMethodEvent", "PluginServiceProxyResponse",
         "Fired when a method-based service proxy message is received."},
        {"OnServiceProxyAsyncEvent", "PluginServiceProxyResponse",
         "Fired when an async service proxy message is received."},
    };
    for (const Expected& entry : expected) {
        const BindingEventDescriptor* event = registry().FindEvent(entry.name);
        ASSERT_NE(event, nullptr) << entry.name;
        ASSERT_NE(event->payloadType, nullptr) << entry.name;
        EXPECT_EQ(event->payloadType->name, entry.payload);
        EXPECT_EQ(event->description, entry.description);
        EXPECT_EQ(event->tags, std::vector<std::string>{"kclient"});
    }
    // Beside the builtin "OnCallback", nothing else.
    EXPECT_EQ(registry().Events().size(), 6u);
    EXPECT_NE(registry().FindEvent("OnCallback"), nullptr);
    EXPECT_NE(registry().FindTypeByName("BindingFullApiHelp"), nullptr);
}

TEST_F(PluginManagerTypesTest, ResourceEventsConvertWithEnumeratorNames) {
    PluginResourceEvent event;
    event.uri = "/kor-game-settings/v1/ready";
    event.eventType = PluginResourceEventType::Update;
    event.data.SetBool(true);
    BindingResult produced;
    ConvertToProperty(produced, event, &registry());
    ASSERT_TRUE(produced.ok()) << produced.ErrorText();

    BindingProperty source;
    source.MemberForWrite("uri").SetString("/kor-login/v1/session");
    source.MemberForWrite("eventType").SetString("Delete");
    source.MemberForWrite("data").MemberForWrite("state").SetString("SUCCEEDED");
    PluginResourceEvent native;
    BindingResult result;
    ConvertToNative(result, native, source, "<result>", &registry());
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(native.uri, "/kor-login/v1/session");
    EXPECT_EQ(native.eventType, PluginResourceEventType::Delete);
    EXPECT_EQ(native.data.Member("state").GetString(), "SUCCEEDED");
}

TEST_F(PluginManagerTypesTest, RegisteringTwiceKeepsTheFirstRegistration) {
    BindingRegistry registry;
    RegisterPluginManagerTypes(registry);
    const std::size_t types = registry.TypeCount();
    const BindingTypeDescriptor* first = registry.FindTypeByName("PluginLcdsEvent");
    RegisterPluginManagerTypes(registry);
    EXPECT_EQ(registry.TypeCount(), types);
    EXPECT_EQ(registry.FindTypeByName("PluginLcdsEvent"), first);
    EXPECT_EQ(first->fields.size(), 4u);
    EXPECT_EQ(registry.Events().size(), 5u);
}

}  // namespace
}  // namespace kor
