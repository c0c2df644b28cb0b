// Every case of msgpack-test-suite: each encoding must decode to the case's
// value, except timestamps and other extension types, which must fail as
// extension types do.

#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/SharedTestData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace kor {
namespace {

std::vector<uint8_t> HexBytes(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(std::string(hex.substr(i, 2)).c_str(), nullptr, 16)));
    }
    return bytes;
}

// Numbers compare by value whatever kind the decoder chose.
std::string ByValue(const BindingProperty& value) {
    return std::regex_replace(test::Describe(value), std::regex("[suf]:"), "n:");
}

TEST(MessagePackTestSuiteTest, EveryEncodingDecodes) {
    const BindingResult suite = ReadJson(test::ReadWholeFile(test::SharedTestData() / "msgpack-test-suite" / "msgpack-test-suite.json"));
    ASSERT_TRUE(suite.ok() && suite.value().IsStructure()) << "msgpack-test-suite not found; set KOR_SHARED_TESTDATA";
    std::size_t encodings = 0;
    for (const auto& [group, cases] : suite.value().Members()) {
        for (const BindingProperty& testCase : cases.Elements()) {
            for (const BindingProperty& encoding : testCase.Member("msgpack").Elements()) {
                ++encodings;
                const std::vector<uint8_t> bytes = HexBytes(encoding.GetString());
                const MessagePackDecoding decoded = ReadMessagePack(bytes);
                const BindingResult& result = decoded.result;
                SCOPED_TRACE(std::string(group) + " " + std::string(encoding.GetString()));
                if (testCase.HasMember("timestamp") || testCase.HasMember("ext")) {
                    EXPECT_EQ(result.ErrorText(), "Invalid MessagePack data at position 1.");
                    continue;
                }
                ASSERT_TRUE(result.ok()) << result.ErrorText();
                EXPECT_EQ(decoded.bytesConsumed, bytes.size());
                for (const auto& [kind, expected] : testCase.Members()) {
                    if (kind == "bignum") {  // a number past a double's precision, as text
                        EXPECT_EQ(ByValue(result.value()), "n:" + std::string(expected.GetString()));
                    } else if (kind == "binary") {
                        const std::span<const uint8_t> blob = result.value().GetBlob();
                        EXPECT_TRUE(result.value().Is(BindingPropertyKind::Blob));
                        EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.end()), HexBytes(expected.GetString()));
                    } else if (kind != "msgpack") {
                        EXPECT_EQ(ByValue(result.value()), ByValue(expected));
                    }
                }
            }
        }
    }
    EXPECT_GT(encodings, 200u);
}

}  // namespace
}  // namespace kor
