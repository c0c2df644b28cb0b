#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "RecordingHost.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/PlainArena.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor::hostkit {
namespace {

using testing::RecordingHost;

// Records the arguments of the entries RecordingHost leaves alone.
class ArgumentHost : public RecordingHost {
public:
    std::vector<uintptr_t> entry1;
    std::vector<uint64_t> entry5;
    std::string lastSubscribedName;
    uint32_t lastFlags = 0;

protected:
    void Entry1(uintptr_t first, uintptr_t second) override { entry1 = {first, second}; }
    void Entry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value, uintptr_t fifth) override {
        entry5 = {first, second, third, value, fifth};
    }
    void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                        uint32_t flags) override {
        lastSubscribedName = name;
        lastFlags = flags;
        RecordingHost::SubscribeEvent(name, handle, dispatch, context, flags);
    }
};

std::vector<std::string> delivered;
void* deliveredContext = nullptr;
void RecordDispatch(const PluginEvent* event) {
    Outcome<HostValue> payload = ReadPlainValue(event->payload);
    delivered.push_back(std::string(event->name) + "=" + (payload.ok() ? *payload.value().AsString() : "?"));
    deliveredContext = event->context;
}

TEST(HostTableEntries, EveryEntryReachesItsOwnObject) {
    ArgumentHost host;
    RecordingHost other(8);  // a second table must not capture the first one's calls
    const PluginHostTable* table = host.host()->table;
    EXPECT_EQ(host.host()->handle, 7u);

    table->entry1(table, 1, 2);
    table->fireEvent(table, [] {
        static PluginEvent event;
        std::memset(&event, 0, sizeof event);
        event.name = "OnFired";
        return &event;
    }());
    int context = 0;
    table->subscribeEvent(table, "OnThing", 7, &RecordDispatch, &context, 3);
    table->entry5(table, 1, 2, 3, 0x1234567890ull, 5);
    table->yield(table);
    table->beginWait(table, "Wait: yield", 0);
    EXPECT_EQ(table->endWait(table), 0u);
    table->log(table, 2, "line");
    table->unsubscribeEvent(table, "OnThing", 7);

    EXPECT_EQ(host.entry1, (std::vector<uintptr_t>{1, 2}));
    ASSERT_EQ(host.fired.size(), 1u);
    EXPECT_EQ(host.fired[0].name, "OnFired");
    EXPECT_EQ(host.lastSubscribedName, "OnThing");
    EXPECT_EQ(host.lastFlags, 3u);
    EXPECT_EQ(host.entry5, (std::vector<uint64_t>{1, 2, 3, 0x1234567890ull, 5}));
    EXPECT_EQ(host.yields, 1);
    EXPECT_EQ(host.waitLabels, std::vector<std::string>{"Wait: yield"});
    EXPECT_EQ(host.endWaits, 1);
    ASSERT_EQ(host.logs.size(), 1u);
    EXPECT_EQ(host.logs[0].level, 2);
    EXPECT_EQ(host.logs[0].message, "line");
    EXPECT_EQ(host.unsubscribeCalls, 1);
    EXPECT_TRUE(other.logs.empty());
    EXPECT_TRUE(other.fired.empty());
}

TEST(HostTableEntries, DefaultRequestAnswerIsANotFoundError) {
    HostTable host;
    RequestBuilder request;
    request.Method("DELETE").Url("/nowhere", "q=1");
    ResponseHolder response;
    host.host()->table->sendRequest(host.host()->table, response.record(), request.record());
    EXPECT_TRUE(response.failed());
    EXPECT_EQ(response.status(), 404u);
    EXPECT_EQ(response.error(), "no host resource serves DELETE /nowhere?q=1");
}

class ThrowingHost : public RecordingHost {
public:
    bool fillBeforeThrowing = false;

protected:
    void SendRequest(PluginResponse* response, const PluginRequest*) override {
        if (fillBeforeThrowing) AnswerValue(response, HostValue::String("half-written"));
        throw std::runtime_error("boom");
    }
    void Log(int32_t, const char*) override { throw std::runtime_error("log broke"); }
    uint64_t EndWait() override { throw 42; }
};

TEST(HostTableTrampolines, ExceptionsNeverReachThePlugin) {
    ThrowingHost host;
    const PluginHostTable* table = host.host()->table;
    table->log(table, 0, "x");
    EXPECT_EQ(table->endWait(table), 0u);
    ASSERT_EQ(host.failures.size(), 2u);
    EXPECT_EQ(host.failures[0].entry, "log");
    EXPECT_EQ(host.failures[0].what, "log broke");
    EXPECT_EQ(host.failures[1].entry, "endWait");
    EXPECT_EQ(host.failures[1].what, "unknown exception");
}

TEST(HostTableTrampolines, AFailingRequestStillGetsAnErrorAnswer) {
    for (bool fillFirst : {false, true}) {
        ThrowingHost host;
        host.fillBeforeThrowing = fillFirst;
        RequestBuilder request;
        request.Method("GET").Url("/x");
        ResponseHolder response;
        host.host()->table->sendRequest(host.host()->table, response.record(), request.record());
        EXPECT_TRUE(response.failed());
        EXPECT_EQ(response.status(), 500u);
        EXPECT_EQ(response.error(), "the host failed to answer the request: boom");
        EXPECT_EQ(response.value().value(), HostValue());  // the half-written value was released
    }
}

TEST(HostTableTrampolines, NullArgumentsAreReportedNotFollowed) {
    RecordingHost host;
    const PluginHostTable* table = host.host()->table;
    table->subscribeEvent(table, nullptr, 7, &RecordDispatch, nullptr, 0);
    table->fireEvent(table, nullptr);
    table->log(table, 1, nullptr);
    ResponseHolder response;
    table->sendRequest(table, response.record(), nullptr);
    table->sendRequest(table, nullptr, nullptr);
    EXPECT_TRUE(host.subscriptions().empty());
    EXPECT_TRUE(host.fired.empty());
    ASSERT_EQ(host.logs.size(), 1u);
    EXPECT_EQ(host.logs[0].message, "");
    EXPECT_EQ(response.status(), 400u);
    EXPECT_EQ(response.error(), "null request record");
    ASSERT_EQ(host.failures.size(), 3u);
    EXPECT_EQ(host.failures[0].what, "null event name");
    EXPECT_EQ(host.failures[1].what, "null event record");
    EXPECT_EQ(host.failures[2].what, "null response record");
}

TEST(HostTableEvents, DeliveryReachesEverySubscriptionWithItsContext) {
    delivered.clear();
    RecordingHost host;
    const PluginHostTable* table = host.host()->table;
    int first = 0;
    int second = 0;
    table->subscribeEvent(table, "OnThing", 7, &RecordDispatch, &first, 0);
    table->subscribeEvent(table, "OnThing", 7, &RecordDispatch, &second, 0);  // same handle: replaces
    table->subscribeEvent(table, "OnOther", 7, &RecordDispatch, &first, 0);
    EXPECT_EQ(host.subscriptions().size(), 2u);
    EXPECT_TRUE(host.IsSubscribed("OnThing"));

    EXPECT_EQ(host.DeliverEvent("OnThing", HostValue::String("payload")), 1u);
    EXPECT_EQ(delivered, std::vector<std::string>{"OnThing=payload"});
    EXPECT_EQ(deliveredContext, &second);

    table->subscribeEvent(table, "OnThing", 9, &RecordDispatch, &first, 0);  // another plug-in handle
    EXPECT_EQ(host.DeliverEvent("OnThing", HostValue::String("twice")), 2u);

    table->unsubscribeEvent(table, "OnThing", 7);
    table->unsubscribeEvent(table, "OnThing", 9);
    EXPECT_FALSE(host.IsSubscribed("OnThing"));
    EXPECT_EQ(host.DeliverEvent("OnThing", HostValue()), 0u);
    EXPECT_EQ(host.DeliverEvent("OnUnknown", HostValue()), 0u);
    EXPECT_EQ(host.subscribeCalls, 4);
}

HostTable* reentrantHost = nullptr;
void SubscribingDispatch(const PluginEvent* event) {
    const PluginHostTable* table = reentrantHost->host()->table;
    table->subscribeEvent(table, "OnLater", 7, &RecordDispatch, event->context, 0);
}

TEST(HostTableEvents, ADispatchMaySubscribeWhileBeingDelivered) {
    RecordingHost host;
    reentrantHost = &host;
    const PluginHostTable* table = host.host()->table;
    table->subscribeEvent(table, "OnFirst", 7, &SubscribingDispatch, nullptr, 0);
    EXPECT_EQ(host.DeliverEvent("OnFirst", HostValue()), 1u);
    EXPECT_TRUE(host.IsSubscribed("OnLater"));
}

}  // namespace
}  // namespace kor::hostkit
