// Outbound requests through the test host's table: the request record, the
// answer's conversion into native types, streamed answers, every request
// error and the release of the host's response records.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "host/ClientTestSupport.h"
#include "host/PluginClient.h"
#include "tools/hostkit/HostAnswer.h"

namespace kor::testing {
namespace {

using hostkit::HostValue;
using hostkit::StreamScript;

// How often the host's release function ran, across a test.
std::atomic<int> g_releases{0};

void CountingRelease(PluginResponse* response) {
    ++g_releases;
    hostkit::ReleaseHostResponse(response);
}

// Wraps a scripted answer so that its release is counted.
TestHostTable::RequestHandler Counted(TestHostTable::RequestHandler answer) {
    return [answer = std::move(answer)](PluginResponse* response, const PluginRequest* request) {
        answer(response, request);
        response->release = &CountingRelease;
    };
}

TestHostTable::RequestHandler ValueAnswer(HostValue value) {
    return Counted([value = std::move(value)](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerValue(response, value);
    });
}

TestHostTable::RequestHandler StreamAnswer(StreamScript script) {
    return Counted([script = std::move(script)](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerStream(response, script);
    });
}

std::string DetailText(const RequestError& error, std::string_view field) {
    return std::string(error.details.Member(field).GetString());
}

class RequestTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        g_releases = 0;
    }
};

// ---- The request record -----------------------------------------------------

TEST_F(RequestTest, AMapParameterTravelsAsOneUnnamedStructureOfTexts) {
    host().OnRequest("/data-store/v1/x", ValueAnswer(HostValue()));
    const std::map<std::string, std::string> fields{{"a", "1"}, {"b", "2"}};
    RequestResult<void> sent =
        plugin().RequestDiscardResult(PluginMethod::Post, "/data-store/v1/x?q=1", RequestParameter(fields));
    ASSERT_TRUE(sent.ok()) << sent.error().message;

    ASSERT_EQ(host().requests().size(), 1u);
    const TestHostTable::SeenRequest seen = host().requests()[0];
    EXPECT_EQ(seen.method, 6u);
    EXPECT_EQ(seen.url, "/data-store/v1/x?q=1");
    EXPECT_EQ(seen.callWord, plugin().hostHandle());
    EXPECT_TRUE(seen.headers.empty());
    EXPECT_TRUE(seen.contentType.empty());
    EXPECT_TRUE(seen.body.empty());
    ASSERT_EQ(seen.arguments.size(), 1u);
    EXPECT_EQ(seen.arguments[0].first, "");
    EXPECT_EQ(seen.arguments[0].second,
              HostValue::Structure({{"a", HostValue::String("1")}, {"b", HostValue::String("2")}}));
    EXPECT_EQ(g_releases, 1);
}

TEST_F(RequestTest, TextAndGenericParametersAndNoParameter) {
    host().OnRequest("/x", ValueAnswer(HostValue()));
    BindingProperty generic;
    generic.MakeCollection().Append().SetSigned(-3);
    EXPECT_TRUE(plugin().RequestDiscardResult(PluginMethod::Put, "/x", RequestParameter("text")).ok());
    EXPECT_TRUE(plugin().RequestDiscardResult(PluginMethod::Put, "/x", RequestParameter(generic)).ok());
    EXPECT_TRUE(plugin().RequestDiscardResult(PluginMethod::Delete, "/x").ok());
    const auto seen = host().requests();
    ASSERT_EQ(seen.size(), 3u);
    ASSERT_EQ(seen[0].arguments.size(), 1u);
    EXPECT_EQ(seen[0].arguments[0].second, HostValue::String("text"));
    ASSERT_EQ(seen[1].arguments.size(), 1u);
    EXPECT_EQ(seen[1].arguments[0].second, HostValue::Collection({HostValue::Signed(-3)}));
    EXPECT_EQ(seen[2].method, 1u);
    EXPECT_TRUE(seen[2].arguments.empty());
    EXPECT_EQ(g_releases, 3);
}

TEST_F(RequestTest, ARegisteredRecordTravelsAsItsStructure) {
    host().OnRequest("/x", ValueAnswer(HostValue()));
    ProbeRecord record{"n", 4, true};
    ASSERT_TRUE(plugin().RequestDiscardResult(PluginMethod::Post, "/x", RequestParameter::Native(record)).ok());
    ASSERT_EQ(host().requests().size(), 1u);
    const HostValue sent = host().requests()[0].arguments.at(0).second;
    ASSERT_NE(sent.Find("name"), nullptr);
    EXPECT_EQ(*sent.Find("name"), HostValue::String("n"));
    EXPECT_EQ(*sent.Find("count"), HostValue::Signed(4));
    EXPECT_EQ(*sent.Find("enabled"), HostValue::Bool(true));
}

TEST_F(RequestTest, AParameterThatDoesNotConvertIsNeverSent) {
    RequestResult<BindingProperty> result =
        plugin().Request<BindingProperty>(PluginMethod::Post, "/x", RequestParameter::Native(UnknownRecord{}));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().status, 400u);
    EXPECT_EQ(result.error().message,
              "Request not sent: Error converting parameters for POST /x: Couldn't convert native value because "
              "it's an unregistered structure.");
    EXPECT_EQ(DetailText(result.error(), "method_str"), "POST");
    EXPECT_EQ(DetailText(result.error(), "url_str"), "/x");
    EXPECT_EQ(DetailText(result.error(), "error_str"),
              "Couldn't convert native value because it's an unregistered structure.");
    EXPECT_EQ(result.error().details.Member("errorCode_int").GetSigned(), 400);
    EXPECT_TRUE(host().requests().empty());
}

// ---- Answers ----------------------------------------------------------------

TEST_F(RequestTest, AnswersConvertIntoTheCallersType) {
    host().OnRequest("/bool", ValueAnswer(HostValue::Bool(true)));
    host().OnRequest("/int", ValueAnswer(HostValue::Signed(-42)));
    host().OnRequest("/text", ValueAnswer(HostValue::String("hello")));
    host().OnRequest("/float", ValueAnswer(HostValue::Float(2.5)));
    host().OnRequest("/record", ValueAnswer(HostValue::Structure({{"name", HostValue::String("r")},
                                                                 {"count", HostValue::Unsigned(7)},
                                                                 {"enabled", HostValue::Bool(true)}})));
    host().OnRequest("/object", ValueAnswer(HostValue::Collection({HostValue::String("a")})));

    RequestResult<bool> flag = plugin().Request<bool>(PluginMethod::Get, "/bool");
    ASSERT_TRUE(flag.ok());
    EXPECT_TRUE(flag.value());
    RequestResult<int32_t> number = plugin().Request<int32_t>(PluginMethod::Get, "/int");
    ASSERT_TRUE(number.ok());
    EXPECT_EQ(number.value(), -42);
    RequestResult<std::string> text = plugin().Request<std::string>(PluginMethod::Get, "/text");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), "hello");
    RequestResult<double> real = plugin().Request<double>(PluginMethod::Get, "/float");
    ASSERT_TRUE(real.ok());
    EXPECT_EQ(real.value(), 2.5);
    RequestResult<ProbeRecord> record = plugin().Request<ProbeRecord>(PluginMethod::Get, "/record");
    ASSERT_TRUE(record.ok()) << record.error().message;
    EXPECT_EQ(record.value().name, "r");
    EXPECT_EQ(record.value().count, 7);
    EXPECT_TRUE(record.value().enabled);
    RequestResult<BindingProperty> object = plugin().Request<BindingProperty>(PluginMethod::Get, "/object");
    ASSERT_TRUE(object.ok());
    EXPECT_EQ(object.value().Element(0).GetString(), "a");
    EXPECT_EQ(g_releases, 6);
}

TEST_F(RequestTest, AnAnswerThatDoesNotConvertIsAConversionError) {
    host().OnRequest("/text", ValueAnswer(HostValue::String("not a number")));
    RequestResult<int32_t> number = plugin().Request<int32_t>(PluginMethod::Get, "/text");
    ASSERT_FALSE(number.ok());
    EXPECT_EQ(number.error().status, 0u);
    const std::string prefix = "Error converting response for GET /text: ";
    ASSERT_EQ(number.error().message.substr(0, prefix.size()), prefix);
    EXPECT_EQ(DetailText(number.error(), "error_str"), number.error().message.substr(prefix.size()));
    EXPECT_NE(DetailText(number.error(), "error_str").find("'<result>'"), std::string::npos);
    EXPECT_FALSE(number.error().details.HasMember("errorCode_int"));
    EXPECT_EQ(number.value(), 0);  // a failed result reads as the default
    EXPECT_EQ(g_releases, 1);
}

TEST_F(RequestTest, AHostErrorCarriesItsStatusAndText) {
    host().OnRequest("/x", Counted([](PluginResponse* response, const PluginRequest*) {
                         hostkit::AnswerError(response, "not found", 404);
                     }));
    RequestResult<BindingProperty> result = plugin().Request<BindingProperty>(PluginMethod::Get, "/x");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().status, 404u);
    EXPECT_EQ(result.error().message, "Error response for GET /x: not found");
    EXPECT_EQ(DetailText(result.error(), "error_str"), "not found");
    EXPECT_EQ(result.error().details.Member("errorCode_int").GetSigned(), 404);
    EXPECT_EQ(g_releases, 1);

    RequestResult<void> discarded = plugin().RequestDiscardResult(PluginMethod::Put, "/x", RequestParameter("v"));
    ASSERT_FALSE(discarded.ok());
    EXPECT_EQ(discarded.error().message, "Error response for PUT /x: not found");
    EXPECT_EQ(g_releases, 2);
}

TEST_F(RequestTest, AFailureFlagWithoutTextIsStillAFailure) {
    host().OnRequest("/x", Counted([](PluginResponse* response, const PluginRequest*) {
                         hostkit::AnswerValue(response, HostValue::Bool(true), 503);
                         response->errorFlag = 1;
                     }));
    RequestResult<bool> result = plugin().Request<bool>(PluginMethod::Get, "/x");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().status, 503u);
    EXPECT_EQ(result.error().message, "Error response for GET /x: ");
    EXPECT_EQ(g_releases, 1);
}

TEST_F(RequestTest, AnErrorStatusWithoutTextIsStillAFailure) {
    host().OnRequest("/gone", Counted([](PluginResponse* response, const PluginRequest*) {
                         hostkit::AnswerValue(response, HostValue(), 410);
                     }));
    RequestResult<BindingProperty> gone = plugin().Request<BindingProperty>(PluginMethod::Get, "/gone");
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().status, 410u);
    EXPECT_EQ(gone.error().message, "Error response for GET /gone: ");
    // Statuses below 400 are answers.
    host().OnRequest("/moved", Counted([](PluginResponse* response, const PluginRequest*) {
                         hostkit::AnswerValue(response, HostValue::Bool(true), 304);
                     }));
    RequestResult<bool> moved = plugin().Request<bool>(PluginMethod::Get, "/moved");
    ASSERT_TRUE(moved.ok());
    EXPECT_TRUE(moved.value());
    EXPECT_EQ(g_releases, 2);
}

TEST_F(RequestTest, AnAnswerWithoutReleaseFunctionIsLeftToTheHost) {
    host().OnRequest("/x", [](PluginResponse* response, const PluginRequest*) {
        static const char kText[] = "static";
        std::memset(static_cast<void*>(response), 0, sizeof *response);
        response->value.kind = 5;
        response->value.payload.string.text = kText;
        response->value.payload.string.length = 6;
    });
    RequestResult<std::string> text = plugin().Request<std::string>(PluginMethod::Get, "/x");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), "static");
}

TEST_F(RequestTest, BeforeInitializeRequestsFailWithoutAHost) {
    ClientPlugin unattached;
    PluginHostContext context{};
    context.apiMajor = 18;
    unattached.Register(&context, "probe");
    RequestResult<bool> result = unattached.Request<bool>(PluginMethod::Get, "/x");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "Error response for GET /x: The plug-in has not been initialized by a host");
}

// ---- Streamed answers -------------------------------------------------------

TEST_F(RequestTest, AFullChunkAndAnEmptyFinalChunkAreReadWhole) {
    const std::string json = "\"" + std::string(4094, 'a') + "\"";
    ASSERT_EQ(json.size(), 4096u);
    int destroyed = 0;
    host().OnRequest("/s", StreamAnswer(StreamScript{{json, ""}, {}, {}, [&destroyed] { ++destroyed; }}));
    RequestResult<std::string> text = plugin().Request<std::string>(PluginMethod::Get, "/s");
    ASSERT_TRUE(text.ok()) << text.error().message;
    EXPECT_EQ(text.value(), std::string(4094, 'a'));
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(host().waitLabels().empty());
    EXPECT_EQ(g_releases, 1);
}

TEST_F(RequestTest, AShortChunkWithMoreToComeWaitsForTheHostOnce) {
    int destroyed = 0;
    host().OnRequest("/s", StreamAnswer(StreamScript{{std::string(100, ' ') + "[1,", "2]"}, {}, {},
                                                     [&destroyed] { ++destroyed; }}));
    RequestResult<BindingProperty> value = plugin().Request<BindingProperty>(PluginMethod::Get, "/s");
    ASSERT_TRUE(value.ok()) << value.error().message;
    EXPECT_EQ(value.value().Size(), 2u);
    EXPECT_EQ(host().waitLabels(), std::vector<std::string>{"Wait: yield"});
    EXPECT_EQ(host().yields(), 1);
    EXPECT_EQ(host().endWaits(), 1);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(RequestTest, AStreamThatFailsOrIsNoJsonIsAReadError) {
    int destroyed = 0;
    host().OnRequest("/fails", StreamAnswer(StreamScript{{"[1,", "2]"}, 1, {}, [&destroyed] { ++destroyed; }}));
    host().OnRequest("/broken", StreamAnswer(StreamScript{{"{"}, {}, {}, [&destroyed] { ++destroyed; }}));

    RequestResult<BindingProperty> failed = plugin().Request<BindingProperty>(PluginMethod::Get, "/fails");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "Error reading streamed response for GET /fails: Stream read error");
    EXPECT_EQ(failed.error().status, 0u);

    RequestResult<BindingProperty> broken = plugin().Request<BindingProperty>(PluginMethod::Get, "/broken");
    ASSERT_FALSE(broken.ok());
    const std::string prefix = "Error reading streamed response for GET /broken: Error: ";
    EXPECT_EQ(broken.error().message.substr(0, prefix.size()), prefix);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(g_releases, 2);
}

TEST_F(RequestTest, AStreamIsHandedOverAndReadIntoBytes) {
    int destroyed = 0;
    const std::string first(5000, 'x');
    host().OnRequest("/s", StreamAnswer(StreamScript{{first, "tail"}, {}, {}, [&destroyed] { ++destroyed; }}));
    RequestResult<ResponseStreamHandle> stream = plugin().RequestStream(PluginMethod::Get, "/s");
    ASSERT_TRUE(stream.ok()) << stream.error().message;
    EXPECT_EQ(g_releases, 1);  // released as soon as the stream was moved out
    EXPECT_EQ(stream.value().SizeHint(), 5004u);
    EXPECT_EQ(destroyed, 0);

    RequestResult<std::vector<uint8_t>> bytes = plugin().ReadStreamIntoBytes(stream.value());
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(std::string(bytes.value().begin(), bytes.value().end()), first + "tail");
    // 4096 bytes, then the short rest of the first chunk with more to come.
    EXPECT_EQ(host().waitLabels().size(), 1u);
    EXPECT_EQ(destroyed, 0);  // the handle still owns the stream
    stream.value().Destroy();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(RequestTest, AFailedByteReadReportsTheOffsetAndKeepsNothing) {
    host().OnRequest("/s", StreamAnswer(StreamScript{{std::string(4096, 'x'), "yz", "never"}, 2, {}, {}}));
    RequestResult<ResponseStreamHandle> stream = plugin().RequestStream(PluginMethod::Get, "/s");
    ASSERT_TRUE(stream.ok());
    RequestResult<std::vector<uint8_t>> bytes = plugin().ReadStreamIntoBytes(stream.value());
    ASSERT_FALSE(bytes.ok());
    EXPECT_EQ(bytes.error().message, "Stream read error at offset 4098");
    EXPECT_EQ(bytes.error().details.Member("offset_int").GetUnsigned(), 4098u);
    EXPECT_TRUE(bytes.value().empty());
}

TEST_F(RequestTest, AStreamRequestWithoutAStreamFails) {
    host().OnRequest("/x", ValueAnswer(HostValue::String("plain")));
    RequestResult<ResponseStreamHandle> stream = plugin().RequestStream(PluginMethod::Get, "/x");
    ASSERT_FALSE(stream.ok());
    EXPECT_EQ(stream.error().message, "Stream response was requested but the response wasn't a stream for /x");
    EXPECT_EQ(stream.error().status, 0u);
    EXPECT_EQ(DetailText(stream.error(), "url_str"), "/x");
    EXPECT_EQ(stream.error().details.Size(), 1u);
    EXPECT_FALSE(stream.value().valid());
    EXPECT_EQ(g_releases, 1);
}

TEST_F(RequestTest, DiscardedAndFailedStreamsAreDestroyed) {
    int destroyed = 0;
    host().OnRequest("/s", StreamAnswer(StreamScript{{"1"}, {}, {}, [&destroyed] { ++destroyed; }}));
    EXPECT_TRUE(plugin().RequestDiscardResult(PluginMethod::Get, "/s").ok());
    EXPECT_EQ(destroyed, 1);

    // A stream object whose read function the host left out is no stream,
    // but it still ends.
    host().OnRequest("/half", Counted([&destroyed](PluginResponse* response, const PluginRequest*) {
                         hostkit::AnswerStream(response, StreamScript{{"1"}, {}, {}, [&destroyed] { ++destroyed; }});
                         response->streamRead = nullptr;
                     }));
    RequestResult<ResponseStreamHandle> stream = plugin().RequestStream(PluginMethod::Get, "/half");
    ASSERT_FALSE(stream.ok());
    EXPECT_EQ(destroyed, 2);
}

TEST_F(RequestTest, AHugeSizeHintIsNotReservedUpFront) {
    StreamScript script{{"true"}, {}, std::numeric_limits<uint64_t>::max(), {}};
    host().OnRequest("/s", StreamAnswer(script));
    RequestResult<bool> flag = plugin().Request<bool>(PluginMethod::Get, "/s");
    ASSERT_TRUE(flag.ok()) << flag.error().message;
    EXPECT_TRUE(flag.value());
}

// A host read function that claims more bytes than the buffer holds.
uint8_t OverlongRead(void*, void*, uint32_t* length, uint8_t* more) {
    *length += 1;
    *more = 0;
    return 1;
}

TEST_F(RequestTest, AReadClaimingMoreThanTheBufferIsAReadError) {
    host().OnRequest("/s", [](PluginResponse* response, const PluginRequest*) {
        std::memset(static_cast<void*>(response), 0, sizeof *response);
        response->streamRead = &OverlongRead;
    });
    RequestResult<BindingProperty> value = plugin().Request<BindingProperty>(PluginMethod::Get, "/s");
    ASSERT_FALSE(value.ok());
    EXPECT_EQ(value.error().message, "Error reading streamed response for GET /s: Stream read error");
}

}  // namespace
}  // namespace kor::testing
