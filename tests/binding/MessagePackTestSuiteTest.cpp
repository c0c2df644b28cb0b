// Every case of msgpack-test-suite: each encoding must decode to the case's
// value, except timestamps and other extension types, which must fail as
// extension types do.

#include "binding/MessagePackReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/SharedTestData.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cstdint>
#include <cstdlib>
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
bool Matches(const rapidjson::Value& expected, const BindingProperty& actual) {
    switch (actual.kind()) {
        case BindingPropertyKind::Empty: return expected.IsNull();
        case BindingPropertyKind::Bool: return expected.IsBool() && actual.GetBool() == expected.GetBool();
        case BindingPropertyKind::Signed:
            return expected.IsInt64() ? expected.GetInt64() == actual.GetSigned()
                                      : expected.IsNumber() && expected.GetDouble() == static_cast<double>(actual.GetSigned());
        case BindingPropertyKind::Unsigned:
            return expected.IsUint64() ? expected.GetUint64() == actual.GetUnsigned()
                                       : expected.IsNumber() && expected.GetDouble() == static_cast<double>(actual.GetUnsigned());
        case BindingPropertyKind::Float: return expected.IsNumber() && expected.GetDouble() == actual.GetFloat();
        case BindingPropertyKind::String:
            return expected.IsString() && actual.GetString() == std::string_view(expected.GetString(), expected.GetStringLength());
        case BindingPropertyKind::Collection:
            if (!expected.IsArray() || actual.Size() != expected.Size()) return false;
            for (rapidjson::SizeType i = 0; i < expected.Size(); ++i) {
                if (!Matches(expected[i], actual.Element(i))) return false;
            }
            return true;
        case BindingPropertyKind::Structure:
            if (!expected.IsObject() || actual.Size() != expected.MemberCount()) return false;
            for (const auto& member : expected.GetObject()) {
                const BindingProperty* found = actual.FindMember(std::string_view(member.name.GetString(), member.name.GetStringLength()));
                if (found == nullptr || !Matches(member.value, *found)) return false;
            }
            return true;
        default: return false;
    }
}

TEST(MessagePackTestSuiteTest, EveryEncodingDecodes) {
    rapidjson::Document suite;
    suite.Parse(test::ReadWholeFile(test::SharedTestData() / "msgpack-test-suite" / "msgpack-test-suite.json").c_str());
    ASSERT_TRUE(!suite.HasParseError() && suite.IsObject()) << "msgpack-test-suite not found; set KOR_SHARED_TESTDATA";
    std::size_t encodings = 0;
    for (const auto& group : suite.GetObject()) {
        for (const auto& testCase : group.value.GetArray()) {
            for (const auto& encoding : testCase["msgpack"].GetArray()) {
                ++encodings;
                const std::vector<uint8_t> bytes = HexBytes(encoding.GetString());
                const MessagePackDecoding decoded = ReadMessagePack(bytes);
                const BindingResult& result = decoded.result;
                SCOPED_TRACE(std::string(group.name.GetString()) + " " + encoding.GetString());
                if (testCase.HasMember("timestamp") || testCase.HasMember("ext")) {
                    EXPECT_EQ(result.ErrorText(), "Invalid MessagePack data at position 1.");
                    continue;
                }
                ASSERT_TRUE(result.ok()) << result.ErrorText();
                EXPECT_EQ(decoded.bytesConsumed, bytes.size());
                for (const auto& member : testCase.GetObject()) {
                    const std::string_view kind = member.name.GetString();
                    rapidjson::Value exact;
                    if (kind == "bignum") {  // a number past a double's precision, as text
                        const char* text = member.value.GetString();
                        text[0] == '-' ? exact.SetInt64(std::strtoll(text, nullptr, 10)) : exact.SetUint64(std::strtoull(text, nullptr, 10));
                        EXPECT_TRUE(Matches(exact, result.value())) << test::Describe(result.value());
                    } else if (kind == "binary") {
                        const std::span<const uint8_t> blob = result.value().GetBlob();
                        EXPECT_TRUE(result.value().Is(BindingPropertyKind::Blob));
                        EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.end()), HexBytes(member.value.GetString()));
                    } else if (kind != "msgpack") {
                        EXPECT_TRUE(Matches(member.value, result.value())) << test::Describe(result.value());
                    }
                }
            }
        }
    }
    EXPECT_GT(encodings, 200u);
}

}  // namespace
}  // namespace kor
