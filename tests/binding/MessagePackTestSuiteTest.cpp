// Runs every case of msgpack-test-suite: each encoding must decode to the
// case's value, except timestamps and other extension types, which must
// fail as extension types do.

#include "binding/MessagePackReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/SharedTestData.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace kor {
namespace {

std::vector<uint8_t> HexBytes(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size() + 1; i += 3) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(std::string(hex.substr(i, 2)).c_str(), nullptr, 16)));
    }
    return bytes;
}

// Numbers compare by value whatever kind the decoder chose.
bool SameNumber(const rapidjson::Value& expected, const BindingProperty& actual) {
    switch (actual.kind()) {
        case BindingPropertyKind::Signed:
            return expected.IsInt64() ? expected.GetInt64() == actual.GetSigned()
                                      : expected.GetDouble() == static_cast<double>(actual.GetSigned());
        case BindingPropertyKind::Unsigned:
            return expected.IsUint64() ? expected.GetUint64() == actual.GetUnsigned()
                                       : expected.GetDouble() == static_cast<double>(actual.GetUnsigned());
        case BindingPropertyKind::Float:
            return expected.GetDouble() == actual.GetFloat();
        default:
            return false;
    }
}

bool Matches(const rapidjson::Value& expected, const BindingProperty& actual) {
    if (expected.IsNull()) return actual.IsEmpty();
    if (expected.IsBool()) return actual.Is(BindingPropertyKind::Bool) && actual.GetBool() == expected.GetBool();
    if (expected.IsNumber()) return SameNumber(expected, actual);
    if (expected.IsString()) {
        return actual.IsString() &&
               actual.GetString() == std::string_view(expected.GetString(), expected.GetStringLength());
    }
    if (expected.IsArray()) {
        if (!actual.IsCollection() || actual.Size() != expected.Size()) return false;
        for (rapidjson::SizeType i = 0; i < expected.Size(); ++i) {
            if (!Matches(expected[i], actual.Element(i))) return false;
        }
        return true;
    }
    if (!actual.IsStructure() || actual.Size() != expected.MemberCount()) return false;
    for (const auto& member : expected.GetObject()) {
        const BindingProperty* found =
            actual.FindMember(std::string_view(member.name.GetString(), member.name.GetStringLength()));
        if (found == nullptr || !Matches(member.value, *found)) return false;
    }
    return true;
}

// Checks one case (an object with one value key and "msgpack").
void CheckCase(const std::string& group, const rapidjson::Value& testCase) {
    const rapidjson::Value& encodings = testCase["msgpack"];
    for (const auto& encoding : encodings.GetArray()) {
        const std::string hex = encoding.GetString();
        const std::vector<uint8_t> bytes = HexBytes(hex);
        MessagePackDecoding decoded = ReadMessagePack(bytes);
        const BindingResult& result = decoded.result;
        SCOPED_TRACE(group + " " + hex);
        if (testCase.HasMember("timestamp") || testCase.HasMember("ext")) {
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.ErrorText(), "Invalid MessagePack data at position 1.");
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.ErrorText();
        EXPECT_EQ(decoded.bytesConsumed, bytes.size());
        if (testCase.HasMember("bignum")) {
            const std::string text = testCase["bignum"].GetString();
            rapidjson::Value exact;
            if (text[0] == '-') {
                exact.SetInt64(std::strtoll(text.c_str(), nullptr, 10));
            } else {
                exact.SetUint64(std::strtoull(text.c_str(), nullptr, 10));
            }
            EXPECT_TRUE(SameNumber(exact, result.value())) << test::Describe(result.value());
        } else if (testCase.HasMember("binary")) {
            const std::string hexBytes = testCase["binary"].GetString();
            const std::vector<uint8_t> expected = hexBytes.empty() ? std::vector<uint8_t>() : HexBytes(hexBytes);
            const std::span<const uint8_t> blob = result.value().GetBlob();
            EXPECT_TRUE(result.value().Is(BindingPropertyKind::Blob));
            EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.end()), expected);
        } else {
            for (const auto& member : testCase.GetObject()) {
                if (std::string_view(member.name.GetString()) == "msgpack") continue;
                EXPECT_TRUE(Matches(member.value, result.value())) << test::Describe(result.value());
            }
        }
    }
}

// The suite, read once.
const rapidjson::Document& Suite() {
    static const rapidjson::Document suite = [] {
        rapidjson::Document document;
        const std::string text =
            test::ReadWholeFile(test::SharedTestData() / "msgpack-test-suite" / "msgpack-test-suite.json");
        document.Parse(text.c_str());
        if (document.HasParseError() || !document.IsObject()) document.SetObject();
        return document;
    }();
    return suite;
}

struct SuiteCase {
    std::string group;
    rapidjson::SizeType index;
};

std::vector<SuiteCase> SuiteCases() {
    std::vector<SuiteCase> cases;
    for (const auto& group : Suite().GetObject()) {
        for (rapidjson::SizeType index = 0; index < group.value.Size(); ++index) {
            cases.push_back({group.name.GetString(), index});
        }
    }
    return cases;
}

class MessagePackTestSuiteTest : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(MessagePackTestSuiteTest, EveryEncodingDecodes) {
    const SuiteCase& suiteCase = GetParam();
    CheckCase(suiteCase.group, Suite()[suiteCase.group.c_str()][suiteCase.index]);
}

std::string TestName(const ::testing::TestParamInfo<SuiteCase>& info) {
    std::string name = info.param.group.substr(0, info.param.group.find(".yaml"));
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name + "_" + std::to_string(info.param.index);
}

INSTANTIATE_TEST_SUITE_P(AllCases, MessagePackTestSuiteTest, ::testing::ValuesIn(SuiteCases()), TestName);

TEST(MessagePackTestSuiteFilesTest, SuiteIsPresent) {
    std::size_t encodings = 0;
    for (const SuiteCase& suiteCase : SuiteCases()) {
        encodings += Suite()[suiteCase.group.c_str()][suiteCase.index]["msgpack"].Size();
    }
    EXPECT_GT(encodings, 200u) << "msgpack-test-suite not found; set KOR_SHARED_TESTDATA";
}

}  // namespace
}  // namespace kor
