// Events through the test host's table: dispatch of resource events to exact
// and pattern listeners, typed listeners, observing with the first read,
// firing the plug-in's own events, and Shutdown.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/ClientTestSupport.h"
#include "host/EventKey.h"
#include "host/PluginClient.h"
#include "host/ResourceListeners.h"

namespace kor::testing {
namespace {

using hostkit::HostValue;

constexpr const char* kSessionPath = "/kor-login/v1/session";
constexpr const char* kSessionKey = "OnJsonApiEvent_kor-login_v1_session";

HostValue ResourceEvent(std::string uri, std::string type, HostValue data) {
    return HostValue::Structure(
        {{"uri", HostValue::String(std::move(uri))}, {"eventType", HostValue::String(std::move(type))}, {"data", data}});
}

template <class T>
struct Seen {
    std::string uri;
    PluginResourceEventType type;
    T value;
};

template <class T>
std::function<void(const TypedResourceEvent<T>&)> Recorder(std::vector<Seen<T>>& seen) {
    return [&seen](const TypedResourceEvent<T>& event) { seen.push_back({event.uri, event.eventType, event.value}); };
}

using EventTest = ClientTest;

// ---- Keys and patterns ------------------------------------------------------

TEST(EventKeyTest, PlatformConfigKeysKeepSixEntriesAndShortPathsStayWhole) {
    EXPECT_EQ(EventKeyOf("/kor-platform-config/v1/namespaces/x/y/z"),
              "OnJsonApiEvent_kor-platform-config_v1_namespaces_x_y");
    EXPECT_EQ(EventKeyOf("/kor-platform-config/v1"), "OnJsonApiEvent_kor-platform-config_v1");
    EXPECT_EQ(EventKeyOf("kor-login/v1/session/extra"), kSessionKey);
}

TEST(ResourcePatternTest, AStarStopsAtTheNextSlash) {
    EXPECT_TRUE(MatchesResourcePattern("/a/*/c", "/a/b/c"));
    EXPECT_TRUE(MatchesResourcePattern("/a/*/c", "/a//c"));
    EXPECT_FALSE(MatchesResourcePattern("/a/*/c", "/a/b/x/c"));
    EXPECT_TRUE(MatchesResourcePattern("/a/*", "/a/b"));
    EXPECT_FALSE(MatchesResourcePattern("/a/*", "/a/"));
    EXPECT_TRUE(MatchesResourcePattern("/kor-x/v1/items/*", "/kor-x/v1/items/7"));
    EXPECT_FALSE(MatchesResourcePattern("/kor-x/v1/items/*", "/kor-x/v1/items/7/parts"));
    EXPECT_TRUE(MatchesResourcePattern("/a/x*", "/a/xyz"));
    EXPECT_FALSE(MatchesResourcePattern("/a/x*", "/a/x"));
    EXPECT_TRUE(MatchesResourcePattern("/*/*", "/a/b"));
    EXPECT_FALSE(MatchesResourcePattern("/a/b", "/a/bc"));
    EXPECT_FALSE(MatchesResourcePattern("/a/bc", "/a/b"));
}

// ---- Listeners --------------------------------------------------------------

TEST_F(EventTest, ObservingAnExactPathReadsItAndDeliversACreateFirst) {
    host().AnswerValue(kSessionPath, HostValue::Structure({{"state", HostValue::String("SUCCEEDED")}}));
    std::vector<Seen<BindingProperty>> seen;
    plugin().ObserveResource<BindingProperty>(kSessionPath, Recorder(seen));

    ASSERT_EQ(host().requests().size(), 1u);
    EXPECT_EQ(host().requests()[0].method, 2u);
    EXPECT_EQ(host().requests()[0].url, kSessionPath);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].uri, kSessionPath);
    EXPECT_EQ(seen[0].type, PluginResourceEventType::Create);
    EXPECT_EQ(seen[0].value.Member("state").GetString(), "SUCCEEDED");
    EXPECT_EQ(plugin().SubscriptionCount(kSessionKey), 1u);
    EXPECT_TRUE(host().IsSubscribed(kSessionKey));
}

TEST_F(EventTest, AFailedFirstReadDeliversNothing) {
    std::vector<Seen<bool>> seen;
    plugin().ObserveResource<bool>(kSessionPath, Recorder(seen));  // the host answers 404
    EXPECT_EQ(host().requests().size(), 1u);
    EXPECT_TRUE(seen.empty());
}

TEST_F(EventTest, AUriWithoutLeadingSlashReachesTheExactListener) {
    std::vector<Seen<BindingProperty>> seen;
    plugin().ObserveResource<BindingProperty>(kSessionPath, Recorder(seen));
    EXPECT_EQ(host().DeliverEvent(kSessionKey, ResourceEvent("kor-login/v1/session", "Update",
                                                             HostValue::Unsigned(5))),
              1u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].uri, kSessionPath);
    EXPECT_EQ(seen[0].type, PluginResourceEventType::Update);
    EXPECT_EQ(seen[0].value.GetUnsigned(), 5u);
}

TEST_F(EventTest, PatternListenersGetMatchingUrisOnlyAndNoFirstRead) {
    std::vector<Seen<BindingProperty>> seen;
    plugin().ObserveResource<BindingProperty>("/kor-x/v1/items/*", Recorder(seen));
    EXPECT_TRUE(host().requests().empty());
    const std::string key = "OnJsonApiEvent_kor-x_v1_items";
    ASSERT_TRUE(host().IsSubscribed(key));
    host().DeliverEvent(key, ResourceEvent("/kor-x/v1/items/7", "Create", HostValue::String("seven")));
    host().DeliverEvent(key, ResourceEvent("/kor-x/v1/items/7/parts", "Update", HostValue()));
    host().DeliverEvent(key, ResourceEvent("/kor-x/v1/items/", "Update", HostValue()));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].uri, "/kor-x/v1/items/7");
    EXPECT_EQ(seen[0].value.GetString(), "seven");
}

TEST_F(EventTest, ExactThenPatternListenersInInsertionOrder) {
    std::vector<std::string> order;
    plugin().ObserveResourceEvents("/kor-x/v1/*/7", [&order](const PluginResourceEvent&) { order.push_back("p1"); });
    plugin().ObserveResourceEvents("/kor-x/v1/items/7", [&order](const PluginResourceEvent&) { order.push_back("e"); });
    plugin().ObserveResourceEvents("/kor-x/v1/items/*", [&order](const PluginResourceEvent&) { order.push_back("p2"); });
    ASSERT_TRUE(order.empty());  // the exact path's first read failed (404)
    host().DeliverEvent("OnJsonApiEvent_kor-x_v1_items", ResourceEvent("/kor-x/v1/items/7", "Update", HostValue()));
    EXPECT_EQ(order, (std::vector<std::string>{"e", "p1", "p2"}));
    // Listeners are found by uri, whatever key delivered the event: the
    // first pattern subscribed a key of its own (its third segment is "*").
    EXPECT_EQ(plugin().SubscriptionCount("OnJsonApiEvent_kor-x_v1_items"), 2u);
    EXPECT_EQ(plugin().SubscriptionCount("OnJsonApiEvent_kor-x_v1_*"), 1u);
}

TEST_F(EventTest, DeleteDeliversTheDefaultValueWithoutConverting) {
    std::vector<Seen<bool>> flags;
    std::vector<Seen<BindingProperty>> objects;
    plugin().ObserveResource<bool>("/kor-a/v1/flag", Recorder(flags));
    plugin().ObserveResource<BindingProperty>("/kor-a/v1/object", Recorder(objects));
    // Data that a bool could never be converted from.
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_flag",
                        ResourceEvent("/kor-a/v1/flag", "Delete", HostValue::String("not a bool")));
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_object",
                        ResourceEvent("/kor-a/v1/object", "Delete", HostValue::String("gone")));
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_EQ(flags[0].type, PluginResourceEventType::Delete);
    EXPECT_FALSE(flags[0].value);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_TRUE(objects[0].value.IsEmpty());
}

TEST_F(EventTest, TypedListenersConvertOrSkip) {
    std::vector<Seen<bool>> flags;
    std::vector<Seen<ProbeRecord>> records;
    plugin().ObserveResource<bool>("/kor-a/v1/flag", Recorder(flags));
    plugin().ObserveResource<ProbeRecord>("/kor-a/v1/record", Recorder(records));
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_flag", ResourceEvent("/kor-a/v1/flag", "Update", HostValue::Bool(true)));
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_flag", ResourceEvent("/kor-a/v1/flag", "Update", HostValue::String("?")));
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_record",
                        ResourceEvent("/kor-a/v1/record", "Update",
                                      HostValue::Structure({{"name", HostValue::String("n")},
                                                            {"count", HostValue::Signed(3)}})));
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_TRUE(flags[0].value);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].value.name, "n");
    EXPECT_EQ(records[0].value.count, 3);
}

TEST_F(EventTest, PayloadsThatAreNoResourceEventAreDropped) {
    std::vector<Seen<BindingProperty>> seen;
    plugin().ObserveResource<BindingProperty>(kSessionPath, Recorder(seen));
    host().DeliverEvent(kSessionKey, HostValue::String("not a record"));
    host().DeliverEvent(kSessionKey, ResourceEvent(kSessionPath, "Renamed", HostValue()));  // no such type

    // A plain value of a kind the host must never send.
    PluginEvent bad;
    std::memset(static_cast<void*>(&bad), 0, sizeof bad);
    bad.name = kSessionKey;
    bad.payload.kind = 99;
    bad.context = &plugin();
    PluginClient::DispatchResourceEvent(&bad);
    EXPECT_TRUE(seen.empty());
}

TEST_F(EventTest, AListenerMayUnsubscribeAndObserveWhileItIsCalled) {
    int calls = 0;
    plugin().ObserveResourceEvents("/kor-a/v1/x", [this, &calls](const PluginResourceEvent&) {
        ++calls;
        plugin().Unsubscribe("/kor-a/v1/x");  // removes the handler that is running
        plugin().ObserveResourceEvents("/kor-a/v1/*", {});
    });
    host().DeliverEvent("OnJsonApiEvent_kor-a_v1_x", ResourceEvent("/kor-a/v1/x", "Update", HostValue()));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(plugin().resourceListeners().patternCount(), 1u);
}

// ---- Firing -----------------------------------------------------------------

TEST_F(EventTest, AResourceEventGoesOutUnderItsKeyAndThenUnderItsName) {
    RequestResult<void> fired =
        plugin().FireResourceEvent(PluginResourceEventType::Update, "/kor-game-settings/v1/ready", true);
    ASSERT_TRUE(fired.ok()) << fired.error().message;
    const auto events = host().firedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, "OnJsonApiEvent_kor-game-settings_v1_ready");
    EXPECT_EQ(events[1].name, "OnJsonApiEvent");
    const HostValue expected = ResourceEvent("/kor-game-settings/v1/ready", "Update", HostValue::Bool(true));
    for (const auto& event : events) {
        EXPECT_TRUE(event.payloadError.empty()) << event.payloadError;
        ASSERT_EQ(event.payload.size(), 3u);
        EXPECT_EQ(*event.payload.Find("uri"), *expected.Find("uri"));
        EXPECT_EQ(*event.payload.Find("eventType"), *expected.Find("eventType"));
        EXPECT_EQ(*event.payload.Find("data"), HostValue::Bool(true));
    }
}

TEST_F(EventTest, AnObjectResourceEventCarriesItsValue) {
    BindingProperty value;
    value.MakeStructure().MemberForWrite("a").SetSigned(1);
    ASSERT_TRUE(plugin().FireResourceEvent(PluginResourceEventType::Delete, "/kor-g/v1/s", value).ok());
    const auto events = host().firedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(*events[0].payload.Find("eventType"), HostValue::String("Delete"));
    EXPECT_EQ(*events[0].payload.Find("data"), HostValue::Structure({{"a", HostValue::Signed(1)}}));
}

TEST_F(EventTest, AnEventNamedAsItsKeyGoesOutOnce) {
    PluginResourceEvent event{"/kor-g/v1/s", PluginResourceEventType::Create, {}};
    ASSERT_TRUE(plugin().SendEvent("OnJsonApiEvent_kor-g_v1_s", event).ok());
    ASSERT_EQ(host().firedEvents().size(), 1u);
    EXPECT_EQ(host().firedEvents()[0].name, "OnJsonApiEvent_kor-g_v1_s");
}

TEST_F(EventTest, APayloadThatDoesNotConvertSendsNothing) {
    RequestResult<void> sent = plugin().SendEvent("OnX", UnknownRecord{});
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().message, "Couldn't convert native value because it's an unregistered structure.");
    EXPECT_TRUE(host().firedEvents().empty());
}

// ---- Shutdown ---------------------------------------------------------------

TEST_F(EventTest, ShutdownUnsubscribesEveryNamedHandlerAndClearsTheTables) {
    plugin().ObserveResourceEvents(kSessionPath, [](const PluginResourceEvent&) {});
    plugin().ObserveResourceEvents("/kor-a/v1/*", [](const PluginResourceEvent&) {});
    plugin().serviceProxy().AddPendingRequest("a.b", {});
    host().DeliverEvent("OnServiceProxyUuidEvent", HostValue::Structure({{"uuid", HostValue::String("u")}}));
    ASSERT_EQ(plugin().serviceProxy().answerCount(), 1u);
    host().ClearRecords();

    plugin().Shutdown();
    std::vector<std::string> unsubscribed;
    for (const auto& call : host().subscriptionCalls()) {
        EXPECT_FALSE(call.subscribe);
        EXPECT_EQ(call.handle, plugin().hostHandle());
        unsubscribed.push_back(call.name);
    }
    EXPECT_EQ(unsubscribed, (std::vector<std::string>{"OnJsonApiEvent_kor-a_v1_*", kSessionKey,
                                                      "OnServiceProxyAsyncEvent", "OnServiceProxyMethodEvent",
                                                      "OnServiceProxyUuidEvent"}));
    EXPECT_TRUE(host().subscriptions().empty());
    EXPECT_TRUE(plugin().EventHandlerNames().empty());
    EXPECT_EQ(plugin().SubscriptionCount(kSessionKey), 0u);
    EXPECT_EQ(plugin().resourceListeners().exactCount(), 0u);
    EXPECT_EQ(plugin().resourceListeners().patternCount(), 0u);
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 0u);
    EXPECT_EQ(plugin().serviceProxy().pendingCount(), 0u);
}

}  // namespace
}  // namespace kor::testing
