#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RouterTestSupport.h"
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/NativeTypeIds.h"
#include "binding/YamlLibrary.h"
#include "host/FunctionCallContext.h"
#include "host/FunctionInvoke.h"
#include "host/TypedRouteInvoker.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::RequestBuilder;
using hostkit::ResponseHolder;

// Routes registered with typed handlers and called through the invoke
// function, as the host calls them.
class TypedRoutes : public ::testing::Test {
protected:
    template <class Handler>
    RouteBuilder Add(PluginMethod method, std::string_view path, Handler handler) {
        RouteBuilder builder = RegisterRoute(registry_, tags_, method, path, std::move(handler));
        contexts_.push_back(std::make_unique<FunctionCallContext>(FunctionCallContext{&registry_, builder.binding()}));
        return builder;
    }

    void Call(const RouteBuilder& route, RequestBuilder& request, ResponseHolder& response) {
        for (const auto& context : contexts_) {
            if (context->handlerBinding == route.binding()) request.CallContext(context.get());
        }
        InvokePluginFunction(response.record(), request.record());
    }

    BindingRegistry registry_;
    std::vector<std::string> tags_{"Plugins", "Plugin kor-game-settings"};
    std::vector<std::unique_ptr<FunctionCallContext>> contexts_;
};

// ---- Bodies ----

TEST_F(TypedRoutes, MessagePackBodyMustBeConsumedWhole) {
    RouteBuilder route = Add(PluginMethod::Post, "/m", [](const BindingProperty& body) { return body; });
    route.AddBodyParameter<BindingProperty>("body", "");
    RequestBuilder exact;
    exact.Method("POST").Url("/m").Body("application/x-msgpack", std::string("\x92\x01\xA1x", 4));
    ResponseHolder first;
    Call(route, exact, first);
    ASSERT_FALSE(first.failed()) << first.error();
    EXPECT_EQ(first.value().value(), HostValue::Collection({HostValue::Signed(1), HostValue::String("x")}));

    RequestBuilder trailing;
    trailing.Method("POST").Url("/m").Body("application/x-msgpack", std::string("\x92\x01\xA1x\x00", 5));
    ResponseHolder second;
    Call(route, trailing, second);
    EXPECT_EQ(second.error(), "Extra MessgePack data found in body");

    RequestBuilder invalid;
    invalid.Method("POST").Url("/m").Body("application/x-msgpack", "\xC1");
    ResponseHolder third;
    Call(route, invalid, third);
    EXPECT_EQ(third.error(), "Invalid MessagePack data at position 1.");
}

TEST_F(TypedRoutes, StructuredParameterTextIsSniffed) {
    std::vector<int32_t> seen;
    RouteBuilder route = Add(PluginMethod::Get, "/l", [&](std::vector<int32_t> list) {
        seen = list;
        return static_cast<uint32_t>(list.size());
    });
    route.AddParameter<std::vector<int32_t>>("list", "");
    for (const char* query : {"list=[1,2]", "list=%20%20[1,2]", "list=%92%01%02"}) {
        RequestBuilder request;
        request.Method("GET").Url("/l", query);
        ResponseHolder response;
        Call(route, request, response);
        ASSERT_FALSE(response.failed()) << query << ": " << response.error();
        EXPECT_EQ(seen, (std::vector<int32_t>{1, 2})) << query;
        EXPECT_EQ(response.value().value(), HostValue::Unsigned(2));
    }

    RequestBuilder broken;
    broken.Method("GET").Url("/l", "list=[1,x]");
    ResponseHolder failed;
    Call(route, broken, failed);
    EXPECT_EQ(failed.error(), "Couldn't deserialize JSON value for parameter 'list' of 'GetL': " +
                                  std::string(ReadJson("[1,x]").ErrorText()));

    RequestBuilder truncated;
    truncated.Method("GET").Url("/l", "list=%DC%00");
    ResponseHolder failedPack;
    Call(route, truncated, failedPack);
    const uint8_t bytes[] = {0xDC, 0x00};
    EXPECT_EQ(failedPack.error(), "Couldn't deserialize MessagePack value for parameter 'list' of 'GetL': " +
                                      std::string(ReadMessagePack(bytes).result.ErrorText()));
}

}  // namespace
}  // namespace kor
