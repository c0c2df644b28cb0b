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

}  // namespace
}  // namespace kor
