#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RouterTestSupport.h"
#include "host/ArgumentBinder.h"
#include "tools/hostkit/HostValue.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::RequestBuilder;
using hostkit::ResponseHolder;

constexpr BindingTypeIdentifier kString{BindingTypeKind::String};
constexpr BindingTypeIdentifier kBool{BindingTypeKind::Bool};
constexpr BindingTypeIdentifier kInt32{BindingTypeKind::Int32};
constexpr BindingTypeIdentifier kObject{BindingTypeKind::Object};
constexpr BindingTypeIdentifier kVector{BindingTypeKind::Vector, BindingTypeKind::String};

class ArgumentBinding : public testing::RouterFixture {
protected:
    // Calls `route` with GET on `url` and returns the error text (empty on success).
    std::string Get(Route& route, std::string_view url) {
        RequestBuilder request;
        request.Method("GET").Url(url);
        ResponseHolder response;
        Call(route, request, response);
        return response.error();
    }
    const BindingProperty& Argument(Route& route, std::size_t index) { return route.log->arguments.at(index); }
};

// ---- Defaults and empty values ----

TEST_F(ArgumentBinding, BoolParametersDefaultToFalseUnlessOptional) {
    Route& route = AddRoute(PluginMethod::Get, "/flags");
    route.builder.AddParameter("required", "", kBool).AddParameter("optional", "", kBool, true);
    EXPECT_EQ(Get(route, "/flags"), "");
    ASSERT_EQ(route.log->arguments.size(), 2u);
    EXPECT_TRUE(Argument(route, 0).Is(BindingPropertyKind::Bool));
    EXPECT_FALSE(Argument(route, 0).GetBool(true));
    EXPECT_TRUE(Argument(route, 1).IsEmpty());
}

TEST_F(ArgumentBinding, EmptyTextGivesTrueEmptyContainersOrTheExpectedValueMessage) {
    Route& route = AddRoute(PluginMethod::Get, "/q");
    route.builder.AddParameter("flag", "", kBool, true)
        .AddParameter("object", "", kObject)
        .AddParameter("list", "", kVector)
        .AddParameter("text", "", kString);
    EXPECT_EQ(Get(route, "/q?flag&object&list="), "");
    EXPECT_TRUE(Argument(route, 0).GetBool(false));
    EXPECT_TRUE(Argument(route, 1).IsStructure());
    EXPECT_EQ(Argument(route, 1).Size(), 0u);
    EXPECT_TRUE(Argument(route, 2).IsCollection());
    EXPECT_EQ(Argument(route, 2).Size(), 0u);

    EXPECT_EQ(Get(route, "/q?text"), "Expected value for argument 'text'.");
    EXPECT_EQ(route.log->invokes, 1);  // the failed call reached no handler
}

// ---- Query ----

TEST_F(ArgumentBinding, QueryLaterNameWinsAndBareNameNeedsAKindThatAcceptsNothing) {
    Route& strings = AddRoute(PluginMethod::Get, "/s");
    strings.builder.AddParameter("a", "", kString).AddParameter("b", "", kString);
    EXPECT_EQ(Get(strings, "/s?a=1&a=2&b"), "Expected value for argument 'b'.");

    Route& withBool = AddRoute(PluginMethod::Get, "/t");
    withBool.builder.AddParameter("a", "", kString).AddParameter("b", "", kBool);
    EXPECT_EQ(Get(withBool, "/t?a=1&a=2&b"), "");
    EXPECT_EQ(Argument(withBool, 0).GetString(), "2");
    EXPECT_TRUE(Argument(withBool, 1).GetBool(false));
}

TEST_F(ArgumentBinding, QueryValuesAreDecodedAndRouteMatchesThePathAlone) {
    Route& route = AddRoute(PluginMethod::Get, "/kor-game-settings/v1/ready");
    route.builder.AddParameter("note", "", kString);
    EXPECT_EQ(Get(route, "/kor-game-settings/v1/ready?note=a%20b+c"), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "a b c");
    EXPECT_EQ(Get(route, "/kor-game-settings/v1/ready?"), "");
}

TEST_F(ArgumentBinding, UnknownArgumentsAndWrongLocationsAreRefused) {
    Route& route = AddRoute(PluginMethod::Get, "/items/{id}");
    route.builder.AddParameter("id", "", kString)
        .AddParameterAt(ParameterLocation::Query, "page", "", kInt32)
        .AddParameterAt(ParameterLocation::Header, "token", "", kString)
        .AddParameterAt(ParameterLocation::Path, "onlyPath", "", kString);
    EXPECT_EQ(Get(route, "/items/7?zz=1"), "Unknown argument 'zz' for 'GetItemsById'.");
    EXPECT_EQ(Get(route, "/items/7?zz.0=1"), "Unknown argument 'zz' for 'GetItemsById'.");
    EXPECT_EQ(Get(route, "/items/7?token=x"),
              "Argument 'token' for 'GetItemsById' was specified in an invalid location.");
    EXPECT_EQ(Get(route, "/items/7?onlyPath=x"),
              "Argument 'onlyPath' for 'GetItemsById' was specified in an invalid location.");
    EXPECT_EQ(Get(route, "/items/7?page=3"), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "7");
    EXPECT_EQ(Argument(route, 1).GetString(), "3");  // conversion to int32 is the invoker's
}

TEST_F(ArgumentBinding, PathPlaceholderDeclaredElsewhereIsRefused) {
    Route& route = AddRoute(PluginMethod::Get, "/users/{name}");
    route.builder.AddParameterAt(ParameterLocation::Query, "name", "", kString);
    EXPECT_EQ(Get(route, "/users/bob"), "Argument 'name' for 'GetUsersByName' was specified in an invalid location.");

    Route& unknown = AddRoute(PluginMethod::Get, "/groups/{name}");
    EXPECT_EQ(Get(unknown, "/groups/x"), "Unknown argument 'name' for 'GetGroupsByName'.");
}

// ---- Headers ----

TEST_F(ArgumentBinding, HeaderParametersAreLookedUpInLowerCase) {
    Route& route = AddRoute(PluginMethod::Get, "/h");
    route.builder.AddParameterAt(ParameterLocation::Header, "If-Match", "", kString)
        .AddParameter("X-Any", "", kString)
        .AddParameterAt(ParameterLocation::Query, "x-query", "", kString, true);
    RequestBuilder request;
    request.Method("GET").Url("/h").Header("if-match", "\"abc\"").Header("x-any", "1").Header("x-any", "2");
    request.Header("x-query", "not from a header").Header("unrelated", "ignored");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_EQ(response.error(), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "\"abc\"");
    EXPECT_EQ(Argument(route, 1).GetString(), "2");  // the later entry replaced the earlier one
    EXPECT_TRUE(Argument(route, 2).IsEmpty());
}

TEST_F(ArgumentBinding, LaterSourcesOverrideEarlierOnes) {
    Route& route = AddRoute(PluginMethod::Get, "/o/{v}");
    route.builder.AddParameter("v", "", kString);
    RequestBuilder request;
    request.Method("GET").Url("/o/path", "v=query").Header("v", "header");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_EQ(Argument(route, 0).GetString(), "path");

    RequestBuilder listed;
    listed.Method("GET").Url("/o/path").Argument("v", HostValue::String("list"));
    ResponseHolder second;
    Call(route, listed, second);
    EXPECT_EQ(second.error(), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "list");
}

// ---- Index paths ----

TEST_F(ArgumentBinding, CollectionIndexesGrowTheCollection) {
    Route& route = AddRoute(PluginMethod::Get, "/l");
    route.builder.AddParameter("list", "", kVector);
    EXPECT_EQ(Get(route, "/l?list.2=x"), "");
    const BindingProperty& list = Argument(route, 0);
    ASSERT_TRUE(list.IsCollection());
    ASSERT_EQ(list.Size(), 3u);
    EXPECT_TRUE(list.Element(0).IsEmpty());
    EXPECT_TRUE(list.Element(1).IsEmpty());
    EXPECT_EQ(list.Element(2).GetString(), "x");

    // Hexadecimal and octal, as C's base-0 reading has them; nested paths.
    EXPECT_EQ(Get(route, "/l?list.0x3=h&list.010=o&list.1.name=n"), "");
    EXPECT_EQ(Argument(route, 0).Size(), 9u);
    EXPECT_EQ(Argument(route, 0).Element(3).GetString(), "h");
    EXPECT_EQ(Argument(route, 0).Element(8).GetString(), "o");
    EXPECT_EQ(Argument(route, 0).Element(1).Member("name").GetString(), "n");
}

TEST_F(ArgumentBinding, NamedSegmentMakesAStructure) {
    Route& route = AddRoute(PluginMethod::Get, "/l");
    route.builder.AddParameter("list", "", kVector);
    EXPECT_EQ(Get(route, "/l?list.0=a&list.x1=b"), "");
    const BindingProperty& list = Argument(route, 0);
    ASSERT_TRUE(list.IsStructure());  // the member replaced the collection
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Member("x1").GetString(), "b");
}

TEST_F(ArgumentBinding, MalformedAndLargeIndexesAreRefused) {
    Route& route = AddRoute(PluginMethod::Get, "/l");
    route.builder.AddParameter("list", "", kVector);
    EXPECT_EQ(Get(route, "/l?list.1z=a"), "Index 1z is in an incorrect format");
    EXPECT_EQ(Get(route, "/l?list.08=a"), "Index 08 is in an incorrect format");
    EXPECT_EQ(Get(route, "/l?list.0x=a"), "Index 0x is in an incorrect format");
    EXPECT_EQ(Get(route, "/l?list.4294967296=a"), "Index 4294967296 is out of range");
    EXPECT_EQ(Get(route, "/l?list.99999999999999999999999=a"), "Index 99999999999999999999999 is out of range");
    EXPECT_EQ(Get(route, "/l?list.2147483648=a"), "Index 2147483648 is out of range");
    EXPECT_EQ(Get(route, "/l?list.65536=a"), "Index 65536 is out of range");
    EXPECT_EQ(route.log->invokes, 0);

    EXPECT_EQ(Get(route, "/l?list.65535=a"), "");
    EXPECT_EQ(Argument(route, 0).Size(), 65536u);
}

TEST_F(ArgumentBinding, IndexesOfOneCallShareAGrowthBudget) {
    Route& route = AddRoute(PluginMethod::Get, "/l");
    route.builder.AddParameter("list", "", kVector);
    std::string query;
    for (int outer = 0; outer < 15; ++outer) query += "list." + std::to_string(outer) + ".65535=a&";
    EXPECT_EQ(Get(route, "/l?" + query), "");
    EXPECT_EQ(Get(route, "/l?" + query + "list.15.65535=a"), "Index 65535 is out of range");
    // Writing where elements already exist costs nothing.
    EXPECT_EQ(Get(route, "/l?" + query + "list.3.9=b&list.3.10=c"), "");
}

// ---- The request's argument list ----

TEST_F(ArgumentBinding, ListedArgumentsBindByNameOrPositionAfterTheCaptures) {
    Route& route = AddRoute(PluginMethod::Post, "/things/{id}");
    route.builder.AddParameter("id", "", kString).AddParameter("count", "", kInt32).AddParameter("tags", "", kObject);
    RequestBuilder request;
    request.Method("POST").Url("/things/9");
    request.UnnamedArgument(HostValue::Unsigned(3));
    request.Argument("tags", HostValue::Collection({HostValue::String("a")}));
    ResponseHolder response;
    Call(route, request, response);
    ASSERT_EQ(response.error(), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "9");
    EXPECT_EQ(Argument(route, 1).GetUnsigned(), 3u);
    EXPECT_EQ(Argument(route, 2).Element(0).GetString(), "a");
}

TEST_F(ArgumentBinding, ListedArgumentsThatFitNoParameterAreNamedInTheMessage) {
    Route& route = AddRoute(PluginMethod::Post, "/p/{id}");
    route.builder.AddParameter("id", "", kString).AddParameter("x", "", kString);
    RequestBuilder named;
    named.Method("POST").Url("/p/1").Argument("nope", HostValue::Bool(true));
    ResponseHolder first;
    Call(route, named, first);
    EXPECT_EQ(first.error(), "Unknown argument 'nope' for 'PostPById'.");

    RequestBuilder positional;
    positional.Method("POST").Url("/p/1").UnnamedArgument(HostValue::Bool(true)).UnnamedArgument(HostValue::Bool(true));
    ResponseHolder second;
    Call(route, positional, second);
    EXPECT_EQ(second.error(), "Unknown argument '1' for 'PostPById'.");
}

TEST_F(ArgumentBinding, ListedArgumentThatDoesNotConvertFailsWithTheConversionMessage) {
    Route& route = AddRoute(PluginMethod::Post, "/p");
    route.builder.AddParameter("x", "", kObject);
    PluginArgument argument{"x", {}};
    argument.value.kind = 11;
    PluginRequest record{};
    record.method = 6;
    record.url = "/p";
    record.args = &argument;
    record.argCount = 1;
    record.callContext = &route.context;
    ResponseHolder response;
    InvokePluginFunction(response.record(), &record);
    EXPECT_EQ(response.error(), "Couldn't assign value to 'x' of type object because the input is of an incompatible type ''.");
    EXPECT_EQ(route.log->invokes, 0);
}

// ---- Body ----

TEST_F(ArgumentBinding, BodyWithoutBodyParameterIsIgnoredAndUnknownTypesRefused) {
    Route& plain = AddRoute(PluginMethod::Post, "/nobody");
    RequestBuilder request;
    request.Method("POST").Url("/nobody").Body("text/plain", "whatever");
    ResponseHolder response;
    Call(plain, request, response);
    EXPECT_EQ(response.error(), "");
    EXPECT_EQ(plain.log->invokes, 1);

    Route& bodied = AddRoute(PluginMethod::Patch, "/body");
    bodied.builder.AddBodyParameter("settingsResource", "", kObject);
    for (const char* type : {"text/plain", "application/jsonx", "", "application/x-yam"}) {
        RequestBuilder patch;
        patch.Method("PATCH").Url("/body").Body(type, "{}");
        ResponseHolder answer;
        Call(bodied, patch, answer);
        if (std::string_view(type) == "application/jsonx") continue;  // a prefix: JSON
        EXPECT_EQ(answer.error(), "Unsupported body content type") << type;
    }
}

TEST_F(ArgumentBinding, BodyParameterRefusesArgumentsFromElsewhere) {
    Route& route = AddRoute(PluginMethod::Patch, "/body");
    route.builder.AddBodyParameter("settingsResource", "", kObject);
    RequestBuilder request;
    request.Method("PATCH").Url("/body", "settingsResource=1");
    ResponseHolder response;
    Call(route, request, response);
    EXPECT_EQ(response.error(), "Argument 'settingsResource' for 'PatchBody' was specified in an invalid location.");
}

// ---- Structured text without a content type ----

TEST_F(ArgumentBinding, StringParameterKeepsStructuredLookingText) {
    Route& route = AddRoute(PluginMethod::Get, "/s");
    route.builder.AddParameter("text", "", kString);
    EXPECT_EQ(Get(route, "/s?text=%5B1,2%5D"), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "[1,2]");
    EXPECT_EQ(Get(route, "/s?text=---"), "");
    EXPECT_EQ(Argument(route, 0).GetString(), "---");
}

}  // namespace
}  // namespace kor
