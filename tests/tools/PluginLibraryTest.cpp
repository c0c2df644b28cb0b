#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
// <windows.h> defines Yield away; the host tables have a Yield of their own.
#undef Yield
#endif

#include "RecordingHost.h"
#include "Unpacked.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/FunctionCall.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/PluginLibrary.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor::hostkit {
namespace {

using testing::Unpacked;

using testing::RecordingHost;

const std::string kFakePlugin = KOR_FAKE_PLUGIN_PATH;

std::unique_ptr<PluginLibrary> LoadFake(ApiVersion version = {}) {
    Outcome<std::unique_ptr<PluginLibrary>> library = PluginLibrary::Load(kFakePlugin, version);
    EXPECT_TRUE(library.ok()) << library.error();
    return library.ok() ? std::move(library).value() : nullptr;
}

// The answers the fake plug-in asks for during initialize.
struct ScriptedHost : RecordingHost {
    HostValue answer = HostValue::Structure({
        {"text", HostValue::String("answer")},
        {"bytes", HostValue::Blob({9, 8})},
        {"list", HostValue::Collection({HostValue::Signed(-1), HostValue::Float(0.5), HostValue()})},
    });
    std::vector<std::string> chunks = {"first chunk, ", "", "second", " and the last"};
    std::optional<std::size_t> failAtChunk;
    int streamsDestroyed = 0;

    ScriptedHost() {
        routes["/fake/value"] = [this](PluginResponse* response, const PluginRequest*) {
            AnswerValue(response, answer);
        };
        routes["/fake/stream"] = [this](PluginResponse* response, const PluginRequest*) {
            AnswerStream(response, StreamScript{chunks, failAtChunk, std::nullopt, [this] { ++streamsDestroyed; }});
        };
    }
};

// A library that does not exist, one that exists without the entry point,
// and the system loader's words for each.
#if defined(_WIN32)
std::string SystemMessage(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message;
}
constexpr const char* kMissingLibrary = "C:/nonexistent/nothing.dll";
const std::string kMissingLibraryReason = SystemMessage(ERROR_MOD_NOT_FOUND);
constexpr const char* kLibraryWithoutEntry = "kernel32.dll";
const std::string kMissingSymbolReason = SystemMessage(ERROR_PROC_NOT_FOUND);
#else
constexpr const char* kMissingLibrary = "/nonexistent/libnothing.so";
const std::string kMissingLibraryReason = "No such file or directory";
constexpr const char* kLibraryWithoutEntry = "libm.so.6";
const std::string kMissingSymbolReason = "undefined symbol";
#endif

TEST(PluginLibraryLoad, MissingFileAndMissingEntryPointAreClearErrors) {
    Outcome<std::unique_ptr<PluginLibrary>> missing = PluginLibrary::Load(kMissingLibrary);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find(std::string("cannot load plug-in library ") + kMissingLibrary + ": "),
              std::string::npos);
    ASSERT_FALSE(kMissingLibraryReason.empty());
    EXPECT_NE(missing.error().find(kMissingLibraryReason), std::string::npos) << missing.error();

    Outcome<std::unique_ptr<PluginLibrary>> noEntry = PluginLibrary::Load(kLibraryWithoutEntry);
    ASSERT_FALSE(noEntry.ok());
    EXPECT_NE(noEntry.error().find("has no entry point load_kor_game_settings: "), std::string::npos);
    ASSERT_FALSE(kMissingSymbolReason.empty());
    EXPECT_NE(noEntry.error().find(kMissingSymbolReason), std::string::npos) << noEntry.error();
}

TEST(PluginLibraryLoad, TheContextBlockComesBackFilled) {
    RecordingHost host;  // outlives the library, which shuts the plug-in down
    std::unique_ptr<PluginLibrary> library = LoadFake(ApiVersion{18, 3, 7});
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->pluginVersion().major, 18u);
    EXPECT_EQ(library->pluginVersion().minor, 0u);
    EXPECT_EQ(library->pluginVersion().patch, 0u);
    EXPECT_NE(library->callbacks(), nullptr);
    EXPECT_NE(library->plugin(), nullptr);
    EXPECT_EQ(library->name(), "fake-plugin");
    ASSERT_NE(library->api(), nullptr);

    Outcome<std::array<uint32_t, 14>> stats = library->MemoryStats();
    ASSERT_TRUE(stats.ok());
    EXPECT_EQ(stats.value()[0], 1u);
    EXPECT_EQ(stats.value()[12], 0u);
    EXPECT_EQ(stats.value()[13], 0u);

    // The host version reached the plug-in: it says so when initialized.
    EXPECT_TRUE(library->Initialize(host.host()));
    ASSERT_FALSE(host.logs.empty());
    EXPECT_EQ(host.logs[0].message, "fake initializing for host 18.3.7");
}

TEST(PluginLibraryLifecycle, InitializeExercisesEveryHostEntryTheTrampolinesServe) {
    ScriptedHost host;
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(library->Initialize(host.host()));
    EXPECT_TRUE(host.failures.empty());

    // log and subscribe
    EXPECT_EQ(host.logs[0].level, 0);
    EXPECT_EQ(host.logs[0].message, "fake initializing for host 18.0.0");
    ASSERT_EQ(host.subscriptions().size(), 1u);
    EXPECT_EQ(host.subscriptions()[0].name, "OnFakeEvent");
    EXPECT_EQ(host.subscriptions()[0].handle, 7u);
    EXPECT_EQ(host.subscriptions()[0].context, library->plugin());

    // a fired event with a structure payload
    const RecordingHost::FiredEvent* started = host.FindFired("OnFakeStarted");
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->payload, HostValue::Structure({{"plugin", HostValue::String("fake-plugin")},
                                                       {"ready", HostValue::Bool(true)}}));

    // a request: what the host saw, and the answer read back by the plug-in
    ASSERT_GE(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].method, 2u);
    EXPECT_EQ(host.requests[0].url, "/fake/value");
    ASSERT_EQ(host.requests[0].arguments.size(), 1u);
    EXPECT_EQ(host.requests[0].arguments[0].first, "");
    EXPECT_EQ(host.requests[0].arguments[0].second, HostValue::String("question"));
    EXPECT_EQ(host.requests[0].callWord, 7u);
    const RecordingHost::FiredEvent* value = host.FindFired("OnFakeValue");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->payload, host.answer);

    // an unrouted request gets the kit's error answer
    bool sawMissing = false;
    for (const auto& line : host.logs) {
        if (line.level == 1 && line.message == "missing: 404 no host resource serves GET /fake/missing") sawMissing = true;
    }
    EXPECT_TRUE(sawMissing);

    // a streamed answer, read in 8-byte pieces with a wait after each short read
    const RecordingHost::FiredEvent* streamed = host.FindFired("OnFakeStream");
    ASSERT_NE(streamed, nullptr);
    EXPECT_EQ(streamed->payload, HostValue::String("first chunk, second and the last"));
    EXPECT_EQ(host.streamsDestroyed, 1);
    // Short reads with more to come: "unk, " (5), "" (0), "second" (6); " and the last" reads 8, then 5 (last).
    EXPECT_EQ(host.waitLabels, std::vector<std::string>(3, "Wait: yield"));
    EXPECT_EQ(host.yields, 3);
    EXPECT_EQ(host.endWaits, 3);
    EXPECT_EQ(host.logs.back().message, "stream size hint 32");
}

TEST(PluginLibraryLifecycle, AFailingStreamIsDestroyedAndReported) {
    ScriptedHost host;
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    host.failAtChunk = 2;
    ASSERT_TRUE(library->Initialize(host.host()));
    EXPECT_EQ(host.FindFired("OnFakeStream"), nullptr);
    EXPECT_EQ(host.streamsDestroyed, 1);
    EXPECT_EQ(host.logs.back().level, 2);
    EXPECT_EQ(host.logs.back().message, "stream read failed at offset 13");
}

TEST(PluginLibraryLifecycle, EventsDeliveredReachThePluginsDispatch) {
    ScriptedHost host;
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(library->Initialize(host.host()));
    HostValue payload = HostValue::Structure({{"uri", HostValue::String("/x")},
                                              {"eventType", HostValue::String("Update")},
                                              {"data", HostValue::Collection({HostValue::Unsigned(1)})}});
    EXPECT_EQ(host.DeliverEvent("OnFakeEvent", payload), 1u);
    const RecordingHost::FiredEvent* echo = host.FindFired("OnFakeEcho");
    ASSERT_NE(echo, nullptr);
    EXPECT_EQ(echo->payload, payload);
    EXPECT_EQ(echo->context, library->plugin());
}

TEST(PluginLibraryLifecycle, ShutdownOnceThenNothing) {
    ScriptedHost host;
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(library->Initialize(host.host()));
    EXPECT_FALSE(library->Initialize(host.host()));  // only once
    library->Shutdown();
    EXPECT_TRUE(host.subscriptions().empty());
    EXPECT_EQ(host.unsubscribeCalls, 1);
    EXPECT_EQ(library->name(), "");
    EXPECT_EQ(library->api(), nullptr);
    EXPECT_FALSE(library->MemoryStats().ok());
    library->Shutdown();
    EXPECT_EQ(host.unsubscribeCalls, 1);
    library.reset();  // closes the library without a second shut-down
    EXPECT_EQ(host.unsubscribeCalls, 1);
}

TEST(PluginLibraryLifecycle, DestroyingAnUninitializedLibraryStillShutsItDown) {
    // The sanitizer build reports the plug-in object as leaked if shut-down is skipped.
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    library.reset();
}

TEST(PluginFunctions, CallsByNameThroughInvoke) {
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    const PluginFunctionEntry* echo = FindFunction(*library->api(), "PostFakeV1Echo");
    ASSERT_NE(echo, nullptr);

    RequestBuilder request;
    request.Method("PURGE")
        .Url("/fake/v1/echo", "x=1")
        .Argument("message", HostValue::String("5"))
        .Header("X-Test", "Value")
        .Body("application/json", "{}");
    ResponseHolder response;
    ASSERT_TRUE(InvokeFunction(*echo, request, response).ok());
    ASSERT_FALSE(response.failed());
    EXPECT_EQ(response.value().value(), HostValue::Structure({
                                            {"method", HostValue::String("8 PURGE")},
                                            {"url", HostValue::String("/fake/v1/echo?x=1")},
                                            {"argument", HostValue::String("message:5")},
                                            {"header", HostValue::String("x-test=Value")},
                                            {"body", HostValue::String("application/json {}")},
                                            {"context", HostValue::String("ok")},
                                        }));
    Outcome<void> again = InvokeFunction(*echo, request, response);
    EXPECT_FALSE(again.ok());  // a response record is used once
    EXPECT_EQ(again.error(), "the response record for PostFakeV1Echo was already used");
}

TEST(PluginFunctions, ErrorAnswersAndStreams) {
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    {
        RequestBuilder request;
        request.Method("GET").Url("/fake/v1/fail");
        ResponseHolder response;
        ASSERT_TRUE(InvokeFunction(*FindFunction(*library->api(), "GetFakeV1Fail"), request, response).ok());
        EXPECT_TRUE(response.failed());
        EXPECT_EQ(response.error(), "fake failure");
        EXPECT_EQ(response.status(), 418u);
        EXPECT_EQ(response.statusMessage(), "teapot");
        EXPECT_EQ(response.headers().value(), (HeaderList{{"x-fake", "yes"}}));
    }
    {
        RequestBuilder request;
        request.Method("GET").Url("/fake/v1/stream");
        ResponseHolder response;
        ASSERT_TRUE(InvokeFunction(*FindFunction(*library->api(), "GetFakeV1Stream"), request, response).ok());
        std::optional<ResponseStream> stream = response.TakeStream();
        ASSERT_TRUE(stream.has_value());
        EXPECT_EQ(stream->sizeHint(), 28u);
        response.Release();
        Outcome<std::string> text = stream->ReadAll();
        ASSERT_TRUE(text.ok()) << text.error();
        EXPECT_EQ(text.value(), "streamed by the fake plug-in");
    }
}

TEST(ApiDescriptionWalk, ArraysChainsAndLookups) {
    std::unique_ptr<PluginLibrary> library = LoadFake();
    ASSERT_NE(library, nullptr);
    const PluginApiDescription& api = *library->api();
    EXPECT_TRUE(CheckChains(api).empty());

    std::vector<const PluginFunctionEntry*> entries = FunctionEntries(api);
    ASSERT_EQ(entries.size(), 3u);
    std::vector<const PluginFunctionRecord*> chain = FollowChain(&api.functions[0].record, 100);
    ASSERT_EQ(chain.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(EntryOf(chain[i]), entries[i]);
    EXPECT_EQ(DescriptionText(entries[2]->record.name), "GetFakeV1Stream");
    EXPECT_EQ(FindFunction(api, "Missing"), nullptr);

    std::vector<const PluginArgumentRecord*> arguments = ArgumentRecords(entries[0]->record);
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(DescriptionText(arguments[1]->name), "count");
    EXPECT_EQ(TagTexts(entries[0]->record.tags, entries[0]->record.tagCount),
              (std::vector<std::string_view>{"Plugins", "Plugin fake-plugin"}));

    const PluginTypeRecord* thing = FindType(api, "FakeThing");
    ASSERT_NE(thing, nullptr);
    ASSERT_EQ(FieldRecords(*thing).size(), 2u);
    EXPECT_EQ(DescriptionText(FieldRecords(*thing)[1]->typeName), "FakeColour");
    EXPECT_TRUE(EnumeratorRecords(*thing).empty());
    const PluginTypeRecord* colour = FindType(api, "FakeColour");
    ASSERT_NE(colour, nullptr);
    EXPECT_TRUE(FieldRecords(*colour).empty());
    ASSERT_EQ(EnumeratorRecords(*colour).size(), 3u);
    EXPECT_EQ(Unpacked(EnumeratorRecords(*colour)[2]->number), -1);

    ASSERT_EQ(EventRecords(api).size(), 1u);
    EXPECT_NE(FindEvent(api, "OnFakeEvent"), nullptr);
    EXPECT_EQ(DescriptionText(FindEvent(api, "OnFakeEvent")->payloadTypeName), "FakeThing");
}

TEST(ApiDescriptionWalk, BrokenChainsAreNamed) {
    PluginEnumeratorRecord enumerators[2] = {{nullptr, "A", "", 0}, {nullptr, "B", "", 1}};
    PluginTypeRecord types[1] = {{nullptr, "E", "", 4, "", nullptr, 0, nullptr, enumerators, 2}};
    PluginEventRecord events[1] = {{&events[0], "Loop", "", "", "", nullptr, 0}};
    PluginApiDescription api = {nullptr, 2, types, 1, events, 1};
    std::vector<std::string> problems = CheckChains(api);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "functions: null array with count 2",
                            "events[0]: next does not point to null",
                            "type E enumerators[0]: next does not point to type E enumerators[1]",
                        }));
    EXPECT_EQ(FollowChain(&events[0], 5).size(), 5u);  // a cycle is cut at the limit
    EXPECT_TRUE(FunctionEntries(api).empty());
}

}  // namespace
}  // namespace kor::hostkit
