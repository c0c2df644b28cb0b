#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Unpacked.h"

#include "tools/hostkit/FunctionName.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/MethodNumbers.h"
#include "tools/hostkit/PlainValueReader.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"
#include "tools/hostkit/ResponseStream.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor::hostkit {
namespace {

using testing::Unpacked;

TEST(FunctionNames, MethodAndPathFoldIntoOneIdentifier) {
    EXPECT_EQ(MakeFunctionName("", "kor-game-settings"), "KorGameSettings");
    EXPECT_EQ(MakeFunctionName("GET", "/kor-game-settings/v1/game-settings"), "GetKorGameSettingsV1GameSettings");
    EXPECT_EQ(MakeFunctionName("POST", "/kor-game-settings/v1/save"), "PostKorGameSettingsV1Save");
    EXPECT_EQ(MakeFunctionName("GET", "/a/{b}"), "GetAByB");
    EXPECT_EQ(MakeFunctionName("DELETE", "/items/{id}/parts"), "DeleteItemsByIdParts");
}

TEST(FunctionNames, SeparatorsBracesAndOtherBytes) {
    EXPECT_EQ(MakeFunctionName("", "a!b+c-d.e/f_g"), "ABCDEFG");
    // "}" is dropped without touching the capitalise flag.
    EXPECT_EQ(MakeFunctionName("", "/a}b"), "Ab");
    EXPECT_EQ(MakeFunctionName("", "/{x}y"), "ByXy");
    // The method's first character is kept as given, but the fold capitalises it anyway.
    EXPECT_EQ(MakeFunctionName("pUT", "/x"), "PutX");
    EXPECT_EQ(MakeFunctionName("", "/v1/2fa"), "V12fa");
    EXPECT_EQ(MakeFunctionName("", "/\xC3\xA9t\xC3\xA9 x~y"), "\xC3\xA9t\xC3\xA9 x~y");
}

TEST(MethodNumbersTable, TextsAndNumbersBothWays) {
    const char* texts[] = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};
    for (uint32_t number = 0; number < 8; ++number) {
        EXPECT_EQ(MethodNumber(texts[number]), number);
        EXPECT_EQ(MethodText(number), texts[number]);
    }
    EXPECT_EQ(MethodNumber("get"), kMethodCustom);
    EXPECT_EQ(MethodNumber("PURGE"), kMethodCustom);
    EXPECT_EQ(MethodText(kMethodCustom), "");
    EXPECT_EQ(MethodText(9), "");
    EXPECT_EQ(NormalizeMethodNumber(8), 8u);
    EXPECT_EQ(NormalizeMethodNumber(9), 0u);
}

TEST(RequestBuilderLayout, EveryFieldLandsInTheRecord) {
    RequestBuilder builder;
    int context = 0;
    builder.Method("PATCH")
        .Url("/kor-game-settings/v1/input-settings", "a=1&b=2")
        .Argument("settingsResource", HostValue::Structure({{"x", HostValue::Signed(-3)}}))
        .UnnamedArgument(HostValue::String("free"))
        .Header("Content-Type", "Application/JSON")
        .Header("X-Request-ID", "Ab")
        .Body("application/json", "{\"x\":-3}")
        .CallContext(&context)
        .CallWord(99);
    const PluginRequest* request = builder.record();
    EXPECT_EQ(Unpacked(request->method), kMethodPatch);
    EXPECT_STREQ(request->url, "/kor-game-settings/v1/input-settings?a=1&b=2");
    ASSERT_EQ(Unpacked(request->argCount), 2u);
    EXPECT_STREQ(request->args[0].name, "settingsResource");
    EXPECT_EQ(ReadPlainValue(request->args[0].value).value(), HostValue::Structure({{"x", HostValue::Signed(-3)}}));
    EXPECT_EQ(Unpacked(request->args[1].name), nullptr);
    EXPECT_EQ(Unpacked(request->args[1].value.kind), 5u);
    ASSERT_EQ(Unpacked(request->headerCount), 2u);
    EXPECT_STREQ(request->headers[0].name, "content-type");
    EXPECT_STREQ(request->headers[0].value, "Application/JSON");  // values are kept as given
    EXPECT_STREQ(request->headers[1].name, "x-request-id");
    EXPECT_STREQ(request->contentType, "application/json");
    ASSERT_EQ(Unpacked(request->bodySize), 8u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(request->body), request->bodySize), "{\"x\":-3}");
    EXPECT_EQ(Unpacked(request->callContext), &context);
    EXPECT_EQ(Unpacked(request->callWord), 99u);
    EXPECT_EQ(Unpacked(request->customMethod), nullptr);
}

TEST(RequestBuilderLayout, BareRequestAndCustomMethod) {
    RequestBuilder builder;
    builder.Method("PURGE").Url("/x");
    const PluginRequest* request = builder.record();
    EXPECT_EQ(Unpacked(request->method), kMethodCustom);
    EXPECT_STREQ(request->customMethod, "PURGE");
    EXPECT_STREQ(request->url, "/x");
    EXPECT_EQ(Unpacked(request->args), nullptr);
    EXPECT_EQ(Unpacked(request->argCount), 0u);
    EXPECT_EQ(Unpacked(request->headers), nullptr);
    EXPECT_EQ(Unpacked(request->contentType), nullptr);
    EXPECT_EQ(Unpacked(request->body), nullptr);
    EXPECT_EQ(Unpacked(request->bodySize), 0u);
}

TEST(RequestBuilderLayout, RebuildingKeepsTheRecordConsistent) {
    RequestBuilder builder;
    builder.Method("GET").Url("/a").Argument("one", HostValue::String("1"));
    builder.record();
    builder.Argument("two", HostValue::Blob({2}));
    const PluginRequest* request = builder.record();
    ASSERT_EQ(Unpacked(request->argCount), 2u);
    EXPECT_EQ(ReadPlainValue(request->args[0].value).value(), HostValue::String("1"));
    EXPECT_EQ(ReadPlainValue(request->args[1].value).value(), HostValue::Blob({2}));
    EXPECT_STREQ(request->url, "/a");
}

// A release function that counts its calls and clears the record, as the
// plug-in's does.
int releaseCalls = 0;
void CountingRelease(PluginResponse* response) {
    ++releaseCalls;
    std::memset(response, 0, sizeof *response);
}

TEST(ResponseHolderRelease, CalledExactlyOnce) {
    releaseCalls = 0;
    {
        ResponseHolder holder;
        const PluginResponse& record = holder.view();
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
        for (std::size_t i = 0; i < sizeof record; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
        holder.record()->release = &CountingRelease;
        holder.Release();
        holder.Release();
        EXPECT_TRUE(holder.released());
    }
    EXPECT_EQ(releaseCalls, 1);

    releaseCalls = 0;
    {
        ResponseHolder holder;
        holder.record()->release = &CountingRelease;
    }
    EXPECT_EQ(releaseCalls, 1);

    ResponseHolder unset;  // no release function: nothing to call
    unset.Release();
    EXPECT_TRUE(unset.released());
}

TEST(ResponseHolderRead, ValueErrorStatusAndHeaders) {
    ResponseHolder holder;
    HostAnswer answer;
    answer.value = HostValue::Structure({{"k", HostValue::Blob({1, 2})}});
    answer.status = 201;
    answer.statusMessage = "Created";
    answer.headers = {{"etag", "\"v1\""}, {"x-empty", ""}};
    FillResponse(holder.record(), answer);
    EXPECT_FALSE(holder.failed());
    EXPECT_EQ(holder.status(), 201u);
    EXPECT_EQ(holder.statusMessage(), "Created");
    EXPECT_EQ(holder.value().value(), answer.value);
    EXPECT_EQ(holder.headers().value(), answer.headers);
    EXPECT_EQ(Unpacked(holder.view().release), &ReleaseHostResponse);
    holder.Release();  // frees the owned copy; the sanitizer build checks nothing leaks
    EXPECT_EQ(Unpacked(holder.view().status), 0u);

    ResponseHolder failed;
    AnswerError(failed.record(), "no such resource", 404);
    EXPECT_TRUE(failed.failed());
    EXPECT_EQ(failed.error(), "no such resource");
    EXPECT_EQ(Unpacked(failed.view().errorFlag), 1);
    EXPECT_EQ(failed.status(), 404u);
    EXPECT_EQ(failed.value().value(), HostValue());
}

TEST(ResponseHolderRead, BrokenHeaderArraysAreReportedNotFollowed) {
    ResponseHolder holder;
    holder.record()->headerCount = 2;
    EXPECT_FALSE(holder.headers().ok());
    PluginHeader headers[1] = {{"name", nullptr}};
    holder.record()->headers = headers;
    holder.record()->headerCount = 1;
    Outcome<HeaderList> read = holder.headers();
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), "response header 0 has no name or no value");
    std::memset(holder.record(), 0, sizeof(PluginResponse));
}

std::vector<std::pair<std::string, bool>> ReadPieces(ScriptedStream& stream, uint32_t capacity, int reads) {
    std::vector<std::pair<std::string, bool>> pieces;
    for (int i = 0; i < reads; ++i) {
        std::string buffer(capacity, '\0');
        uint32_t length = capacity;
        uint8_t more = 9;
        if (ScriptedStream::Read(&stream, buffer.data(), &length, &more) == 0) {
            pieces.emplace_back("<failed>", false);
            break;
        }
        pieces.emplace_back(buffer.substr(0, length), more != 0);
    }
    return pieces;
}

TEST(ScriptedStreams, ChunksSplitByTheReadersBuffer) {
    ScriptedStream stream(StreamScript{{"hello world", "", "!"}, std::nullopt, std::nullopt, {}});
    EXPECT_EQ(stream.sizeHint(), 12u);
    std::vector<std::pair<std::string, bool>> expected = {
        {"hell", true}, {"o wo", true}, {"rld", true}, {"", true}, {"!", false}, {"", false}};
    EXPECT_EQ(ReadPieces(stream, 4, 6), expected);
}

TEST(ScriptedStreams, FullBufferThenEmptyFinalChunk) {
    ScriptedStream stream(StreamScript{{std::string(4096, 'x'), ""}, std::nullopt, 10u, {}});
    EXPECT_EQ(stream.sizeHint(), 10u);
    auto pieces = ReadPieces(stream, 4096, 2);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].first.size(), 4096u);
    EXPECT_TRUE(pieces[0].second);
    EXPECT_EQ(pieces[1], std::make_pair(std::string(), false));
}

TEST(ScriptedStreams, ScriptedFailureAndBadArguments) {
    ScriptedStream stream(StreamScript{{"ab", "cd"}, 1u, std::nullopt, {}});
    std::vector<std::pair<std::string, bool>> expected = {{"ab", true}, {"<failed>", false}};
    EXPECT_EQ(ReadPieces(stream, 8, 3), expected);
    uint32_t length = 4;
    uint8_t more = 0;
    EXPECT_EQ(ScriptedStream::Read(&stream, nullptr, &length, &more), 0);
    EXPECT_EQ(ScriptedStream::Read(nullptr, &more, &length, &more), 0);
}

TEST(ResponseStreams, TakenStreamReadsAllAndIsDestroyedOnce) {
    int destroyed = 0;
    ResponseHolder holder;
    AnswerStream(holder.record(), StreamScript{{"one ", "two ", "three"}, std::nullopt, std::nullopt,
                                                [&] { ++destroyed; }});
    ASSERT_TRUE(holder.hasStream());
    EXPECT_EQ(Unpacked(holder.view().streamSizeHint), 13u);
    {
        std::optional<ResponseStream> stream = holder.TakeStream();
        ASSERT_TRUE(stream.has_value());
        EXPECT_FALSE(holder.hasStream());
        holder.Release();
        EXPECT_EQ(destroyed, 0);  // the taken stream outlives the record
        Outcome<std::string> text = stream->ReadAll(3);
        ASSERT_TRUE(text.ok()) << text.error();
        EXPECT_EQ(text.value(), "one two three");
        ResponseStream moved = std::move(*stream);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ResponseStreams, ReleaseDestroysAStreamNobodyTook) {
    int destroyed = 0;
    {
        ResponseHolder holder;
        AnswerStream(holder.record(), StreamScript{{"x"}, std::nullopt, std::nullopt, [&] { ++destroyed; }});
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ResponseStreams, ReadFailuresNameTheOffset) {
    int destroyed = 0;
    ResponseHolder holder;
    AnswerStream(holder.record(), StreamScript{{"abc", "def", "ghi"}, 2u, std::nullopt, [&] { ++destroyed; }});
    Outcome<std::string> text = holder.TakeStream()->ReadAll();
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.error(), "stream read failed at offset 6");
    EXPECT_EQ(destroyed, 1);
}

uint8_t OverclaimingRead(void*, void*, uint32_t* length, uint8_t* more) {
    *length += 1;
    *more = 0;
    return 1;
}

TEST(ResponseStreams, AReadClaimingMoreThanTheBufferIsRefused) {
    ResponseStream stream(nullptr, &OverclaimingRead, nullptr, 0);
    Outcome<ResponseStream::Chunk> chunk = stream.ReadChunk(16);
    ASSERT_FALSE(chunk.ok());
    EXPECT_EQ(chunk.error(), "stream read claimed 17 bytes for a buffer of 16");
}

TEST(HostAnswers, FillOverwritesAndReleaseClearsEverything) {
    PluginResponse response;
    std::memset(&response, 0xAB, sizeof response);  // whatever was there before
    AnswerValue(&response, HostValue::Collection({HostValue::String("a"), HostValue::Blob({1})}));
    EXPECT_EQ(Unpacked(response.error), nullptr);
    EXPECT_EQ(Unpacked(response.errorFlag), 0);
    EXPECT_EQ(Unpacked(response.status), 200u);
    EXPECT_EQ(Unpacked(response.streamRead), nullptr);
    EXPECT_EQ(Unpacked(response.value.kind), 9u);
    EXPECT_EQ(Unpacked(response.value.payload.collection.items[0].kind), 6u);
    EXPECT_EQ(Unpacked(response.value.payload.collection.items[1].kind), 8u);
    response.release(&response);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&response);
    for (std::size_t i = 0; i < sizeof response; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

}  // namespace
}  // namespace kor::hostkit
