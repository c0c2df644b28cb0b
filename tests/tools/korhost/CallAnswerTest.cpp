// How kor-host renders the response records the plug-in fills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/ResponseHolder.h"
#include "tools/kor-host/CallAnswer.h"

namespace kor::korhost {
namespace {

using hostkit::HostAnswer;
using hostkit::HostValue;
using hostkit::ResponseHolder;

// The records are filled here with the kit's own answer helpers, which
// produce the same layout the plug-in does, with a release function.
CallAnswer Render(const HostAnswer& answer) {
    ResponseHolder response;
    hostkit::FillResponse(response.record(), answer);
    return AnswerOf(response);
}

TEST(CallAnswer, ValuesBecomeJsonWithTheRecordsStatus) {
    HostAnswer empty;
    empty.status = 0;
    CallAnswer none = Render(empty);
    EXPECT_EQ(none.status, 200);
    EXPECT_EQ(none.body, "null");
    EXPECT_EQ(none.contentType, "application/json");

    HostAnswer created;
    created.status = 201;
    created.value = HostValue::Structure({{"GameMouseSpeed", HostValue::Signed(10)}, {"MusicVolume", HostValue::Float(0.75)}});
    created.headers = {{"x-extra", "1"}};
    CallAnswer value = Render(created);
    EXPECT_EQ(value.status, 201);
    EXPECT_EQ(value.body, R"({"GameMouseSpeed":10,"MusicVolume":0.75})");
    ASSERT_EQ(value.headers.size(), 1u);
    EXPECT_EQ(value.headers[0].first, "x-extra");
}

TEST(CallAnswer, FailuresCarryTheirStatusOr400) {
    HostAnswer unbound;
    unbound.error = "Couldn't deserialize JSON value for parameter 'settingsResource' of 'PatchX': Invalid value.";
    unbound.status = 0;
    CallAnswer bad = Render(unbound);
    EXPECT_EQ(bad.status, 400);
    EXPECT_EQ(bad.body,
              R"({"status":400,"message":"Couldn't deserialize JSON value for parameter 'settingsResource' of 'PatchX': Invalid value."})");

    HostAnswer internal;
    internal.error = "Unable to save settings to file";
    internal.status = 500;
    EXPECT_EQ(Render(internal).body, R"({"status":500,"message":"Unable to save settings to file"})");
}

TEST(CallAnswer, StreamsAreSentAsBytesWithTheirContentType) {
    HostAnswer streamed;
    streamed.stream = hostkit::StreamScript{{"part one, ", "", "part two"}, std::nullopt, std::nullopt, {}};
    streamed.headers = {{"Content-Type", "text/plain"}};
    CallAnswer text = Render(streamed);
    EXPECT_EQ(text.status, 200);
    EXPECT_EQ(text.body, "part one, part two");
    EXPECT_EQ(text.contentType, "text/plain");

    HostAnswer broken;
    broken.stream = hostkit::StreamScript{{"a", "b"}, 1, std::nullopt, {}};
    CallAnswer failed = Render(broken);
    EXPECT_EQ(failed.status, 502);
}

TEST(CallAnswer, ABrokenValueIsTheHostsProblemNotTheCallers) {
    ResponseHolder response;
    response.record()->value.kind = 42;
    CallAnswer answer = AnswerOf(response);
    EXPECT_EQ(answer.status, 502);
    EXPECT_NE(answer.body.find("the plug-in's answer is broken"), std::string::npos);
}

}  // namespace
}  // namespace kor::korhost
