// Calls from the host into the real plug-in's function entries, with a
// request record drawn from fuzzed bytes: any entry, any method (a custom
// one included), a URL near the served routes with a fuzzed query, named
// and unnamed arguments of every kind, headers, a content type and a body.
// Whatever comes in, the answer is a response record that reads: a value,
// or a failure that says why.
#include <array>
#include <string_view>
#include <vector>

#include "fuzz/ServiceUnderFuzz.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/FunctionCall.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace {

using kor::fuzz::ConsumeHostValue;
using kor::fuzz::ConsumeName;

constexpr std::array<std::string_view, 9> kPaths = {
    "/kor-game-settings/v1/game-settings",   "/kor-game-settings/v1/game-settings-schema",
    "/kor-game-settings/v1/input-settings",  "/kor-game-settings/v1/input-settings-schema",
    "/kor-game-settings/v1/save",            "/kor-game-settings/v1/reload-post-game",
    "/kor-game-settings/v1/didreset",        "/kor-game-settings/v1/ready",
    "/plugin-manager/v1/status"};

constexpr std::array<std::string_view, 6> kContentTypes = {
    "application/json", "application/x-msgpack", "application/x-yaml",
    "text/x-yaml",      "application/octet-stream", "application/vnd.api+json"};

template <std::size_t N>
std::string_view Pick(FuzzedDataProvider& input, const std::array<std::string_view, N>& choices) {
    return choices[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kor::testing::TestHost& host = kor::fuzz::ServiceHost();
    const std::vector<const PluginFunctionEntry*> entries = kor::hostkit::FunctionEntries(*host.api());
    KOR_FUZZ_CHECK(!entries.empty(), "the plug-in serves functions");

    FuzzedDataProvider input(data, size);
    const PluginFunctionEntry& entry = *entries[input.ConsumeIntegralInRange<std::size_t>(0, entries.size() - 1)];
    kor::hostkit::RequestBuilder request;
    const uint32_t method = input.ConsumeIntegralInRange<uint32_t>(0, 9);  // 8: a custom method
    request.MethodByNumber(method, method == 8 ? input.ConsumeRandomLengthString(12) : std::string());
    std::string path = input.ConsumeBool() ? std::string(Pick(input, kPaths)) : input.ConsumeRandomLengthString(48);
    if (input.ConsumeBool()) path += input.ConsumeRandomLengthString(16);
    request.Url(path, input.ConsumeRandomLengthString(48));
    for (int i = input.ConsumeIntegralInRange<int>(0, 3); i > 0; --i) {
        if (input.ConsumeBool()) {
            request.UnnamedArgument(ConsumeHostValue(input));
        } else {
            const std::string name = ConsumeName(input);  // drawn before the value
            request.Argument(name, ConsumeHostValue(input));
        }
    }
    for (int i = input.ConsumeIntegralInRange<int>(0, 3); i > 0; --i) {
        const std::string name = input.ConsumeBool() ? "content-type" : input.ConsumeRandomLengthString(16);
        request.Header(name, input.ConsumeRandomLengthString(32));
    }
    const std::string contentType = input.ConsumeBool() ? std::string(Pick(input, kContentTypes)) : input.ConsumeRandomLengthString(24);
    request.Body(contentType, input.ConsumeRemainingBytesAsString());

    kor::hostkit::ResponseHolder response;
    auto called = kor::hostkit::InvokeFunction(entry, request, response);
    KOR_FUZZ_CHECK(called.ok(), "every described function can be called");
    if (response.failed()) {
        KOR_FUZZ_CHECK(!response.error().empty() || response.status() >= 400, "a failure says why");
    } else {
        KOR_FUZZ_CHECK(response.value().ok(), "an answer's value record reads");
    }
    KOR_FUZZ_CHECK(response.headers().ok(), "the answer's headers read");
    response.Release();
    host.table().ClearRecords();
    return 0;
}
