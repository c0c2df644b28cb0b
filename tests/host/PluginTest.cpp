// The plug-in frame in process: registration into the context block, the
// three callbacks, the host log target, the forwarding primitives and the
// subscription bookkeeping, driven through the test host's table.
#include <gtest/gtest.h>


#include <array>
#include <functional>
#include <limits>
#include <string>

#include "host/Plugin.h"
#include "host/router/PluginResponseRecord.h"
#include "log/Logger.h"
#include "platform/CountingAllocator.h"
#include "support/TestHost.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/Unpacked.h"

namespace kor {
namespace {

using hostkit::testing::Unpacked;

using hostkit::HostValue;
using testing::TestHostTable;

// What a plug-in saw at its end, kept outside the object.
struct EndRecord {
    bool destroyed = false;
    int shutdownCalls = 0;
    bool sawShuttingDown = false;
};

// A concrete plug-in that records how it ends.
class ProbePlugin : public Plugin {
public:
    explicit ProbePlugin(EndRecord* end = nullptr) : end_(end) {}
    ~ProbePlugin() override {
        if (end_ != nullptr) end_->destroyed = true;
    }
    void RegisterApi() override {}
    void Shutdown() override {
        if (end_ != nullptr) {
            ++end_->shutdownCalls;
            end_->sawShuttingDown = shuttingDown();
        }
        Plugin::Shutdown();
    }

private:
    EndRecord* end_;
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { DestroyLoggerForTesting(); }
    void TearDown() override { DestroyLoggerForTesting(); }

    // A registered plug-in on the heap, as the entry point makes it; the
    // shut-down callback frees it.
    ProbePlugin* Registered(EndRecord* end = nullptr) {
        auto* plugin = new ProbePlugin(end);
        context_ = PluginHostContext{};
        context_.apiMajor = 18;
        plugin->Register(&context_, "probe");
        return plugin;
    }

    PluginHostContext context_{};
};

// ---- Registration ------------------------------------------------------------

TEST_F(PluginTest, MemoryStatisticsAreTheSixCountersThenTwoZeroWords) {
    ProbePlugin* plugin = Registered();
    void* block = platform::CountedAllocate(64);  // something counted, whatever the build
    std::array<uint32_t, 14> words;
    words.fill(0xDEADBEEF);
    context_.callbacks->memoryStats(nullptr, words.data());
    const platform::MemoryCounters c = platform::ReadMemoryCounters();
    platform::CountedFree(block);
    const uint64_t expected[7] = {c.peakBytes, c.blocksAtPeak, c.bytesAllocated, c.allocations, c.bytesFreed, c.frees, 0};
    for (int index = 0; index < 7; ++index) {
        EXPECT_EQ(uint64_t{words[2 * index + 1]} << 32 | words[2 * index], expected[index]) << "word pair " << index;
    }
    EXPECT_GT(c.allocations, 0u);
    context_.callbacks->shutdown(plugin);
}

TEST_F(PluginTest, PrimitivesBeforeInitializeDoNothingAndRequestsFail) {
    ProbePlugin* plugin = Registered();
    PluginRequest request{};
    PluginResponse response{};
    plugin->SendRequest(&response, &request);
    EXPECT_EQ(Unpacked(response.errorFlag), 1);
    ASSERT_NE(Unpacked(response.error), nullptr);
    EXPECT_STREQ(response.error, "The plug-in has not been initialized by a host");
    ASSERT_NE(Unpacked(response.release), nullptr);
    response.release(&response);

    plugin->Yield();
    plugin->HostEntry5(1, 2, 3, 4, 5);
    plugin->BeginWait("x", 0);
    EXPECT_EQ(plugin->EndWait(), 0u);
    plugin->Subscribe("/kor-login/v1/session");
    EXPECT_EQ(plugin->events().SubscriptionCount("OnJsonApiEvent_kor-login_v1_session"), 1u);
    context_.callbacks->shutdown(plugin);
}

// Host answers that must read as failures, however they are shaped, and
// streamed answers whose hints or reads are out of bounds; every host record
// is released once.
int g_releases = 0;

TEST_F(PluginTest, PrimitivesForwardAndHostAnswersOfEveryShapeBecomeResults) {
    TestHostTable host;
    ProbePlugin* plugin = Registered();
    ASSERT_EQ(context_.callbacks->initialize(plugin, host.host()), 1);
    PluginEvent event{};
    event.name = "OnProbe";
    event.payload.kind = 1;
    event.payload.payload.boolValue = 1;
    plugin->FireEvent(&event);
    ASSERT_EQ(host.firedEvents().size(), 1u);
    EXPECT_EQ(host.firedEvents()[0].name, "OnProbe");
    EXPECT_EQ(host.firedEvents()[0].payload, HostValue::Bool(true));
    plugin->BeginWait("Wait: yield", 0);
    plugin->Yield();
    EXPECT_EQ(plugin->EndWait(), 0u);
    EXPECT_EQ(host.waitLabels(), std::vector<std::string>{"Wait: yield"});
    EXPECT_EQ(host.yields(), 1);
    EXPECT_EQ(host.endWaits(), 1);

    const auto overlong = [](void*, void*, uint32_t* length, uint8_t* more) -> uint8_t {
        *length += 1;  // more than the buffer holds
        *more = 0;
        return 1;
    };
    using Answer = std::function<void(PluginResponse*)>;
    const struct {
        const char* url;
        Answer answer;
        const char* expected;
    } cases[] = {
        {"/flag", [](PluginResponse* r) { hostkit::AnswerValue(r, HostValue::Bool(true), 503); r->errorFlag = 1; }, "503 Error response for GET /flag: "},
        {"/gone", [](PluginResponse* r) { hostkit::AnswerValue(r, HostValue(), 410); }, "410 Error response for GET /gone: "},
        {"/moved", [](PluginResponse* r) { hostkit::AnswerValue(r, HostValue::Bool(true), 304); }, "true"},  // below 400: an answer
        {"/hint", [](PluginResponse* r) { hostkit::AnswerStream(r, {{"true"}, {}, std::numeric_limits<uint64_t>::max(), {}}); }, "true"},
        {"/overlong", [overlong](PluginResponse* r) { *r = PluginResponse{}; r->streamRead = overlong; },
         "0 Error reading streamed response for GET /overlong: Stream read error"},
    };
    g_releases = 0;
    for (const auto& c : cases) {
        host.OnRequest(c.url, [answer = c.answer](PluginResponse* response, const PluginRequest*) {
            answer(response);
            if (response->release != nullptr) response->release = [](PluginResponse* r) { ++g_releases; hostkit::ReleaseHostResponse(r); };
        });
        RequestResult<BindingProperty> result = plugin->requests().Request<BindingProperty>(PluginMethod::Get, c.url);
        EXPECT_EQ(host.requests().back().url, c.url);
        EXPECT_EQ(result.ok() ? (result.value().GetBool() ? "true" : "false")
                              : std::to_string(result.error().status) + " " + result.error().message,
                  c.expected);
    }
    EXPECT_EQ(g_releases, 4);
    context_.callbacks->shutdown(plugin);
}

// The shut-down callback flags the plug-in, runs its Shutdown, unsubscribes
// everything and destroys it: nothing is delivered after.
TEST_F(PluginTest, NamedHandlersReceiveDeliveredEventsUntilShutDown) {
    TestHostTable host;
    EndRecord end;
    ProbePlugin* plugin = Registered(&end);
    ASSERT_EQ(context_.callbacks->initialize(plugin, host.host()), 1);
    host.ClearRecords();

    std::vector<std::string> seen;
    plugin->events().RegisterEventHandler("OnProbeProxyEvent",
                                 EventTable::ServiceProxyEventHandler(
                                     [&seen](const PluginServiceProxyResponse& response) { seen.push_back(response.uuid); }));
    plugin->Subscribe("/kor-login/v1/session");
    ASSERT_EQ(host.subscriptionCalls().size(), 2u);
    EXPECT_EQ(host.subscriptionCalls()[0].flags, 1u);
    EXPECT_EQ(host.subscriptionCalls()[1].flags, 0u);
    EXPECT_EQ(host.DeliverEvent("OnProbeProxyEvent", HostValue::Structure({{"uuid", HostValue::String("u-1")}})), 1u);
    EXPECT_EQ(seen, (std::vector<std::string>{"u-1"}));
    // A payload that does not convert is dropped; so are unknown names,
    // records without a name or context, and a handler of the other form.
    EXPECT_EQ(host.DeliverEvent("OnProbeProxyEvent", HostValue::String("not a record")), 1u);
    EXPECT_EQ(host.DeliverEvent("OnJsonApiEvent_kor-login_v1_session", HostValue()), 1u);
    PluginEvent stray{};
    stray.context = &plugin->events();
    EventTable::DispatchServiceProxyEvent(&stray);
    stray.name = "OnUnknown";
    EventTable::DispatchServiceProxyEvent(&stray);
    stray.name = "OnProbeProxyEvent";
    EventTable::DispatchResourceEvent(&stray);
    stray.context = nullptr;
    EventTable::DispatchServiceProxyEvent(&stray);
    EventTable::DispatchServiceProxyEvent(nullptr);
    EXPECT_EQ(seen.size(), 1u);

    // Subscriptions to one resource are counted: the host hears of the
    // unsubscription only when the last one goes. A resource event whose uri
    // lacks the leading "/" reaches the listeners of the rooted path.
    std::vector<std::string> uris;
    plugin->events().ObserveResourceEvents("/kor-login/v1/session",
                                           [&uris](const PluginResourceEvent& event) { uris.push_back(event.uri); });
    plugin->Unsubscribe("/kor-login/v1/session");
    EXPECT_EQ(host.subscriptionCalls().size(), 2u);
    host.DeliverEvent("OnJsonApiEvent_kor-login_v1_session",
                      HostValue::Structure({{"uri", HostValue::String("kor-login/v1/session")},
                                            {"eventType", HostValue::String("Update")}}));
    EXPECT_EQ(uris, (std::vector<std::string>{"/kor-login/v1/session"}));
    plugin->Unsubscribe("/kor-login/v1/session");
    ASSERT_EQ(host.subscriptionCalls().size(), 3u);
    EXPECT_FALSE(host.subscriptionCalls()[2].subscribe);

    context_.callbacks->shutdown(plugin);
    EXPECT_EQ(Unpacked(end.shutdownCalls), 1);
    EXPECT_TRUE(end.sawShuttingDown);
    EXPECT_TRUE(end.destroyed);
    EXPECT_TRUE(host.subscriptions().empty());
    EXPECT_EQ(host.DeliverEvent("OnProbeProxyEvent", HostValue::String("u-2")), 0u);
}

}  // namespace
}  // namespace kor
