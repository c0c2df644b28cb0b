// The service-proxy tables fed through the dispatch function, and the
// telemetry sink.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host/ClientTestSupport.h"
#include "host/PluginClient.h"
#include "host/TelemetrySink.h"
#include "log/Log.h"

namespace kor::testing {
namespace {

using hostkit::HostValue;

HostValue Answer(std::string uuid, std::string service, std::string method, std::string payload) {
    return HostValue::Structure({{"uuid", HostValue::String(std::move(uuid))},
                                 {"serviceName", HostValue::String(std::move(service))},
                                 {"methodName", HostValue::String(std::move(method))},
                                 {"payload", HostValue::String(std::move(payload))}});
}

class ServiceProxyTest : public ClientTest {
protected:
    // The host log lines that contain `fragment`, with their levels.
    std::vector<TestHostTable::LogLine> LinesWith(std::string_view fragment) {
        std::vector<TestHostTable::LogLine> lines;
        for (const auto& line : host().logLines()) {
            if (line.message.find(fragment) != std::string::npos) lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(ServiceProxyTest, InitializeSubscribesTheThreeHandlersWithFlagOne) {
    for (const char* name : {"OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent", "OnServiceProxyAsyncEvent"}) {
        bool found = false;
        for (const auto& subscription : host().subscriptions()) {
            if (subscription.name != name) continue;
            found = true;
            EXPECT_EQ(subscription.flags, 1u);
            EXPECT_EQ(subscription.context, &plugin());
            EXPECT_EQ(subscription.dispatch, &PluginClient::DispatchServiceProxyEvent);
        }
        EXPECT_TRUE(found) << name;
    }
}

TEST_F(ServiceProxyTest, ALaterAnswerForTheSameUuidReplacesTheEarlier) {
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("u-1", "s", "m", "first"));
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("u-1", "s", "m", "second"));
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 1u);
    ASSERT_TRUE(plugin().serviceProxy().AnswerOf("u-1").has_value());
    EXPECT_EQ(plugin().serviceProxy().AnswerOf("u-1")->payload, "second");
}

TEST_F(ServiceProxyTest, EachArrivalFulfilsOnePendingRequest) {
    std::vector<std::string> fulfilled;
    plugin().serviceProxy().AddPendingRequest("inventory.getItems", [&fulfilled](const PluginServiceProxyResponse& r) {
        fulfilled.push_back("method:" + r.payload);
    });
    plugin().serviceProxy().AddPendingRequest("u-7", [&fulfilled](const PluginServiceProxyResponse& r) {
        fulfilled.push_back("uuid:" + r.payload);
    });
    host().DeliverEvent("OnServiceProxyMethodEvent", Answer("", "inventory", "getItems", "items"));
    EXPECT_EQ(fulfilled, std::vector<std::string>{"method:items"});
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("u-7", "", "", "seven"));
    EXPECT_EQ(fulfilled, (std::vector<std::string>{"method:items", "uuid:seven"}));
    EXPECT_EQ(plugin().serviceProxy().pendingCount(), 0u);
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 0u);

    const auto lines = LinesWith("probe: Fulfilled service proxy request: inventory.getItems");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, kLogAlways);
    EXPECT_EQ(LinesWith("probe: Fulfilled service proxy request: u-7").size(), 1u);
}

TEST_F(ServiceProxyTest, AnswersWithoutARequestWaitAndOnePassFulfilsOnlyOne) {
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("a", "", "", "1"));
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("b", "", "", "2"));
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 2u);
    EXPECT_TRUE(LinesWith("Fulfilled").empty());

    std::vector<std::string> fulfilled;
    const auto record = [&fulfilled](const PluginServiceProxyResponse& r) { fulfilled.push_back(r.uuid); };
    plugin().serviceProxy().AddPendingRequest("a", record);
    plugin().serviceProxy().AddPendingRequest("b", record);
    host().DeliverEvent("OnServiceProxyUuidEvent", Answer("c", "", "", "3"));  // c has no request
    EXPECT_EQ(fulfilled, std::vector<std::string>{"a"});
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 2u);  // b and c
}

TEST_F(ServiceProxyTest, AnswersArrivingOnTwoThreadsFulfilEveryRequest) {
    constexpr int kPerThread = 50;
    std::atomic<int> fulfilled{0};
    for (int index = 0; index < 2 * kPerThread; ++index) {
        plugin().serviceProxy().AddPendingRequest("u" + std::to_string(index),
                                                  [&fulfilled](const PluginServiceProxyResponse&) { ++fulfilled; });
    }
    const auto deliver = [this](int first) {
        for (int index = first; index < first + kPerThread; ++index) {
            host().DeliverEvent("OnServiceProxyUuidEvent", Answer("u" + std::to_string(index), "", "", ""));
        }
    };
    std::thread one(deliver, 0);
    std::thread two(deliver, kPerThread);
    one.join();
    two.join();
    EXPECT_EQ(fulfilled.load(), 2 * kPerThread);
    EXPECT_EQ(plugin().serviceProxy().pendingCount(), 0u);
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 0u);
}

TEST_F(ServiceProxyTest, AnAsyncMessageWithoutHandlerIsLoggedWithItsKey) {
    host().DeliverEvent("OnServiceProxyAsyncEvent", Answer("", "a", "b", "x"));
    const auto lines = LinesWith("probe: Could not find registered handler for async service proxy event a.b");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, kLogError);

    std::vector<std::string> handled;
    plugin().serviceProxy().SetAsyncHandler("a.b", [&handled](const PluginServiceProxyResponse& r) {
        handled.push_back(r.payload);
    });
    host().DeliverEvent("OnServiceProxyAsyncEvent", Answer("", "a", "b", "y"));
    EXPECT_EQ(handled, std::vector<std::string>{"y"});
    EXPECT_EQ(LinesWith("Could not find registered handler").size(), 1u);
    EXPECT_EQ(plugin().serviceProxy().answerCount(), 0u);  // messages are not answers
}

// ---- Telemetry --------------------------------------------------------------

TEST_F(ServiceProxyTest, TelemetryPostsToTheEventUrlAndIsReadyAtOnce) {
    host().AnswerValue("/telemetry/v1/events/app-start", HostValue());
    std::future<RequestResult<void>> sent = plugin().SendTelemetryEvent("app-start", {{"build", "7"}, {"os", "x"}});
    ASSERT_TRUE(sent.valid());
    EXPECT_EQ(sent.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_TRUE(sent.get().ok());

    ASSERT_EQ(host().requests().size(), 1u);
    const TestHostTable::SeenRequest request = host().requests()[0];
    EXPECT_EQ(request.method, 6u);
    EXPECT_EQ(request.url, "/telemetry/v1/events/app-start");
    ASSERT_EQ(request.arguments.size(), 1u);
    EXPECT_EQ(request.arguments[0].second,
              HostValue::Structure({{"build", HostValue::String("7")}, {"os", HostValue::String("x")}}));
}

TEST_F(ServiceProxyTest, AFailedTelemetryRequestIsHeldByTheFuture) {
    host().AnswerError("/telemetry/v1/events/crash", "unavailable", 503);
    std::future<RequestResult<void>> sent = plugin().telemetry().SendTelemetryEvent("crash", {});
    ASSERT_EQ(sent.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    RequestResult<void> result = sent.get();
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().status, 503u);
    EXPECT_EQ(result.error().message, "Error response for POST /telemetry/v1/events/crash: unavailable");
    EXPECT_TRUE(LinesWith("unavailable").empty());  // nothing is logged
}

}  // namespace
}  // namespace kor::testing
