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

}  // namespace
}  // namespace kor
