#include "binding/JsonReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/BindingTreeBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kor {
namespace {

using test::Describe;

std::string Nested(std::size_t depth, std::string_view open, std::string_view close) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += open;
    for (std::size_t i = 0; i < depth; ++i) text += close;
    return text;
}

TEST(JsonReaderTest, EmptyAndWhiteTextsAreTheEmptyValue) {
    for (const char* text : {"", " \r\n\t "}) {
        BindingResult result = ReadJson(text);
        EXPECT_TRUE(result.ok());
        EXPECT_TRUE(result.value().IsEmpty());
    }
    EXPECT_TRUE(ReadJson(nullptr).ok());
}

TEST(JsonReaderTest, NumbersByKind) {
    BindingResult result =
        ReadJson("[1, -1, 1.5, 18446744073709551615, -9223372036854775808, 18446744073709551616, 0, -0, 1e2]");
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    const BindingProperty& items = result.value();
    EXPECT_EQ(items.Element(0).kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(items.Element(0).GetUnsigned(), 1u);
    EXPECT_EQ(items.Element(1).GetSigned(), -1);
    EXPECT_EQ(items.Element(2).GetFloat(), 1.5);
    EXPECT_EQ(items.Element(3).GetUnsigned(), UINT64_MAX);
    EXPECT_EQ(items.Element(4).GetSigned(), INT64_MIN);
    EXPECT_EQ(items.Element(5).kind(), BindingPropertyKind::Float);
    EXPECT_EQ(items.Element(5).GetFloat(), 1.8446744073709552e19);
    EXPECT_EQ(items.Element(6).kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(items.Element(7).kind(), BindingPropertyKind::Signed);  // "-0"
    EXPECT_EQ(items.Element(7).GetSigned(-1), 0);
    EXPECT_EQ(items.Element(8).kind(), BindingPropertyKind::Float);
}

TEST(JsonReaderTest, ScalarsNullsAndMemberOrder) {
    BindingResult result = ReadJson(R"({"b": [null, true, false, "x"], "a": null, "B": {}})");
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(Describe(result.value()), R"({"B":{},"a":null,"b":[null,true,false,"x"]})");
    EXPECT_TRUE(result.value().HasMember("a"));
}

TEST(JsonReaderTest, RepeatedKeysReplaceScalarsConcatenateArraysAndMergeObjects) {
    BindingResult result = ReadJson(R"({
        "s": 1, "s": "two",
        "a": [1], "a": [2, 3],
        "o": {"x": 1, "y": 2}, "o": {"y": 3, "z": 4},
        "n": 5, "n": null,
        "k": [1], "k": {"now": "object"}
    })");
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(Describe(result.value()),
              R"({"a":[u:1,u:2,u:3],"k":{"now":"object"},"n":u:5,"o":{"x":u:1,"y":u:3,"z":u:4},"s":"two"})");
}

TEST(JsonReaderTest, EscapedZeroCharactersEndTextsAndKeys) {
    BindingResult result = ReadJson(R"({"k\u0000ey": "a\u0000b"})");
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(result.value().Member("k").GetString(), "a");
    EXPECT_EQ(result.value().Member("k").Size(), 1u);
    // A host that counts the terminating zero into the size is understood.
    BindingResult terminated = ReadJson(std::string_view("[1]\0\0", 5));
    ASSERT_TRUE(terminated.ok()) << terminated.ErrorText();
    EXPECT_EQ(terminated.value().Size(), 1u);
}

TEST(JsonReaderTest, ErrorsCarryRapidJsonTextsAndOffsets) {
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"{} a", "Error: The document root must not be followed by other values. at offset 3."},
        {"tru", "Error: Invalid value. at offset 3."},
        {"[1,]", "Error: Invalid value. at offset 3."},
        {"{\"a\" 1}", "Error: Missing a colon after a name of object member. at offset 5."},
        {"[1 2]", "Error: Missing a comma or ']' after an array element. at offset 3."},
        {"\"abc", "Error: Missing a closing quotation mark in string. at offset 4."},
        {"1e", "Error: Miss exponent in number. at offset 2."},
        {"{1:2}", "Error: Missing a name for object member. at offset 1."},
        // A zero byte is the end for the reader, but not for the text.
        {std::string("123\0x", 5), "Error: The document root must not be followed by other values. at offset 3."},
    };
    for (const Case& c : cases) {
        BindingResult result = ReadJson(std::string_view(c.text));
        EXPECT_FALSE(result.ok()) << c.text;
        EXPECT_EQ(result.ErrorText(), c.message) << c.text;
        // Nothing of the partial value is left beside the error.
        EXPECT_EQ(result.value().Size(), 1u);
    }
}

TEST(JsonReaderTest, NestingIsBoundedAtTheSharedDepth) {
    BindingResult deepest = ReadJson(Nested(kMaxNestingDepth, "[", "]"));
    EXPECT_TRUE(deepest.ok()) << deepest.ErrorText();

    BindingResult tooDeep = ReadJson(Nested(kMaxNestingDepth + 1, "[", "]"));
    EXPECT_EQ(tooDeep.ErrorText(), "Error: Nesting deeper than 512 levels is not supported. at offset 513.");

    // Hostile depths fail at the bound rather than exhausting the stack.
    BindingResult arrays = ReadJson(std::string(100000, '['));
    EXPECT_FALSE(arrays.ok());
    EXPECT_NE(arrays.ErrorText().find("Nesting deeper than 512 levels"), std::string_view::npos);
    BindingResult objects = ReadJson(Nested(100000, "{\"a\":", "}"));
    EXPECT_NE(objects.ErrorText().find("Nesting deeper than 512 levels"), std::string_view::npos);
}

}  // namespace
}  // namespace kor
