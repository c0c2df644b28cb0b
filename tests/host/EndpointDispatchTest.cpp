#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "RouterTestSupport.h"
#include "host/HandlerOutcome.h"
#include "host/PluginResponseRecord.h"
#include "host/RouteHandlerBinding.h"
#include "platform/Clock.h"
#include "tools/hostkit/HostValue.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::RequestBuilder;
using hostkit::ResponseHolder;

class EndpointDispatch : public testing::RouterFixture {};

// ---- Routing the call ----

TEST_F(EndpointDispatch, UnmatchedPathIsAnInvalidFunction) {
    Route& route = AddRoute(PluginMethod::Get, "/kor-game-settings/v1/ready");
    RequestBuilder request;
    request.Method("GET").Url("/kor-game-settings/v1/readyx");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_TRUE(response.failed());
    EXPECT_EQ(testing::Copy(response.view().errorFlag), 1);
    EXPECT_EQ(response.error(), "Invalid function");
    EXPECT_EQ(response.status(), 404u);
    EXPECT_EQ(testing::Copy(response.view().value.kind), 0u);
    EXPECT_EQ(testing::Copy(response.view().release), &ReleasePluginResponse);
    EXPECT_EQ(route.log->invokes, 0);
}

TEST_F(EndpointDispatch, MethodsMustFitTheRoute) {
    Route& get = AddRoute(PluginMethod::Get, "/r");
    Route& any = AddRoute(PluginMethod::None, "/any");
    for (const auto& [route, method, expected] : std::vector<std::tuple<Route*, uint32_t, uint32_t>>{
             {&get, 2, 0}, {&get, 6, 404}, {&get, 9, 404}, {&get, 0, 404},
             {&any, 2, 0}, {&any, 8, 0}, {&any, 9, 0}}) {
        RequestBuilder request;
        request.MethodByNumber(method, method == 8 ? "PURGE" : "").Url(route == &get ? "/r" : "/any");
        ResponseHolder response;
        Call(*route, request, response);
        EXPECT_EQ(response.status(), expected) << "method " << method;
    }
    EXPECT_EQ(get.log->invokes, 1);
    EXPECT_EQ(any.log->invokes, 3);
}

TEST_F(EndpointDispatch, CustomMethodNeedsTheSameText) {
    BindingFunctionBuilder function = registry_.BeginFunction("Purge");
    auto log = std::make_shared<testing::InvokerLog>();
    auto binding = std::make_unique<RouteHandlerBinding>(
        *function.descriptor(), std::make_unique<testing::RecordingInvoker>(log, nullptr, false), "/cache", 8, "PURGE");
    const FunctionCallContext context{&registry_, binding.get()};
    function.SetHandler(std::move(binding));

    for (const auto& [number, text, expected] : std::vector<std::tuple<uint32_t, const char*, uint32_t>>{
             {8, "PURGE", 0}, {8, "purge", 404}, {8, "FETCH", 404}, {2, "", 404}}) {
        RequestBuilder request;
        request.MethodByNumber(number, text).Url("/cache").CallContext(&context);
        ResponseHolder response;
        InvokePluginFunction(response.record(), request.record());
        EXPECT_EQ(response.status(), expected) << text;
    }
    EXPECT_EQ(log->invokes, 1);
}

TEST_F(EndpointDispatch, EmptyPathRoutesByTheFunctionName) {
    BindingFunctionBuilder function = registry_.BeginFunction("DoThing");
    auto log = std::make_shared<testing::InvokerLog>();
    auto binding = std::make_unique<RouteHandlerBinding>(
        *function.descriptor(), std::make_unique<testing::RecordingInvoker>(log, nullptr, false), "", 0);
    const FunctionCallContext context{&registry_, binding.get()};
    function.SetHandler(std::move(binding));
    RequestBuilder request;
    request.Method("POST").Url("DoThing").CallContext(&context);
    ResponseHolder response;
    InvokePluginFunction(response.record(), request.record());
    EXPECT_FALSE(response.failed());
    EXPECT_EQ(log->invokes, 1);
}

TEST_F(EndpointDispatch, MalformedRecordsAreAnsweredNotCrashedOn) {
    Route& route = AddRoute(PluginMethod::Patch, "/m");
    route.builder.AddBodyParameter("body", "", BindingTypeIdentifier{BindingTypeKind::Object});

    ResponseHolder noRequest;
    InvokePluginFunction(noRequest.record(), nullptr);
    EXPECT_EQ(noRequest.error(), "Invalid function");
    InvokePluginFunction(nullptr, nullptr);  // nothing to answer into: nothing happens

    PluginRequest record{};
    record.method = 5;
    record.callContext = nullptr;
    record.url = "/m";
    ResponseHolder noContext;
    InvokePluginFunction(noContext.record(), &record);
    EXPECT_EQ(noContext.status(), 404u);

    const FunctionCallContext empty{&registry_, nullptr};
    record.callContext = &empty;
    ResponseHolder noBinding;
    InvokePluginFunction(noBinding.record(), &record);
    EXPECT_EQ(noBinding.status(), 404u);

    // Null URL, arrays with counts, null header names and values, a body
    // with a null content type.
    const PluginHeader headers[] = {{nullptr, "v"}, {"body", nullptr}};
    const uint8_t body[] = {'{', '}'};
    record.callContext = &route.context;
    record.url = nullptr;
    record.args = nullptr;
    record.argCount = 1000;
    record.headers = nullptr;
    record.headerCount = 1000;
    ResponseHolder noUrl;
    InvokePluginFunction(noUrl.record(), &record);
    EXPECT_EQ(noUrl.error(), "Invalid function");

    record.url = "/m";
    record.headers = headers;
    record.headerCount = 2;
    record.body = body;
    record.bodySize = sizeof body;
    record.contentType = nullptr;
    ResponseHolder noType;
    InvokePluginFunction(noType.record(), &record);
    EXPECT_EQ(noType.error(), "Unsupported body content type");
    EXPECT_EQ(route.log->invokes, 0);
}

// ---- Writing the outcome ----

TEST_F(EndpointDispatch, SuccessfulAnswerFillsEveryField) {
    static int destroyed = 0;
    static int streamObject = 0;
    Route& route = AddRoute(PluginMethod::Get, "/w", [](const std::vector<BindingProperty>&) {
        BindingProperty value;
        value.MemberForWrite("b").SetSigned(-2);
        value.MemberForWrite("a").SetString("text");
        HandlerOutcome outcome(std::move(value));
        outcome.flags = 0x5A;
        outcome.format = 2;
        outcome.status = 201;
        outcome.statusMessage = "Created";
        outcome.headers = {{"etag", "\"1\""}, {"x-count", "2"}};
        outcome.SetStream(HandlerStream{[](void*, void*, uint32_t* length, uint8_t* more) -> uint8_t {
                                            *length = 0;
                                            *more = 0;
                                            return 1;
                                        },
                                        [](void*) { ++destroyed; }, &streamObject, 77});
        return outcome;
    });
    RequestBuilder request;
    request.Method("GET").Url("/w").CallWord(0xC0FFEE);
    ResponseHolder response;
    Call(route, request, response);

    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(testing::Copy(response.view().error), nullptr);
    const auto value = response.value();
    ASSERT_TRUE(value) << value.error();
    EXPECT_EQ(value.value(), HostValue::Structure({{"a", HostValue::String("text")}, {"b", HostValue::Signed(-2)}}));
    EXPECT_EQ(response.resultFlags(), 0x5A);
    EXPECT_EQ(response.format(), 2u);
    EXPECT_EQ(response.status(), 201u);
    EXPECT_EQ(response.statusMessage(), "Created");
    const auto headers = response.headers();
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers.value(), (hostkit::HeaderList{{"etag", "\"1\""}, {"x-count", "2"}}));
    EXPECT_EQ(testing::Copy(response.view().stream), &streamObject);
    EXPECT_EQ(testing::Copy(response.view().streamSizeHint), 77u);
    EXPECT_EQ(route.log->callWord, 0xC0FFEEu);
    EXPECT_EQ(route.log->releases, 1);
    EXPECT_EQ(destroyed, 0);  // the host owns the stream now
    response.Release();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(EndpointDispatch, PlainAnswerHasEmptyStatusMessageAndZeroFormat) {
    Route& route = AddRoute(PluginMethod::Get, "/p", [](const std::vector<BindingProperty>&) {
        HandlerOutcome outcome;
        outcome.format = 7;
        return outcome;
    });
    RequestBuilder request;
    request.Method("GET").Url("/p");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_FALSE(response.failed());
    EXPECT_EQ(testing::Copy(response.view().value.kind), 0u);  // an empty answer travels as kind 0
    EXPECT_EQ(response.format(), 0u);
    EXPECT_EQ(response.status(), 0u);
    ASSERT_NE(testing::Copy(response.view().statusMessage), nullptr);
    EXPECT_STREQ(testing::Copy(response.view().statusMessage), "");
    EXPECT_EQ(testing::Copy(response.view().headers), nullptr);
    EXPECT_EQ(testing::Copy(response.view().streamRead), nullptr);
}

TEST_F(EndpointDispatch, HandlerFailuresCarryTheirStatus) {
    Route& conflict = AddRoute(PluginMethod::Get, "/c", [](const std::vector<BindingProperty>&) {
        return ErrorResponse(409, "Already there");
    });
    Route& internal = AddRoute(PluginMethod::Get, "/i", [](const std::vector<BindingProperty>&) {
        return InternalServerErrorResponse();
    });
    Route& saving = AddRoute(PluginMethod::Get, "/s", [](const std::vector<BindingProperty>&) {
        return InternalServerErrorResponse("Unable to save settings to file");
    });
    for (const auto& [route, url, message, status] :
         std::vector<std::tuple<Route*, const char*, const char*, uint32_t>>{
             {&conflict, "/c", "Already there", 409},
             {&internal, "/i", "Internal server error", 500},
             {&saving, "/s", "Unable to save settings to file", 500}}) {
        RequestBuilder request;
        request.Method("GET").Url(url);
        ResponseHolder response;
        Call(*route, request, response);
        EXPECT_EQ(testing::Copy(response.view().errorFlag), 1);
        EXPECT_EQ(response.error(), message);
        EXPECT_EQ(response.status(), status);
        EXPECT_EQ(testing::Copy(response.view().value.kind), 0u);
    }
}

TEST_F(EndpointDispatch, ExceptionsBecomeInternalServerErrors) {
    static int destroyed = 0;
    Route& route = AddRoute(PluginMethod::Get, "/x", [](const std::vector<BindingProperty>&) -> HandlerOutcome {
        throw std::runtime_error("disk on fire");
    });
    RequestBuilder request;
    request.Method("GET").Url("/x");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_EQ(response.error(), "disk on fire");
    EXPECT_EQ(response.status(), 500u);
    EXPECT_EQ(route.log->releases, 1);  // the call handle was released on the way out

    // An outcome that had opened a stream before the failure gives it back.
    {
        HandlerOutcome outcome;
        outcome.SetStream(HandlerStream{nullptr, [](void*) { ++destroyed; }, &destroyed, 0});
    }
    EXPECT_EQ(destroyed, 1);
}

TEST_F(EndpointDispatch, UsedRecordIsReleasedBeforeRefilling) {
    Route& route = AddRoute(PluginMethod::Get, "/v", [](const std::vector<BindingProperty>&) {
        BindingProperty value;
        value.SetString("first answer");
        return HandlerOutcome(std::move(value));
    });
    RequestBuilder request;
    request.Method("GET").Url("/v");
    ResponseHolder response;
    Call(route, request, response);
    Call(route, request, response);  // the second call frees what the first wrote (ASan watches)
    EXPECT_EQ(response.value().value(), HostValue::String("first answer"));
}

// ---- Request information ----

TEST_F(EndpointDispatch, RequestInformationIsGivenOnlyWhenAsked) {
    Route& plain = AddRoute(PluginMethod::Get, "/plain");
    Route& informed = AddRoute(PluginMethod::None, "/informed", nullptr, true);
    informed.builder.AddParameter("a", "", BindingTypeIdentifier{BindingTypeKind::String});
    RequestBuilder request;
    request.MethodByNumber(8, "PURGE").Url("/informed", "a=1").Header("x-one", "1").CallWord(42);
    ResponseHolder response;
    const uint64_t before = platform::CurrentUnixTimeTicks();
    Call(informed, request, response);
    const uint64_t after = platform::CurrentUnixTimeTicks();
    ASSERT_TRUE(informed.log->hadInfo);
    EXPECT_EQ(informed.log->infoUrl, "/informed?a=1");
    EXPECT_EQ(informed.log->infoMethod, 8u);
    EXPECT_EQ(informed.log->infoCustomMethod, "PURGE");
    EXPECT_EQ(informed.log->infoHeaders, (HeaderMap{{"x-one", "1"}}));
    EXPECT_EQ(informed.log->infoCallWord, 42u);
    EXPECT_EQ(informed.log->infoRegistry, &registry_);
    EXPECT_GE(informed.log->infoTime, before);
    EXPECT_LE(informed.log->infoTime, after);

    RequestBuilder get;
    get.Method("GET").Url("/plain");
    ResponseHolder second;
    Call(plain, get, second);
    EXPECT_EQ(plain.log->completes, 1);
    EXPECT_FALSE(plain.log->hadInfo);
}

// ---- Registration ----

TEST_F(EndpointDispatch, RegistrationNamesTagsAndTrimsTheRoute) {
    Route& route = AddRoute(PluginMethod::Patch, "/kor-game-settings/v1/game-settings/");
    const BindingFunctionDescriptor* function = registry_.FindFunction("PatchKorGameSettingsV1GameSettings");
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->tags, tags_);
    EXPECT_EQ(route.builder.binding()->path(), "/kor-game-settings/v1/game-settings");
    EXPECT_EQ(route.builder.binding()->method(), 5u);
    EXPECT_EQ(route.builder.binding()->customMethod(), "");
    EXPECT_EQ(function->handler.get(), route.builder.binding());

    Route& root = AddRoute(PluginMethod::Get, "/");
    EXPECT_EQ(root.builder.binding()->path(), "/");

    route.builder.AddParameter("q", "", BindingTypeIdentifier{BindingTypeKind::String}, true)
        .AddBodyParameter("settingsResource", "", BindingTypeIdentifier{BindingTypeKind::Object});
    ASSERT_EQ(function->parameters.size(), 2u);
    EXPECT_TRUE(function->parameters[0].optional);
    EXPECT_EQ(function->parameters[1].name, "settingsResource");
    EXPECT_EQ(route.builder.binding()->locations(),
              (std::vector<ParameterLocation>{ParameterLocation::Any, ParameterLocation::Body}));
}

TEST_F(EndpointDispatch, SecondRegistrationOfANameChangesNothing) {
    Route& first = AddRoute(PluginMethod::Get, "/twice");
    first.builder.AddParameter("a", "", BindingTypeIdentifier{BindingTypeKind::String}, true);
    Route& second = AddRoute(PluginMethod::Get, "/twice/");
    EXPECT_TRUE(second.builder.alreadyRegistered());
    EXPECT_EQ(second.builder.binding(), nullptr);
    second.builder.AddParameter("b", "", BindingTypeIdentifier{BindingTypeKind::String});
    const BindingFunctionDescriptor* function = registry_.FindFunction("GetTwice");
    ASSERT_EQ(function->parameters.size(), 1u);
    EXPECT_EQ(function->handler.get(), first.builder.binding());
    EXPECT_EQ(first.builder.binding()->locations().size(), 1u);
}

}  // namespace
}  // namespace kor
