// The built library's event plumbing as the host sees it: the service-proxy
// handlers that initialize subscribes, their dispatch, hostile payloads, and
// the unsubscriptions of the shut-down.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "support/TestHost.h"

namespace kor {
namespace {

using hostkit::HostValue;
using testing::TestHost;
using testing::TestHostTable;

constexpr const char* kLibrary = KOR_GAME_SETTINGS_LIBRARY;
const std::set<std::string> kServiceProxyEvents = {"OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                                   "OnServiceProxyAsyncEvent"};

std::unique_ptr<TestHost> InitializedHost() {
    auto host = std::make_unique<TestHost>(kLibrary);
    hostkit::Outcome<void> loaded = host->Load();
    EXPECT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_TRUE(host->Initialize());
    return host;
}

HostValue AsyncMessage(std::string service, std::string method) {
    return HostValue::Structure({{"uuid", HostValue::String("")},
                                 {"serviceName", HostValue::String(std::move(service))},
                                 {"methodName", HostValue::String(std::move(method))},
                                 {"payload", HostValue::String("{}")}});
}

std::size_t LinesContaining(const TestHostTable& table, std::string_view fragment, int32_t level) {
    std::size_t count = 0;
    for (const auto& line : table.logLines()) {
        if (line.level == level && line.message.find(fragment) != std::string::npos) ++count;
    }
    return count;
}

TEST(ServiceProxyLibraryTest, InitializeSubscribesTheServiceProxyEventsAndShutdownDropsThem) {
    auto host = InitializedHost();
    std::set<std::string> subscribed;
    for (const auto& subscription : host->table().subscriptions()) {
        if (kServiceProxyEvents.count(subscription.name) == 0) continue;
        subscribed.insert(subscription.name);
        EXPECT_EQ(subscription.flags, 1u) << subscription.name;
        EXPECT_EQ(subscription.handle, host->table().host()->handle);
        EXPECT_EQ(subscription.context, host->context().plugin);
    }
    EXPECT_EQ(subscribed, kServiceProxyEvents);

    host->table().ClearRecords();
    host->Shutdown();
    std::set<std::string> unsubscribed;
    for (const auto& call : host->table().subscriptionCalls()) {
        EXPECT_FALSE(call.subscribe) << call.name;
        unsubscribed.insert(call.name);
    }
    for (const std::string& name : kServiceProxyEvents) EXPECT_EQ(unsubscribed.count(name), 1u) << name;
    EXPECT_TRUE(host->table().subscriptions().empty());
}

TEST(ServiceProxyLibraryTest, AnAsyncMessageWithoutHandlerIsLoggedWithItsKey) {
    auto host = InitializedHost();
    EXPECT_EQ(host->DeliverEvent("OnServiceProxyAsyncEvent", AsyncMessage("a", "b")), 1u);
    EXPECT_EQ(LinesContaining(host->table(),
                              "kor-game-settings: Could not find registered handler for async service proxy event a.b",
                              2),
              1u);
    EXPECT_TRUE(host->table().failures().empty());
}

TEST(ServiceProxyLibraryTest, PayloadsThatDoNotConvertAreDroppedQuietly) {
    auto host = InitializedHost();
    EXPECT_EQ(host->DeliverEvent("OnServiceProxyAsyncEvent", HostValue::String("no record")), 1u);
    EXPECT_EQ(host->DeliverEvent("OnServiceProxyUuidEvent", HostValue::Collection({HostValue::Bool(true)})), 1u);
    EXPECT_EQ(host->DeliverEvent("OnServiceProxyMethodEvent", HostValue::Signed(3)), 1u);
    EXPECT_EQ(LinesContaining(host->table(), "Could not find registered handler", 2), 0u);

    // Records no well-behaved host sends: a kind outside the table, a null
    // member array with a count, a null name.
    for (const auto& subscription : host->table().subscriptions()) {
        if (kServiceProxyEvents.count(subscription.name) == 0) continue;
        PluginEvent event;
        std::memset(static_cast<void*>(&event), 0, sizeof event);
        event.name = subscription.name.c_str();
        event.context = subscription.context;
        event.payload.kind = 77;
        subscription.dispatch(&event);
        event.payload.kind = 10;
        event.payload.payload.structure.count = 1000;
        subscription.dispatch(&event);
        event.name = nullptr;
        subscription.dispatch(&event);
    }
    EXPECT_TRUE(host->table().failures().empty());

    // The plug-in still works afterwards.
    host->DeliverEvent("OnServiceProxyAsyncEvent", AsyncMessage("c", "d"));
    EXPECT_EQ(LinesContaining(host->table(), "async service proxy event c.d", 2), 1u);
}

}  // namespace
}  // namespace kor
