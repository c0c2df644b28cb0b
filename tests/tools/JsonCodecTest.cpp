#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/hostkit/Base64.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor::hostkit {
namespace {

using namespace std::string_literals;

TEST(JsonEncode, EveryKindCompact) {
    HostValue value = HostValue::Structure({
        {"a", HostValue()},
        {"b", HostValue::Bool(true)},
        {"c", HostValue::Signed(-5)},
        {"d", HostValue::Unsigned(std::numeric_limits<uint64_t>::max())},
        {"e", HostValue::Float(1.0)},
        {"f", HostValue::Float(0.1)},
        {"g", HostValue::Blob({1, 2, 3, 4})},
        {"h", HostValue::Collection()},
        {"i", HostValue::Structure()},
        {"j", HostValue::Collection({HostValue::String("x"), HostValue::Bool(false)})},
    });
    EXPECT_EQ(EncodeJson(value),
              R"({"a":null,"b":true,"c":-5,"d":18446744073709551615,"e":1.0,"f":0.1,"g":"AQIDBA==","h":[],"i":{},)"
              R"("j":["x",false]})");
}

TEST(JsonEncode, PrettyIndentsByTwo) {
    HostValue value = HostValue::Structure({{"a", HostValue::Collection({HostValue::Signed(-1), HostValue()})},
                                            {"b", HostValue::Structure()}});
    EXPECT_EQ(EncodeJson(value, true), "{\n  \"a\": [\n    -1,\n    null\n  ],\n  \"b\": {}\n}");
}

TEST(JsonEncode, NonFiniteFloatsBecomeNull) {
    HostValue value = HostValue::Collection({HostValue::Float(std::numeric_limits<double>::infinity()),
                                             HostValue::Float(std::numeric_limits<double>::quiet_NaN()),
                                             HostValue::Float(-0.0), HostValue::Float(1e300)});
    EXPECT_EQ(EncodeJson(value), "[null,null,-0.0,1e+300]");
}

TEST(JsonEncode, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(EncodeJson(HostValue::String("\"\\\b\f\n\r\t\x01\x1f\x7f/"s)), R"("\"\\\b\f\n\r\t\u0001\u001f)"
                                                                             "\x7f/\"");
    EXPECT_EQ(EncodeJson(HostValue::String("a\0b"s)), R"("a\u0000b")");
    // Names are escaped the same way.
    EXPECT_EQ(EncodeJson(HostValue::Structure({{"k\"\n", HostValue()}})), R"({"k\"\n":null})");
}

TEST(JsonEncode, ValidUtf8PassesAndInvalidBytesAreReplaced) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(EncodeJson(HostValue::String("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")),
              "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
    EXPECT_EQ(EncodeJson(HostValue::String("a\xFF" "b")), "\"a" + replacement + "b\"");
    // Overlong "/", a surrogate half, a code point above U+10FFFF, a cut-off
    // sequence at the end: every byte that belongs to no valid sequence.
    EXPECT_EQ(EncodeJson(HostValue::String("\xC0\xAF")), "\"" + replacement + replacement + "\"");
    EXPECT_EQ(EncodeJson(HostValue::String("\xED\xA0\x80")), "\"" + replacement + replacement + replacement + "\"");
    EXPECT_EQ(EncodeJson(HostValue::String("\xF4\x90\x80\x80")),
              "\"" + replacement + replacement + replacement + replacement + "\"");
    EXPECT_EQ(EncodeJson(HostValue::String("x\xE2\x82")), "\"x" + replacement + replacement + "\"");
    // The output always reads back.
    EXPECT_TRUE(DecodeJson(EncodeJson(HostValue::String("\xC0\xAF\xFE\xED\xA0\x80"))).ok());
}

TEST(JsonRoundTrip, DecodeOfEncodeGivesTheSameTree) {
    HostValue value = HostValue::Structure({
        {"empty", HostValue()},
        {"flags", HostValue::Collection({HostValue::Bool(true), HostValue::Bool(false)})},
        {"min", HostValue::Signed(std::numeric_limits<int64_t>::min())},
        {"max", HostValue::Unsigned(std::numeric_limits<uint64_t>::max())},
        {"zero", HostValue::Unsigned(0)},
        {"floats", HostValue::Collection({HostValue::Float(0.1), HostValue::Float(1.0), HostValue::Float(-2.5e-308),
                                          HostValue::Float(1.7976931348623157e308)})},
        {"text", HostValue::String("tab\t quote\" \xC3\xA9 nul\0 end"s)},
        {"nested", HostValue::Structure({{"deeper", HostValue::Collection({HostValue::Structure()})}})},
    });
    Outcome<HostValue> back = DecodeJson(EncodeJson(value));
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value(), value);
    Outcome<HostValue> pretty = DecodeJson(EncodeJson(value, true));
    ASSERT_TRUE(pretty.ok()) << pretty.error();
    EXPECT_EQ(pretty.value(), value);
}

TEST(JsonRoundTrip, BlobsComeBackAsTheirBase64Text) {
    HostValue::Bytes bytes = {0, 1, 254, 255, 128};
    Outcome<HostValue> back = DecodeJson(EncodeJson(HostValue::Blob(bytes)));
    ASSERT_TRUE(back.ok());
    ASSERT_NE(back.value().AsString(), nullptr);
    EXPECT_EQ(DecodeBase64(*back.value().AsString()).value(), bytes);
}

TEST(JsonDecode, NumbersKeepTheirKind) {
    EXPECT_EQ(DecodeJson("0").value(), HostValue::Unsigned(0));
    EXPECT_EQ(DecodeJson("4294967296").value(), HostValue::Unsigned(4294967296ull));
    EXPECT_EQ(DecodeJson("18446744073709551615").value(), HostValue::Unsigned(18446744073709551615ull));
    EXPECT_EQ(DecodeJson("18446744073709551616").value().kind(), HostValue::Kind::Float);
    EXPECT_EQ(DecodeJson("-1").value(), HostValue::Signed(-1));
    EXPECT_EQ(DecodeJson("-9223372036854775808").value(), HostValue::Signed(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(DecodeJson("-9223372036854775809").value().kind(), HostValue::Kind::Float);
    EXPECT_EQ(DecodeJson("1.5").value(), HostValue::Float(1.5));
    EXPECT_EQ(DecodeJson("1e2").value(), HostValue::Float(100.0));
    EXPECT_EQ(DecodeJson(" true ").value(), HostValue::Bool(true));
    EXPECT_EQ(DecodeJson("null").value(), HostValue());
}

TEST(JsonDecode, EscapesAndRepeatedNames) {
    EXPECT_EQ(DecodeJson(R"("\u00e9\ud83d\ude00\n\/")").value(), HostValue::String("\xC3\xA9\xF0\x9F\x98\x80\n/"));
    HostValue value = DecodeJson(R"({"a":1,"b":2,"a":3})").value();
    ASSERT_EQ(value.size(), 2u);
    EXPECT_EQ(value.AsMembers()->at(0).name, "a");
    EXPECT_EQ(*value.Find("a"), HostValue::Unsigned(3));
}

TEST(JsonDecode, MalformedTextFailsWithTheOffset) {
    Outcome<HostValue> result = DecodeJson("{\"a\":1} x");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), "JSON parse error at offset 8: The document root must not be followed by other values.");
    EXPECT_FALSE(DecodeJson("").ok());
    EXPECT_FALSE(DecodeJson("[1,").ok());
    EXPECT_FALSE(DecodeJson("NaN").ok());
    EXPECT_FALSE(DecodeJson("\"\xFF\"").ok());       // not UTF-8
    EXPECT_FALSE(DecodeJson("\"a\x01\"").ok());      // raw control character
    result = DecodeJson(std::string("1\0 2", 4));  // a NUL must not end the text early
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), "JSON text has a NUL byte at offset 1");
}

TEST(JsonDecode, NestingIsLimited) {
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(DecodeJson(nested(kMaxJsonDepth)).ok());
    Outcome<HostValue> tooDeep = DecodeJson(nested(kMaxJsonDepth + 1));
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_NE(tooDeep.error().find("nested deeper than 512 levels"), std::string::npos) << tooDeep.error();
}

TEST(Base64, KnownVectorsBothWays) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        HostValue::Bytes bytes(plain.begin(), plain.end());
        EXPECT_EQ(EncodeBase64(bytes), encoded);
        EXPECT_EQ(DecodeBase64(encoded).value(), bytes) << encoded;
    }
    EXPECT_EQ(EncodeBase64({0xFB, 0xFF}), "+/8=");
}

TEST(Base64, RejectsMalformedText) {
    EXPECT_FALSE(DecodeBase64("Zm9").ok());
    EXPECT_FALSE(DecodeBase64("Zm=v").ok());
    EXPECT_FALSE(DecodeBase64("Zg==Zg==").ok());
    EXPECT_FALSE(DecodeBase64("Zm9v\n").ok());
    EXPECT_FALSE(DecodeBase64("Zm-_").ok());
}

}  // namespace
}  // namespace kor::hostkit
