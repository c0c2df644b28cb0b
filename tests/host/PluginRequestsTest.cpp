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


TestHostTable::RequestHandler StreamAnswer(StreamScript script) {
    return Counted([script = std::move(script)](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerStream(response, script);
    });
}


class RequestTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        g_releases = 0;
    }
};

// ---- The request record -----------------------------------------------------

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
