// The response records the plug-in fills for the host: what the release
// function frees, and how an incoming record is readied.
#include <gtest/gtest.h>

#include <cstring>

#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"
#include "host/PluginResponseRecord.h"
#include "platform/CountingAllocator.h"
#include "tools/Unpacked.h"

namespace kor {
namespace {

using hostkit::testing::Unpacked;

bool AllZero(const PluginResponse& response) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&response);
    for (std::size_t index = 0; index < sizeof response; ++index) {
        if (bytes[index] != 0) return false;
    }
    return true;
}

uint64_t BlocksInUse() {
    const platform::MemoryCounters counters = platform::ReadMemoryCounters();
    return counters.allocations - counters.frees;
}

// A record filled the way a handler's answer fills it: a structured value,
// an error, a status message and two headers, all owned.
void FillEverything(PluginResponse& response) {
    PreparePluginResponse(&response);
    BindingProperty value;
    value.MemberForWrite("name").SetString("value");
    value.MemberForWrite("list").ElementForWrite(1).SetString("x");
    ASSERT_TRUE(ConvertToPlainValue(value, response.value, nullptr));
    SetResponseError(&response, "failed", 500);
    SetResponseStatusMessage(&response, "Internal");
    response.headers = static_cast<PluginHeader*>(platform::CountedAllocateZeroed(2, sizeof(PluginHeader)));
    response.headerCount = 2;
    for (int index = 0; index < 2; ++index) {
        response.headers[index].name = DuplicateResponseText("h");
        response.headers[index].value = DuplicateResponseText("v");
    }
}

TEST(PluginResponseRecordTest, ReleaseFreesEveryOwnedPartAndZeroesTheRecord) {
    const uint64_t before = BlocksInUse();
    PluginResponse response;
    std::memset(&response, 0, sizeof response);
    FillEverything(response);
    EXPECT_GT(BlocksInUse(), before);
    ASSERT_EQ(Unpacked(response.release), &ReleasePluginResponse);

    response.release(&response);
    EXPECT_EQ(BlocksInUse(), before);
    EXPECT_TRUE(AllZero(response));
}

TEST(PluginResponseRecordTest, EmptyStatusMessageIsSharedAndNotFreed) {
    PluginResponse response;
    std::memset(&response, 0, sizeof response);
    PreparePluginResponse(&response);
    const uint64_t before = BlocksInUse();
    EXPECT_TRUE(SetResponseStatusMessage(&response, ""));
    ASSERT_NE(Unpacked(response.statusMessage), nullptr);
    EXPECT_STREQ(response.statusMessage, "");
    EXPECT_EQ(BlocksInUse(), before);
    ReleasePluginResponse(&response);  // must not free the shared empty text
    EXPECT_TRUE(AllZero(response));
}

TEST(PluginResponseRecordTest, ErrorTextIsFreedOnlyWithItsFlag) {
    PluginResponse response;
    std::memset(&response, 0, sizeof response);
    PreparePluginResponse(&response);
    EXPECT_TRUE(SetResponseError(&response, "first", 404));
    EXPECT_TRUE(SetResponseError(&response, "second", 400));  // replaces, frees the first
    EXPECT_STREQ(response.error, "second");
    EXPECT_EQ(Unpacked(response.errorFlag), 1);
    EXPECT_EQ(Unpacked(response.status), 400u);
    const uint64_t withError = BlocksInUse();
    ReleasePluginResponse(&response);
    EXPECT_EQ(BlocksInUse(), withError - 1);
}

TEST(PluginResponseRecordTest, PreparingAnOwnRecordReleasesWhatItHeld) {
    const uint64_t before = BlocksInUse();
    PluginResponse response;
    std::memset(&response, 0, sizeof response);
    FillEverything(response);
    PreparePluginResponse(&response);
    EXPECT_EQ(BlocksInUse(), before);
    EXPECT_EQ(Unpacked(response.release), &ReleasePluginResponse);
    EXPECT_EQ(Unpacked(response.error), nullptr);
    EXPECT_EQ(Unpacked(response.value.kind), 0u);
}

TEST(PluginResponseRecordTest, PreparingAForeignRecordFreesNothingOfIt) {
    // Texts on the stack: freeing any of them would crash the test.
    char error[] = "host error";
    char message[] = "host message";
    PluginHeader headers[1] = {{"n", "v"}};
    PluginResponse response;
    std::memset(&response, 0, sizeof response);
    response.value.kind = 6;
    response.value.payload.string.text = error;
    response.value.payload.string.length = 10;
    response.error = error;
    response.errorFlag = 1;
    response.statusMessage = message;
    response.headers = headers;
    response.headerCount = 1;
    response.release = [](PluginResponse*) {};

    PreparePluginResponse(&response);
    EXPECT_EQ(Unpacked(response.release), &ReleasePluginResponse);
    EXPECT_EQ(Unpacked(response.value.kind), 0u);
    EXPECT_EQ(Unpacked(response.error), nullptr);
    EXPECT_EQ(Unpacked(response.headers), nullptr);
    EXPECT_STREQ(error, "host error");
}

}  // namespace
}  // namespace kor
