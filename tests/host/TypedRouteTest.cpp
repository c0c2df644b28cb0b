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

TEST_F(TypedRoutes, SettingsPatchTakesTheJsonBodyWhateverTheCaseOfItsType) {
    BindingProperty received;
    RouteBuilder route = Add(PluginMethod::Patch, "/kor-game-settings/v1/game-settings",
                             [&](const BindingProperty& change) {
                                 received = change;
                                 return change;
                             });
    route.AddBodyParameter<BindingProperty>("settingsResource", "");
    for (const char* type : {"application/json; charset=utf-8", "APPLICATION/JSON", "application/vnd.api+json"}) {
        RequestBuilder request;
        request.Method("PATCH").Url("/kor-game-settings/v1/game-settings").Body(type, R"({"HUD": {"ChatScale": 120}})");
        ResponseHolder response;
        Call(route, request, response);
        ASSERT_FALSE(response.failed()) << type << ": " << response.error();
        EXPECT_EQ(response.value().value(),
                  HostValue::Structure({{"HUD", HostValue::Structure({{"ChatScale", HostValue::Unsigned(120)}})}}));
        EXPECT_EQ(received.Member("HUD").Member("ChatScale").GetUnsigned(), 120u);
    }
}

TEST_F(TypedRoutes, JsonBodyStopsAtItsSizeAndAtAZeroByte) {
    RouteBuilder route = Add(PluginMethod::Patch, "/b", [](const BindingProperty& body) { return body; });
    route.AddBodyParameter<BindingProperty>("body", "");
    RequestBuilder request;
    request.Method("PATCH").Url("/b").Body("application/json", std::string("[1]\0garbage", 11));
    ResponseHolder response;
    Call(route, request, response);
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(response.value().value(), HostValue::Collection({HostValue::Unsigned(1)}));

    RequestBuilder broken;
    broken.Method("PATCH").Url("/b").Body("application/json", "[1,");
    ResponseHolder failed;
    Call(route, broken, failed);
    EXPECT_EQ(failed.error(), std::string(ReadJson("[1,").ErrorText()));  // the reader's own message
}

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

TEST_F(TypedRoutes, YamlBody) {
    RouteBuilder route = Add(PluginMethod::Post, "/y", [](const BindingProperty& body) { return body; });
    route.AddBodyParameter<BindingProperty>("body", "");
    RequestBuilder request;
    request.Method("POST").Url("/y").Body("application/x-yaml", "a: yes\nb: [1, x]\n");
    ResponseHolder response;
    Call(route, request, response);
    std::string unavailable;
    if (GetYamlFunctions(unavailable) == nullptr) {
        // Without libyaml the call fails with the reason, and nothing else
        // breaks.
        ASSERT_TRUE(response.failed());
        EXPECT_NE(response.error().find("YAML is not available: libyaml could not be loaded ("), std::string::npos)
            << response.error();
        return;
    }
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(response.value().value(),
              HostValue::Structure({{"a", HostValue::Bool(true)},
                                    {"b", HostValue::Collection({HostValue::Unsigned(1), HostValue::String("x")})}}));
}

// ---- Structured parameters from text ----

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

// ---- Native arguments and answers ----

TEST_F(TypedRoutes, ArgumentsConvertToTheHandlersTypes) {
    RouteBuilder route = Add(PluginMethod::Get, "/n", [](bool flag, int32_t count, const std::string& name) {
        return name + ":" + std::to_string(count) + (flag ? "!" : "");
    });
    route.AddParameter<bool>("flag", "").AddParameter<int32_t>("count", "").AddParameter<std::string>("name", "");
    EXPECT_EQ(registry_.FindFunction("GetN")->returnType.kind, BindingTypeKind::String);

    RequestBuilder request;
    request.Method("GET").Url("/n", "flag=true&count=0x1F&name=x");
    ResponseHolder response;
    Call(route, request, response);
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(response.value().value(), HostValue::String("x:31!"));

    RequestBuilder badCount;
    badCount.Method("GET").Url("/n", "count=12abc&name=x");
    ResponseHolder failed;
    Call(route, badCount, failed);
    EXPECT_EQ(failed.error(), "Value 12abc for 'count' of type int32 is in an incorrect format");

    RequestBuilder missing;
    missing.Method("GET").Url("/n", "count=1");
    ResponseHolder absent;
    Call(route, missing, absent);
    EXPECT_EQ(absent.error(), "A value for 'name' is required.");
}

TEST_F(TypedRoutes, OptionalParametersLeftOutKeepTheirDefault) {
    RouteBuilder route = Add(PluginMethod::Get, "/o", [](bool flag, int64_t number) {
        return std::to_string(number) + (flag ? "t" : "f");
    });
    route.AddParameter<bool>("flag", "", true).AddParameter<int64_t>("number", "", true);
    RequestBuilder request;
    request.Method("GET").Url("/o");
    ResponseHolder response;
    Call(route, request, response);
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(response.value().value(), HostValue::String("0f"));
}

TEST_F(TypedRoutes, AnswersOfEveryShape) {
    RouteBuilder flag = Add(PluginMethod::Post, "/kor-game-settings/v1/save", [] { return true; });
    RouteBuilder nothing = Add(PluginMethod::Post, "/nothing", [] {});
    RouteBuilder refused = Add(PluginMethod::Post, "/refused", [] { return ErrorResponse(403, "No"); });
    EXPECT_EQ(registry_.FindFunction("PostKorGameSettingsV1Save")->returnType.kind, BindingTypeKind::Bool);
    EXPECT_EQ(registry_.FindFunction("PostNothing")->returnType.kind, BindingTypeKind::None);

    RequestBuilder save;
    save.Method("POST").Url("/kor-game-settings/v1/save");
    ResponseHolder saved;
    Call(flag, save, saved);
    EXPECT_EQ(saved.value().value(), HostValue::Bool(true));

    RequestBuilder empty;
    empty.Method("POST").Url("/nothing");
    ResponseHolder emptied;
    Call(nothing, empty, emptied);
    EXPECT_FALSE(emptied.failed());
    EXPECT_EQ(testing::Copy(emptied.view().value.kind), 0u);

    RequestBuilder refuse;
    refuse.Method("POST").Url("/refused");
    ResponseHolder refusal;
    Call(refused, refuse, refusal);
    EXPECT_EQ(refusal.error(), "No");
    EXPECT_EQ(refusal.status(), 403u);
}

TEST_F(TypedRoutes, HandlerMayAskForTheRequestInformation) {
    std::string url;
    uintptr_t word = 0;
    RouteBuilder route = Add(PluginMethod::Get, "/info/{id}", [&](const RequestInfo& info, const std::string& id) {
        url = std::string(info.url);
        word = info.callWord;
        return id;
    });
    route.AddParameter<std::string>("id", "");
    RequestBuilder request;
    request.Method("GET").Url("/info/7").CallWord(99);
    ResponseHolder response;
    Call(route, request, response);
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(response.value().value(), HostValue::String("7"));
    EXPECT_EQ(url, "/info/7");
    EXPECT_EQ(word, 99u);
}

TEST_F(TypedRoutes, HandlerAndParametersThatDisagreeFailTheCall) {
    int calls = 0;
    RouteBuilder route = Add(PluginMethod::Get, "/arity", [&](const std::string&, const std::string&) {
        ++calls;
        return true;
    });
    route.AddParameter<std::string>("only", "");
    RequestBuilder request;
    request.Method("GET").Url("/arity", "only=x");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_EQ(response.error(), "The handler of 'GetArity' takes 2 arguments, but 1 parameters are declared.");
    EXPECT_EQ(response.status(), 500u);
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace kor
