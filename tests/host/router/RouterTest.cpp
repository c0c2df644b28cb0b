// The router as the host reaches it, through the invoke function with a
// function's call context: route patterns and their choice, the binding of
// arguments from path, query, headers, argument list and body, and the
// answer record written back.
//
// std::regex, the reference the pattern matcher is compared with, trips
// GCC's -Wmaybe-uninitialized inside libstdc++ when built with the
// sanitizers: a false positive in the library's headers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/BindingRegistry.h"
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/YamlLibrary.h"
#include "host/router/FunctionCallContext.h"
#include "host/router/FunctionInvoke.h"
#include "host/router/PluginResponseRecord.h"
#include "host/router/RoutePattern.h"
#include "host/router/RouteRegistration.h"
#include "host/router/TypedRouteInvoker.h"
#include "host/router/UrlDecoding.h"
#include "host/router/ValueDecoding.h"
#include "platform/CountingAllocator.h"
#include "tools/Unpacked.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::RequestBuilder;
using hostkit::ResponseHolder;
using hostkit::testing::Unpacked;

// Answers the bound arguments as they reached the handler, one element per
// parameter, before any conversion to native types; or throws, as an
// invoker of the plug-in's own may.
class EchoInvoker final : public RouteInvoker {
    struct Arguments final : RouteCall {
        BindingProperty list;
    };
    bool throws_;

public:
    explicit EchoInvoker(bool throws = false) : throws_(throws) {}
    std::unique_ptr<RouteCall> Invoke(HandlerOutcome&, std::vector<BindingProperty>& arguments,
                                      uintptr_t) const override {
        auto call = std::make_unique<Arguments>();
        call->list.MakeCollection();
        for (const BindingProperty& argument : arguments) call->list.Append() = argument;
        return call;
    }
    void Complete(HandlerOutcome& outcome, const RequestInfo*, RouteCall* call, uintptr_t) const override {
        if (throws_) throw std::runtime_error("invoker failed");
        outcome = HandlerOutcome(std::move(static_cast<Arguments*>(call)->list));
    }
};

constexpr BindingTypeIdentifier kString{BindingTypeKind::String};
constexpr BindingTypeIdentifier kObject{BindingTypeKind::Object};
constexpr BindingTypeIdentifier kStrings{BindingTypeKind::Vector, BindingTypeKind::String};

class Router : public ::testing::Test {
protected:
    enum Route { kQuery, kItems, kList, kNoBody, kBody, kInts, kPacked, kConflict, kThrows, kSaving, kInvokerThrows, kAnyMethod, kCustom };

    void SetUp() override {
        Echo(PluginMethod::Get, "/q")
            .AddParameter("flag", "", BindingTypeIdentifier{BindingTypeKind::Bool}, true)
            .AddParameter("object", "", kObject)
            .AddParameter("list", "", kStrings)
            .AddParameter("text", "", kString);
        Echo(PluginMethod::Get, "/items/{id}")
            .AddParameter("id", "", kString)
            .AddParameterAt(ParameterLocation::Query, "page", "", BindingTypeIdentifier{BindingTypeKind::Int32})
            .AddParameterAt(ParameterLocation::Header, "token", "", kString)
            .AddParameterAt(ParameterLocation::Path, "onlyPath", "", kString);
        Echo(PluginMethod::Get, "/l").AddParameter("list", "", kStrings);
        Echo(PluginMethod::Post, "/nobody");
        Echo(PluginMethod::Patch, "/body").AddBodyParameter("settingsResource", "", kObject);
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/t", [](std::vector<int32_t> list) { return list; }))
            .AddParameter<std::vector<int32_t>>("list", "");
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Post, "/m", [](const BindingProperty& body) { return body; }))
            .AddBodyParameter<BindingProperty>("body", "");
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/c", [] { return ErrorResponse(409, "Already there"); }));
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/x", []() -> HandlerOutcome {
            throw std::runtime_error("disk on fire");
        }));
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/s",
                           [] { return InternalServerErrorResponse("Unable to save settings to file"); }));
        Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/e", std::make_unique<EchoInvoker>(true)));
        Echo(PluginMethod::None, "/any");
        Echo(PluginMethod::Custom, "/custom");  // a custom method with no text of its own: no call fits
    }

    RouteBuilder Echo(PluginMethod method, std::string_view path) {
        return Keep(RegisterRoute(registry_, tags_, method, path, std::make_unique<EchoInvoker>()));
    }
    RouteBuilder Keep(RouteBuilder builder) {
        contexts_.push_back(std::make_unique<FunctionCallContext>(FunctionCallContext{&registry_, builder.binding()}));
        return builder;
    }

    // The answer as JSON, or "status: error" for a failure.
    static std::string Outcome(const ResponseHolder& response) {
        if (response.failed()) return std::to_string(response.status()) + ": " + response.error();
        const auto value = response.value();
        return value.ok() ? hostkit::EncodeJson(value.value()) : "unreadable: " + value.error();
    }
    std::string Call(Route route, RequestBuilder& request, ResponseHolder& response) {
        request.CallContext(contexts_.at(route).get());
        InvokePluginFunction(response.record(), request.record());
        return Outcome(response);
    }
    std::string Call(Route route, std::string_view method, std::string_view url, std::string_view type = {},
                     std::string_view body = {}) {
        RequestBuilder request;
        request.Method(method).Url(url);
        if (!type.empty() || !body.empty()) request.Body(type, body);
        ResponseHolder response;
        return Call(route, request, response);
    }

    BindingRegistry registry_;
    std::vector<std::string> tags_{"Plugins", "Plugin kor-game-settings"};
    std::vector<std::unique_ptr<FunctionCallContext>> contexts_;
};

TEST_F(Router, ArgumentsAndBodiesBindOrAreRefusedWithTheirReason) {
    const std::string deserialize = "0: Couldn't deserialize ";  // binding failures leave the status to the host
    const uint8_t truncated[] = {0xDC, 0x00};
    const struct {
        Route route;
        const char *method, *url, *type;
        std::string body, expected;
    } cases[] = {
        {kQuery, "GET", "/q?flag&object&list=", "", "", R"([true,{},[],null])"},
        {kQuery, "GET", "/q?text", "", "", "0: Expected value for argument 'text'."},
        {kItems, "GET", "/items/7?page=3", "", "", R"(["7","3",null,null])"},  // int32 is the invoker's to convert
        {kItems, "GET", "/items/7?zz=1", "", "", "0: Unknown argument 'zz' for 'GetItemsById'."},
        {kItems, "GET", "/items/7?zz.0=1", "", "", "0: Unknown argument 'zz' for 'GetItemsById'."},
        {kItems, "GET", "/items/7?token=x", "", "", "0: Argument 'token' for 'GetItemsById' was specified in an invalid location."},
        {kItems, "GET", "/items/7?onlyPath=x", "", "", "0: Argument 'onlyPath' for 'GetItemsById' was specified in an invalid location."},
        {kItems, "GET", "/items/a%2Fb+c", "", "", R"(["a/b c",null,null,null])"},
        {kList, "GET", "/l?list.1=b&list.0=a", "", "", R"([["a","b"]])"},
        {kList, "GET", "/l?list.0=a&list=", "", "", R"([[]])"},  // an empty value after items empties the list
        {kList, "GET", "/l?list.1z=a", "", "", "0: Index 1z is in an incorrect format"},
        {kList, "GET", "/l?list.08=a", "", "", "0: Index 08 is in an incorrect format"},
        {kList, "GET", "/l?list.0x=a", "", "", "0: Index 0x is in an incorrect format"},
        {kList, "GET", "/l?list.65536=a", "", "", "0: Index 65536 is out of range"},
        {kList, "GET", "/l?list.2147483648=a", "", "", "0: Index 2147483648 is out of range"},
        {kList, "GET", "/l?list.4294967296=a", "", "", "0: Index 4294967296 is out of range"},
        {kList, "GET", "/l?list.99999999999999999999999=a", "", "", "0: Index 99999999999999999999999 is out of range"},
        {kNoBody, "POST", "/nobody", "text/plain", "whatever", "[]"},  // a body nobody asked for is ignored
        {kBody, "PATCH", "/body", "application/json; charset=utf-8", R"({"a": 1})", R"([{"a":1}])"},
        {kBody, "PATCH", "/body", "APPLICATION/JSON", "{}", "[{}]"},
        {kBody, "PATCH", "/body", "application/jsonx", "{}", "[{}]"},
        {kBody, "PATCH", "/body", "application/vnd.api+json", "{}", "[{}]"},
        {kBody, "PATCH", "/body", "application/x-yaml", "a: 1", R"([{"a":1}])"},
        {kBody, "PATCH", "/body", "text/plain", "{}", "0: Unsupported body content type"},
        {kBody, "PATCH", "/body", "text/x-yaml", "{}", "0: Unsupported body content type"},
        {kBody, "PATCH", "/body", "application/x-yam", "{}", "0: Unsupported body content type"},
        {kBody, "PATCH", "/body", "", "{}", "0: Unsupported body content type"},
        {kPacked, "POST", "/m", "application/x-msgpack", std::string("\x92\x01\xA1x", 4), R"([1,"x"])"},
        {kPacked, "POST", "/m", "application/x-msgpack", std::string("\x92\x01\xA1x\x00", 5), "0: Extra MessgePack data found in body"},
        {kPacked, "POST", "/m", "application/x-msgpack", "\xC1", "0: Invalid MessagePack data at position 1."},
        {kInts, "GET", "/t?list=[1,2]", "", "", "[1,2]"},
        {kInts, "GET", "/t?list=%20%20[1,2]", "", "", "[1,2]"},
        {kInts, "GET", "/t?list=%92%01%02", "", "", "[1,2]"},
        {kInts, "GET", "/t?list=---%0A- 1%0A- 2", "", "", "[1,2]"},
        {kInts, "GET", "/t?list=[1,x]", "", "",
         deserialize + "JSON value for parameter 'list' of 'GetT': " + std::string(ReadJson("[1,x]").ErrorText())},
        {kInts, "GET", "/t?list=%DC%00", "", "",
         deserialize + "MessagePack value for parameter 'list' of 'GetT': " +
             std::string(ReadMessagePack(truncated).result.ErrorText())},
        {kConflict, "GET", "/c", "", "", "409: Already there"},
        {kSaving, "GET", "/s", "", "", "500: Unable to save settings to file"},
        {kThrows, "GET", "/x", "", "", "500: disk on fire"},
        {kInvokerThrows, "GET", "/e", "", "", "500: invoker failed"},
        {kQuery, "POST", "/q", "", "", "404: Invalid function"},  // the method must fit, and the path
        {kQuery, "", "/q", "", "", "404: Invalid function"},
        {kQuery, "GET", "/q/more", "", "", "404: Invalid function"},
        {kItems, "GET", "/items/7/8", "", "", "404: Invalid function"},
        {kAnyMethod, "DELETE", "/any", "", "", "[]"},
        {kAnyMethod, "PURGE", "/any", "", "", "[]"},
        {kCustom, "PURGE", "/custom", "", "", "404: Invalid function"},
    };
    std::string unavailable;
    const bool yaml = GetYamlFunctions(unavailable) != nullptr;  // the Windows suite runs without yaml.dll
    for (const auto& c : cases) {
        const std::string answer = Call(c.route, c.method, c.url, c.type, c.body);
        if (!yaml && (std::string_view(c.type) == "application/x-yaml" || std::string_view(c.url).find("---") != std::string_view::npos)) {
            EXPECT_NE(answer.find("YAML is not available: libyaml could not be loaded ("), std::string::npos) << answer;
        } else {
            EXPECT_EQ(answer, c.expected) << c.url;
        }
    }

    // Later sources win: path over query and header, the argument list over all.
    RequestBuilder sources;
    sources.Method("GET").Url("/items/path", "id=query").Header("id", "header");
    ResponseHolder fromPath, fromList;
    EXPECT_EQ(Call(kItems, sources, fromPath), R"(["path",null,null,null])");
    sources.Argument("id", HostValue::String("list"));
    EXPECT_EQ(Call(kItems, sources, fromList), R"(["list",null,null,null])");
}

TEST_F(Router, IndexesOfOneCallShareAGrowthBudget) {
    std::string query = "/l?";
    for (int outer = 0; outer < 15; ++outer) query += "list." + std::to_string(outer) + ".65535=a&";
    EXPECT_EQ(Call(kList, "GET", query).front(), '[');
    EXPECT_EQ(Call(kList, "GET", query + "list.15.65535=a"), "0: Index 65535 is out of range");
    // Writing where elements already exist costs nothing.
    EXPECT_EQ(Call(kList, "GET", query + "list.3.9=b&list.3.10=c").front(), '[');
}

TEST_F(Router, AnAnswerFillsEveryFieldOfTheRecordAndOnlyTheRecordsOwnPartsAreFreed) {
    static int destroyed = 0;
    static int streamObject = 0;
    const auto read = [](void*, void*, uint32_t* length, uint8_t* more) -> uint8_t {
        *length = 0;
        *more = 0;
        return 1;
    };
    Keep(RegisterRoute(registry_, tags_, PluginMethod::Get, "/w", [read](const RequestInfo& info) {
        BindingProperty value;
        value.MemberForWrite("b").SetSigned(-2);
        value.MemberForWrite("a").SetUnsigned(info.callWord);
        HandlerOutcome outcome(std::move(value));
        outcome.flags = 0x5A;
        outcome.format = 2;
        outcome.status = 201;
        outcome.statusMessage = "Created";
        outcome.headers = {{"etag", "\"1\""}, {"x-count", "2"}};
        outcome.SetStream(HandlerStream{read, [](void*) { ++destroyed; }, &streamObject, 77});
        return outcome;
    }));
    RequestBuilder request;
    request.Method("GET").Url("/w").CallWord(0xC0FFEE).CallContext(contexts_.back().get());
    ResponseHolder response;
    InvokePluginFunction(response.record(), request.record());
    ASSERT_FALSE(response.failed()) << response.error();
    EXPECT_EQ(Unpacked(response.view().error), nullptr);
    EXPECT_EQ(Outcome(response), R"({"a":12648430,"b":-2})");
    EXPECT_EQ(response.resultFlags(), 0x5A);
    EXPECT_EQ(response.format(), 2u);
    EXPECT_EQ(response.status(), 201u);
    EXPECT_EQ(response.statusMessage(), "Created");
    EXPECT_EQ(response.headers().value(), (hostkit::HeaderList{{"etag", "\"1\""}, {"x-count", "2"}}));
    EXPECT_EQ(Unpacked(response.view().stream), &streamObject);
    EXPECT_EQ(Unpacked(response.view().streamSizeHint), 77u);
    EXPECT_EQ(Unpacked(response.view().release), &ReleasePluginResponse);
    EXPECT_EQ(destroyed, 0);  // the host owns the stream now
    response.Release();
    EXPECT_EQ(destroyed, 1);
    { HandlerOutcome().SetStream(HandlerStream{nullptr, [](void*) { ++destroyed; }, &destroyed, 0}); }
    EXPECT_EQ(destroyed, 2);  // an outcome dropped with its stream open gives it back

    // A record of the plug-in's used again is released before it is refilled;
    // a record the host filled itself is not the plug-in's to free.
    const auto live = [] { return platform::ReadMemoryCounters().bytesAllocated - platform::ReadMemoryCounters().bytesFreed; };
    const uint64_t before = live();
    ResponseHolder reused;
    RequestBuilder saving;
    saving.Method("GET").Url("/s");
    Call(kSaving, saving, reused);
    EXPECT_EQ(Call(kSaving, saving, reused), "500: Unable to save settings to file");
    reused.Release();
    EXPECT_EQ(live(), before);
    static char hostText[] = "the host's own";
    PluginResponse foreign{};
    foreign.error = hostText;
    foreign.errorFlag = 1;
    foreign.release = [](PluginResponse*) {};
    saving.CallContext(contexts_.at(kSaving).get());
    InvokePluginFunction(&foreign, saving.record());
    EXPECT_EQ(Unpacked(foreign.release), &ReleasePluginResponse);
    foreign.release(&foreign);
}

TEST_F(Router, MalformedRecordsAreAnsweredNotCrashedOn) {
    InvokePluginFunction(nullptr, nullptr);  // nothing to answer into: nothing happens
    const FunctionCallContext unbound{&registry_, nullptr};
    const PluginHeader headers[] = {{nullptr, "v"}, {"body", nullptr}};
    const uint8_t body[] = {'{', '}'};
    const auto answer = [](const PluginRequest* request) {
        ResponseHolder response;
        InvokePluginFunction(response.record(), request);
        return Outcome(response);
    };
    EXPECT_EQ(answer(nullptr), "404: Invalid function");
    PluginRequest record{};
    record.method = 5;
    record.url = "/body";
    EXPECT_EQ(answer(&record), "404: Invalid function");  // no call context
    record.callContext = &unbound;
    EXPECT_EQ(answer(&record), "404: Invalid function");
    record.callContext = contexts_.at(kBody).get();
    record.url = nullptr;  // and arrays that are null with counts
    record.argCount = 1000;
    record.headerCount = 1000;
    EXPECT_EQ(answer(&record), "404: Invalid function");
    record.url = "/body";  // null header names and values, a body with a null content type
    record.headers = headers;
    record.headerCount = 2;
    record.body = body;
    record.bodySize = sizeof body;
    EXPECT_EQ(answer(&record), "0: Unsupported body content type");
}

// ---- Patterns and the choice between routes ----

std::string Captures(std::string_view pattern, std::string_view path) {
    std::vector<std::string_view> raw;
    if (!RoutePattern::Compile(pattern).Match(path, raw)) return "<no match>";
    std::string joined;
    for (std::string_view capture : raw) joined += "(" + std::string(capture) + ")";
    return joined;
}

TEST(RoutePattern, PlaceholdersCaptureAndEverythingElseMatchesItself) {
    const struct {
        const char *pattern, *path, *captures;
    } cases[] = {
        {"/a.b/{id}", "/a.b/1", "(1)"},
        {"/a.b/{id}", "/aXb/1", "<no match>"},
        {"^$.*+?()[]|\\{x}", "^$.*+?()[]|\\v", "(v)"},
        {"^$.*+?()[]|\\{x}", "^$.*+?()[]|\\", "()"},
        {"^$.*+?()[]|\\{x}", "$.*+?()[]|\\v", "<no match>"},
        {"/a/{id", "/a/", "<no match>"},  // an unclosed placeholder matches nothing
    };
    for (const auto& c : cases) EXPECT_EQ(Captures(c.pattern, c.path), c.captures) << c.pattern << " on " << c.path;

    const std::string path = "/files/" + std::string(400000, 'a') + "/end";  // no stack exhausted
    EXPECT_EQ(Captures("/files/{+rest}/{last}", path), "(" + std::string(400000, 'a') + ")(end)");
    std::string broken = path;
    broken[1000] = '\n';  // "." does not take a line feed; "[^/]" would
    EXPECT_EQ(Captures("/files/{+rest}/{last}", broken), "<no match>");
}

// The matcher stands in for the regular expression it compiles to: on every
// text it must agree with std::regex_match about whether it matches and what
// each group took. Short random texts over the characters that matter
// exercise the backtracking choices.
TEST(RoutePattern, AgreesWithTheRegexEngineOnShortTexts) {
    const std::string alphabet = "/abxq#.\n";
    std::mt19937 random(12345);
    for (const char* text : {"/a/{id}/b", "/files/{+rest}", "/x{#frag}", "/{a}/{b}", "/{+a}/{b}", "/{a}{+b}",
                             "{+a}/{+b}/{c}", "{#a}/{b}", "/{+a}x{#b}", "{a}.{b}", "/p{x}q{+y}q", "a(b)[c]{d}"}) {
        const RoutePattern pattern = RoutePattern::Compile(text);
        const std::regex expression(pattern.expression(), std::regex::ECMAScript);
        int matched = 0;
        for (int round = 0; round < 4000; ++round) {
            // Placeholders filled with random text, sometimes a fixed
            // character broken, so near misses and matches mix.
            std::string path;
            bool inside = false;
            for (const char* c = text; *c != '\0'; ++c) {
                if (*c == '{' || *c == '}') {
                    inside = *c == '{';
                    for (int n = inside ? static_cast<int>(random() % 5) : 0; n > 0; --n) path += alphabet[random() % 8];
                } else if (!inside) {
                    path += random() % 12 == 0 ? alphabet[random() % 8] : *c;
                }
            }
            std::smatch expected;
            const bool regexMatched = std::regex_match(path, expected, expression);
            std::vector<std::string_view> captures;
            ASSERT_EQ(pattern.Match(path, captures), regexMatched) << text << " on " << path;
            if (!regexMatched) continue;
            ++matched;
            ASSERT_EQ(captures.size() + 1, expected.size()) << text << " on " << path;
            for (std::size_t group = 0; group < captures.size(); ++group) {
                EXPECT_EQ(captures[group], expected[group + 1].str()) << text << " on " << path;
            }
        }
        EXPECT_GT(matched, 20) << text;  // the comparison covered real matches
    }
}

TEST(ValueDecoding, UrlEscapesAndTheFormatOfStructuredText) {
    EXPECT_EQ(UrlDecode("A+b%41%62%2f%2F%C3%A9100%25%2B+%4"), "A bAb//\xC3\xA9" "100%+ %4");
    const struct {
        const char* text;
        ValueFormat format;
    } cases[] = {
        {"\n\t{}", ValueFormat::Json},
        {"\x80", ValueFormat::MessagePack},
        {"\x9F", ValueFormat::MessagePack},
        {"\xDC", ValueFormat::MessagePack},
        {"\xDF", ValueFormat::MessagePack},
        {"\x7F", ValueFormat::String},
        {"\xA0", ValueFormat::String},
        {"\xDB", ValueFormat::String},
        {"\xE0", ValueFormat::String},
        {"a: 1", ValueFormat::String},
        {"--", ValueFormat::String},
        {"", ValueFormat::String},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseValueFormat(c.text, "", true), c.format) << c.text;
}

}  // namespace
}  // namespace kor
